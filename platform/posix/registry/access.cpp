// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Resolving, locking and opening a registry call's store.
#include "platform/posix/registry/access.h"

#include "platform/win32.h"

namespace hk::posix::registry {

LONG StoreAccess::Resolve(HKEY key) {
  if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
    LONG error = ERROR_SUCCESS;
    m_store = CurrentStore(key == HKEY_CURRENT_USER ? Root::kCurrentUser : Root::kLocalMachine, error);
    if (!m_store) return error;
    m_id = kRootKeyId;
    m_predefined = true;
    return ERROR_SUCCESS;
  }
  const DWORD lastError = GetLastError();
  KeyObject* object = HandleAs<KeyObject>(key);
  SetLastError(lastError);
  if (object == nullptr) return ERROR_INVALID_HANDLE;
  m_store = object->store;
  m_id = object->id;
  m_predefined = false;
  return ERROR_SUCCESS;
}

LONG StoreAccess::Open(bool create) {
  m_lock = std::unique_lock<std::mutex>(m_store->lock);
  m_store->batchEnded.wait(m_lock, [this] { return !m_store->BatchOfAnotherThread(); });
  const LONG opened = m_store->Open(create);
  return opened != ERROR_SUCCESS ? opened : m_store->BatchFailure();
}

}  // namespace hk::posix::registry
