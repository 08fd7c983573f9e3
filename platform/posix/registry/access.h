// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// How every registry call reaches its store: the key it was given is resolved to a store and a
// key row, then the store is locked for the rest of the call and opened. Internal to
// platform/posix.
#pragma once

#include "platform/posix/system/internal.h"
#include "platform/posix/registry/store.h"

#include <memory>
#include <mutex>

namespace hk::posix::registry {

// An open key: the store it lives in (kept open while the handle is) and its row.
struct KeyObject : HandleObject {
  KeyObject(std::shared_ptr<Store> s, int64_t i) : store(std::move(s)), id(i) {}
  std::shared_ptr<Store> store;
  int64_t id;
};

// One call's hold on a store; the lock is released when it goes out of scope.
class StoreAccess {
 public:
  // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or an open key; ERROR_INVALID_HANDLE for anything
  // else. The thread's last error is left as it was: registry calls report through their
  // result only.
  LONG Resolve(HKEY key);
  // Locks the store, after waiting out a batch another thread has open on it, and opens it
  // (creating the file when 'create' is set). Fails with the reason when the calling thread's
  // own batch has lost its transaction, so that nothing is written outside it.
  LONG Open(bool create);

  Store* operator->() const { return m_store.get(); }
  const std::shared_ptr<Store>& store() const { return m_store; }
  int64_t id() const { return m_id; }
  bool predefined() const { return m_predefined; }

 private:
  std::shared_ptr<Store> m_store;
  int64_t m_id = 0;
  bool m_predefined = false;
  std::unique_lock<std::mutex> m_lock;  // declared last: released before the store
};

}  // namespace hk::posix::registry
