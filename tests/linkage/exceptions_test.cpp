// Exceptions between the shared library and its client. A throw inside the library must be
// caught by the client's handler, with its type and message intact, and an exception the
// client throws from a handler the library calls must unwind through the library's frames
// back to the client. Either fails when the two modules do not share one unwinder and one C++
// runtime (32-bit MinGW unwinds with DWARF tables that a static libgcc keeps per module), or
// when the library hides the type information of its exception classes.
#include <hostkit/hostkit.h>

#include "tests/support/capture.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace {

using hk::test::Capture;
using hk::test::Thrown;

// Names in the working directory whose directory does not exist.
constexpr const char* kMissingDirectory = "linkage-missing-directory";
constexpr const char* kInMissingDirectory = "linkage-missing-directory/file.bin";

TEST(LibraryExceptions, ReachTheClientWithTypeAndMessage) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    const CRuntimeClass* runtimeClass;
    int64_t code;  // -1: the class has none
  };
  const Case cases[] = {
      {"system error", [] { AfxThrowOSException(ERROR_ACCESS_DENIED); },
       RUNTIME_CLASS(CNuOSException), ERROR_ACCESS_DENIED},
      {"mail error", [] { AfxThrowMailException(3); }, RUNTIME_CLASS(CNuMailException), 3},
      {"file error", [] { AfxThrowFileException(CFileException::diskFull); },
       RUNTIME_CLASS(CFileException), CFileException::diskFull},
      {"out of memory", [] { AfxThrowMemoryException(); }, RUNTIME_CLASS(CMemoryException), -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Thrown caught = Capture(c.raise);
    ASSERT_TRUE(caught.thrown);
    EXPECT_EQ(caught.runtimeClass, c.runtimeClass);
    EXPECT_EQ(caught.code, c.code);
    EXPECT_FALSE(caught.message.empty());
  }
  EXPECT_EQ(Capture([] { AfxThrowMailException(3); }).message, "Mail logon failure on the server.");
}

// Thrown from deep inside an operation, several library frames below the client's call.
TEST(LibraryExceptions, LeaveFailedOperations) {
  const Thrown mapping = Capture([] {
    CNuFileMapping map;
    map.Open(kInMissingDirectory, 16);
  });
  ASSERT_TRUE(mapping.thrown);
  EXPECT_EQ(mapping.runtimeClass, RUNTIME_CLASS(CNuOSException));
  EXPECT_GT(mapping.code, 0);

  const Thrown store = Capture([] {
    CNuFileSystem files(kMissingDirectory, 0);
    files.CreateFile(files.GetFilePath(1), 3, "abc");
  });
  ASSERT_TRUE(store.thrown);
  EXPECT_EQ(store.runtimeClass, RUNTIME_CLASS(CFileException));
}

// The library's exceptions are caught by their base classes and their exact classes alike.
TEST(LibraryExceptions, MatchTheirBaseClasses) {
  EXPECT_EQ(Capture<CNuException>([] { AfxThrowOSException(ERROR_FILE_NOT_FOUND); }).runtimeClass,
            RUNTIME_CLASS(CNuOSException));
  // A mail exception passes a handler of system exceptions by.
  const Thrown mail = Capture<CNuMailException>([] { Capture<CNuOSException>([] { AfxThrowMailException(11); }); });
  EXPECT_EQ(mail.code, 11);
}

// The client's own exception, thrown from its message-box handler while the library shows a
// message, unwinds through the library back to the client.
TEST(ClientExceptions, PassThroughTheLibrary) {
  struct Restore {
    AfxMessageBoxHandler previous;
    ~Restore() { AfxSetMessageBoxHandler(previous); }
  } restore{AfxSetMessageBoxHandler(
      [](const char* text, UINT, UINT) -> int { throw std::runtime_error(text); })};

  std::string seen;
  try {
    AfxMessageBox("shown by the library");
  } catch (const std::runtime_error& e) {
    seen = e.what();
  }
  EXPECT_EQ(seen, "shown by the library");

  CNuOSException* report = new CNuOSException(ERROR_ACCESS_DENIED);
  try {
    report->ReportError();
  } catch (const std::runtime_error& e) {
    seen = e.what();
  }
  report->Delete();
  EXPECT_FALSE(seen.empty());
  EXPECT_NE(seen, "shown by the library");
}

}  // namespace
