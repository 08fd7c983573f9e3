// Helpers shared by the suites: a temporary directory per test, recording and scripted
// user-interface handlers, environment changes undone on scope exit, and the tool's runner.
#pragma once

#include <hostkit/hostkit.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace hk::test {

// A fresh directory under the system's temporary directory, removed with its contents when
// the test ends. Path() ends in the platform's separator.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + name; }
  // Writes a file (directories must exist) and returns its full name.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;

 private:
  std::string m_path;
};

std::string ReadWholeFile(const std::string& path);

// Whether modules carry compiled resources (menus, bitmaps) on this platform.
bool PlatformHasModuleResources();

// Records every message box instead of showing it, answering with 'answer'.
class RecordingMessageBoxes {
 public:
  struct Box {
    std::string text;
    UINT style;
    UINT helpId;
  };
  explicit RecordingMessageBoxes(int answer = IDOK);
  ~RecordingMessageBoxes();
  const std::vector<Box>& Boxes() const { return m_boxes; }

 private:
  std::vector<Box> m_boxes;
  AfxMessageBoxHandler m_previous;
};

// An open-file dialog that answers from a script: each entry is one dialog's selection; an
// entry with no names is a cancel. Records what each dialog was opened with.
class ScriptedDialog {
 public:
  using Names = std::vector<std::string>;
  explicit ScriptedDialog(std::deque<Names> script);
  ~ScriptedDialog();
  struct Opened {
    DWORD flags;
    DWORD bufferLength;
    Names filter;
  };
  const std::vector<Opened>& Dialogs() const { return m_opened; }
  // Full names in one folder, as a dialog returns them.
  static Names InOneFolder(std::initializer_list<const char*> names);

 private:
  std::deque<Names> m_script;
  std::vector<Opened> m_opened;
  AfxFileDialogHandler m_previous;
};

// Sets (or with a null value, removes) an environment variable until the end of the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();

 private:
  std::string m_name;
  bool m_had;
  std::string m_old;
};

// Makes a directory the process's current directory until the end of the scope.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& directory)
      : m_previous(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  ~ScopedCurrentDirectory() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
  }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path m_previous;
};

// The outcome of one run of the command-line tool of the build tree.
struct ToolRun {
  int status;       // the exit status, or -1 when the tool could not be run
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the tool of the build tree (HOSTKIT_TEST_BINARY_DIR) through the system's shell with
// `arguments` as written after the program's name. `posixPrefix` goes before the program on
// POSIX only (environment assignments, "env -u NAME", ...).
ToolRun RunTool(const std::string& arguments, const std::string& posixPrefix = std::string());

// One argument of a tool's command line, quoted for the shell (spaces kept, no globbing).
inline std::string Quote(const std::string& argument) { return "\"" + argument + "\""; }

// The lines of a tool's output, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// A test of the tool: skipped unless run through ctest, which says where the tool is built.
class ToolTest : public testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace hk::test
