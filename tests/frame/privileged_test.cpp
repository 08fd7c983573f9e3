// A privileged host (set-user-ID) takes no code and no store location from the environment of
// the user who runs it: the same program, run by the same user with the same environment,
// follows the variables only when it is not set-user-ID.
#include "tests/support/child.h"
#include "tests/support/fixtures.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#if !defined(_WIN32)
#  include <pwd.h>
#  include <sys/statvfs.h>
#  include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
TEST(PrivilegedHost, IgnoresTheCallersSettings) {
  GTEST_SKIP() << "Windows has no set-user-ID programs; its loader has its own rules";
}
#else
namespace fs = std::filesystem;

bool AllowsSetUserId(const std::string& dir) {
  struct statvfs info {};
  return statvfs(dir.c_str(), &info) == 0 && (info.f_flag & ST_NOSUID) == 0;
}

// Runs the program as `user` with the given environment; its output as "what=value" pairs.
std::map<std::string, std::string> RunAs(const passwd& user, const std::string& program,
                                         const std::map<std::string, std::string>& environment) {
  std::vector<std::string> words{"PATH=/usr/bin:/bin"};
  for (const auto& [name, value] : environment) words.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& w : words) envp.push_back(w.data());
  envp.push_back(nullptr);
  hk::test::TempDir dir;
  const std::string output = dir / "output";
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    if (std::freopen(output.c_str(), "w", stdout) == nullptr || setgid(user.pw_gid) != 0 || setuid(user.pw_uid) != 0)
      return 120;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    execve(program.c_str(), argv, envp.data());
    return 121;
  });
  EXPECT_EQ(end.code + end.signal, 0) << program << " ended with " << end.code << "/" << end.signal;
  std::map<std::string, std::string> answers;
  for (const std::string& line : hk::test::Lines(hk::test::ReadWholeFile(output)))
    if (const size_t eq = line.find('='); eq != std::string::npos) answers[line.substr(0, eq)] = line.substr(eq + 1);
  return answers;
}

TEST(PrivilegedHost, IgnoresTheCallersSettings) {
  if (geteuid() != 0) GTEST_SKIP() << "making a set-user-ID program of another owner needs root";
  const passwd* found = getpwnam("nobody");
  if (found == nullptr) GTEST_SKIP() << "no account 'nobody' to run the program as";
  const passwd nobody = *found;
  hk::test::TempDir temp;
  std::string home = temp.Path();
  if (!AllowsSetUserId(home)) {
    home = PRIVILEGED_FALLBACK_DIR;
    fs::create_directories(home);
    if (!AllowsSetUserId(home))
      GTEST_SKIP() << "both the temporary directory and the build tree are mounted nosuid";
  }
  // The planted provider and a folder standing for every other place a user might name.
  const std::string planted = temp / "planted", elsewhere = temp / "elsewhere";
  fs::create_directories(planted);
  fs::copy_file(PRIVILEGED_PLANTED, planted + "/libhostkit-netapi.so");
  const std::string program = home + "host";
  fs::copy_file(PRIVILEGED_HELPER, program, fs::copy_options::overwrite_existing);
  ASSERT_EQ(chown(program.c_str(), 0, 0), 0);
  const std::map<std::string, std::string> environment{
      {"HOSTKIT_PROVIDER_DIR", planted},   {"HOSTKIT_REGISTRY_DIR", elsewhere},
      {"HOSTKIT_SYSCONF_DIR", elsewhere},  {"HOSTKIT_MAIL_DIR", elsewhere},
      {"HOSTKIT_CURL_LIBRARY", elsewhere}, {"TMPDIR", elsewhere},
      {"XDG_CONFIG_HOME", elsewhere},      {"HOME", elsewhere}};

  // Not privileged: every setting is followed (this is what the privileged run must not do).
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  auto plain = RunAs(nobody, program, environment);
  EXPECT_EQ(plain["netapi"], planted + "/libhostkit-netapi.so");
  EXPECT_EQ(plain["registry"], elsewhere + "/HKEY_CURRENT_USER.db");

  ASSERT_EQ(chmod(program.c_str(), 04755), 0);
  auto privileged = RunAs(nobody, program, environment);
  EXPECT_EQ(privileged["netapi"], "none") << "no provider lies beside the program";
  EXPECT_EQ(privileged["registry"], std::string(nobody.pw_dir) + "/.config/hostkit/HKEY_CURRENT_USER.db");
  EXPECT_EQ(privileged["sysconf"], "/etc/");
  EXPECT_EQ(privileged["temp"], "/tmp/");
  EXPECT_EQ(privileged["HOSTKIT_MAIL_DIR"], "unset");
  EXPECT_EQ(privileged["HOSTKIT_CURL_LIBRARY"], "unset");
  fs::remove(program);
}
#endif

}  // namespace
