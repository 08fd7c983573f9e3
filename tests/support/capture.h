// What a call throws. The framework throws exceptions as pointers that the catcher must
// Delete; a capture reads what tests look at and deletes the exception, so that a test names
// only the class it expects. Header only: the linkage suite, which links the shared library
// alone, uses it too.
#pragma once

#include <hostkit/hostkit.h>

#include <cstdint>
#include <string>

namespace hk::test {

struct Thrown {
  bool thrown = false;
  const CRuntimeClass* runtimeClass = nullptr;
  int64_t code = -1;     // m_dwError of OS and mail exceptions, m_cause of file and archive ones
  LONG osError = 0;      // m_lOsError of a file exception
  std::string fileName;  // m_strFileName of a file exception
  std::string message;   // GetErrorMessage's text, empty when it has none
};

inline Thrown Describe(CException* e) {
  Thrown t;
  t.thrown = true;
  t.runtimeClass = e->GetRuntimeClass();
  if (auto* os = dynamic_cast<CNuOSException*>(e)) t.code = os->m_dwError;
  if (auto* mail = dynamic_cast<CNuMailException*>(e)) t.code = mail->m_dwError;
  if (auto* archive = dynamic_cast<CArchiveException*>(e)) t.code = archive->m_cause;
  if (auto* file = dynamic_cast<CFileException*>(e)) {
    t.code = file->m_cause;
    t.osError = file->m_lOsError;
    t.fileName = static_cast<const char*>(file->m_strFileName);
  }
  char text[4096] = {};
  if (e->GetErrorMessage(text, sizeof text)) t.message = text;
  e->Delete();
  return t;
}

// Runs `call`; an exception of class E (or derived from it) is captured, any other passes on.
template <typename E = CException, typename F>
Thrown Capture(F&& call) {
  try {
    call();
  } catch (E* e) {
    return Describe(e);
  }
  return Thrown{};
}

// The code (see Thrown::code) of the E that `call` throws, or -1 when it returns.
template <typename E = CException, typename F>
int64_t CodeOf(F&& call) {
  return Capture<E>(call).code;
}

// The error (m_dwError) of the OS or mail exception E that `call` throws, or 0 when it returns.
template <typename E, typename F>
DWORD ErrorOf(F&& call) {
  const Thrown thrown = Capture<E>(call);
  return thrown.thrown ? static_cast<DWORD>(thrown.code) : 0;
}

}  // namespace hk::test
