// The loopback SMTP server of the mail suite and the bridge to Python's email package.
#include "tests/mail/mailtest.h"

#if !defined(_WIN32)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace hk::test::mail {
namespace {

std::string Scripts() {
  const char* dir = std::getenv("HOSTKIT_TEST_MAIL_SCRIPTS");
  return dir != nullptr ? std::string(dir) + "/" : std::string("tests/mail/");
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

}  // namespace

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

SmtpServer::SmtpServer(const std::vector<std::string>& options) {
  const std::string script = Scripts() + "smtp_server.py";
  for (int attempt = 0; attempt < 5 && m_pid < 0; ++attempt) {
    m_port = FreePort();
    const std::string port = std::to_string(m_port);
    const std::string spool = m_spool.Path();
    std::vector<const char*> argv = {"/usr/bin/python3", script.c_str(), port.c_str(), spool.c_str()};
    for (const std::string& option : options) argv.push_back(option.c_str());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0) break;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(m_spool / "ready") && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {  // ended early: the port was taken meanwhile
        pid = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (pid > 0 && std::filesystem::exists(m_spool / "ready")) m_pid = pid;
    else if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  }
  if (m_pid < 0) ADD_FAILURE() << "the SMTP server (" << script << ") did not start";
}

SmtpServer::~SmtpServer() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);  // everything it stored is complete: files are renamed into place
    int status = 0;
    waitpid(m_pid, &status, 0);
  }
}

int SmtpServer::AuthAttempts() const {
  std::ifstream in(m_spool / "auth");
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

std::vector<std::string> SmtpServer::Files() const {
  std::vector<std::string> files;
  for (int n = 1; std::filesystem::exists(m_spool / (std::to_string(n) + ".eml")); ++n)
    files.push_back(m_spool / (std::to_string(n) + ".eml"));
  return files;
}

std::string SmtpServer::Recipients(size_t index) const {
  return ReadWholeFile(m_spool / (std::to_string(index + 1) + ".rcpt"));
}

std::string PythonRead::Value(const std::string& key) const {
  const auto found = values.find(key);
  return found == values.end() ? "?" : found->second;
}

std::vector<std::string> PythonRead::Values(const std::string& key) const {
  std::vector<std::string> found;
  for (auto [it, end] = values.equal_range(key); it != end; ++it) found.push_back(it->second);
  return found;
}

PythonRead ReadWithPython(const std::string& file) {
  PythonRead read;
  const std::string command = "/usr/bin/python3 '" + Scripts() + "read_message.py' '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return read;
  }
  std::string output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string key, value, bytes;
    words >> key >> value >> bytes;
    if (key == "attachment") read.attachments.emplace_back(FromHex(value), FromHex(bytes));
    else read.values.emplace(key, FromHex(value));
  }
  return read;
}

}  // namespace hk::test::mail

#endif
