// Exceptions between the shared library and its client. A throw inside the library must be
// caught by the client's handler, with its type and message intact, and an exception the
// client throws from a handler the library calls must unwind through the library's frames
// back to the client. Either fails when the two modules do not share one unwinder and one C++
// runtime (32-bit MinGW unwinds with DWARF tables that a static libgcc keeps per module), or
// when the library hides the type information of its exception classes.
#include <hostkit/hostkit.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace {

// Catches what raise throws as the client's generic handler would, and describes it.
struct Caught {
  bool caught = false;
  const CRuntimeClass* runtimeClass = nullptr;
  std::string message;
  DWORD code = 0;  // m_dwError or m_cause of the exact type
};

Caught CatchFrom(const std::function<void()>& raise) {
  Caught result;
  try {
    raise();
  } catch (CException* e) {
    result.caught = true;
    result.runtimeClass = e->GetRuntimeClass();
    if (auto* os = dynamic_cast<CNuOSException*>(e)) result.code = os->m_dwError;
    if (auto* mail = dynamic_cast<CNuMailException*>(e)) result.code = mail->m_dwError;
    if (auto* file = dynamic_cast<CFileException*>(e)) result.code = file->m_cause;
    CString text;
    CNuException::HandleError(e, text);  // deletes e
    result.message = static_cast<const char*>(text);
  }
  return result;
}

// Names in the working directory whose directory does not exist.
constexpr const char* kMissingDirectory = "linkage-missing-directory";
constexpr const char* kInMissingDirectory = "linkage-missing-directory/file.bin";

TEST(LibraryExceptions, ReachTheClientWithTypeAndMessage) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    const CRuntimeClass* runtimeClass;
    DWORD code;
  };
  const Case cases[] = {
      {"system error", [] { AfxThrowOSException(ERROR_ACCESS_DENIED); },
       RUNTIME_CLASS(CNuOSException), ERROR_ACCESS_DENIED},
      {"mail error", [] { AfxThrowMailException(3); }, RUNTIME_CLASS(CNuMailException), 3},
      {"file error", [] { AfxThrowFileException(CFileException::diskFull); },
       RUNTIME_CLASS(CFileException), CFileException::diskFull},
      {"out of memory", [] { AfxThrowMemoryException(); }, RUNTIME_CLASS(CMemoryException), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Caught caught = CatchFrom(c.raise);
    ASSERT_TRUE(caught.caught);
    EXPECT_EQ(caught.runtimeClass, c.runtimeClass);
    EXPECT_EQ(caught.code, c.code);
    EXPECT_FALSE(caught.message.empty());
  }
  EXPECT_EQ(CatchFrom([] { AfxThrowMailException(3); }).message, "Mail logon failure on the server.");
}

// Thrown from deep inside an operation, several library frames below the client's call.
TEST(LibraryExceptions, LeaveFailedOperations) {
  const Caught mapping = CatchFrom([] {
    CNuFileMapping map;
    map.Open(kInMissingDirectory, 16);
  });
  ASSERT_TRUE(mapping.caught);
  EXPECT_EQ(mapping.runtimeClass, RUNTIME_CLASS(CNuOSException));
  EXPECT_NE(mapping.code, 0u);

  const Caught store = CatchFrom([] {
    CNuFileSystem files(kMissingDirectory, 0);
    files.CreateFile(files.GetFilePath(1), 3, "abc");
  });
  ASSERT_TRUE(store.caught);
  EXPECT_EQ(store.runtimeClass, RUNTIME_CLASS(CFileException));
}

// The library's exceptions are caught by their base classes and their exact classes alike.
TEST(LibraryExceptions, MatchTheirBaseClasses) {
  bool byBase = false;
  try {
    AfxThrowOSException(ERROR_FILE_NOT_FOUND);
  } catch (CNuException* e) {
    byBase = e->IsKindOf(RUNTIME_CLASS(CNuOSException));
    e->Delete();
  }
  EXPECT_TRUE(byBase);

  DWORD exact = 0;
  try {
    AfxThrowMailException(11);
  } catch (CNuOSException* e) {
    e->Delete();
    ADD_FAILURE() << "a mail exception caught as a system exception";
  } catch (CNuMailException* e) {
    exact = e->m_dwError;
    e->Delete();
  }
  EXPECT_EQ(exact, 11u);
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
