// Helpers of the launch suite: the child program, files the child leaves behind, and a
// recorder of the host's wait cursor.
#pragma once

#include "tests/support/fixtures.h"

#include <string>
#include <vector>

namespace hk::test {

// The child program built beside this suite (see child/child.cpp).
std::string ChildPath();

// A name in quotes, as a command line writes a name that may hold blanks.
std::string Quoted(const std::string& name);

bool FileExists(const std::string& name);

// Polls for a file a child is to create; false when it has not come within the time.
bool WaitForFile(const std::string& name, int seconds);

// The NUL-ended strings of a file the child wrote in its "argv" mode.
std::vector<std::string> ReadArguments(const std::string& name);

// Records every change of the wait cursor: +1 begin, 0 restore, -1 end.
class RecordingWaitCursor {
 public:
  RecordingWaitCursor();
  ~RecordingWaitCursor();
  const std::vector<int>& Changes() const { return m_changes; }

 private:
  std::vector<int> m_changes;
  AfxWaitCursorHandler m_previous;
};

}  // namespace hk::test
