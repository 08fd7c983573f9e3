// CCriticalSection and CSingleLock: a recursive lock and its scoped holder.
#pragma once

#include <hostkit/config.h>
#include <hostkit/win32types.h>

#include <mutex>

class HOSTKIT_API CSyncObject {
 public:
  virtual ~CSyncObject() = default;
  virtual BOOL Lock(DWORD timeout = INFINITE) = 0;
  virtual BOOL Unlock() = 0;
};

class HOSTKIT_API CCriticalSection : public CSyncObject {
 public:
  CCriticalSection() = default;
  BOOL Lock(DWORD timeout = INFINITE) override;
  BOOL Unlock() override;

 private:
  std::recursive_mutex m_mutex;
};

class HOSTKIT_API CSingleLock {
 public:
  explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
  ~CSingleLock();
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;

  BOOL Lock(DWORD timeout = INFINITE);
  BOOL Unlock();
  BOOL IsLocked() const { return m_locked; }

 private:
  CSyncObject* m_object;
  BOOL m_locked = FALSE;
};
