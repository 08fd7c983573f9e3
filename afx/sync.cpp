// CCriticalSection and CSingleLock.
#include <hostkit/afx/sync.h>

BOOL CCriticalSection::Lock(DWORD) {
  m_mutex.lock();
  return TRUE;
}

BOOL CCriticalSection::Unlock() {
  m_mutex.unlock();
  return TRUE;
}

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : m_object(object) {
  if (initialLock) Lock();
}

CSingleLock::~CSingleLock() { Unlock(); }

BOOL CSingleLock::Lock(DWORD timeout) {
  if (m_locked) return TRUE;
  m_locked = m_object->Lock(timeout);
  return m_locked;
}

BOOL CSingleLock::Unlock() {
  if (!m_locked) return TRUE;
  m_locked = !m_object->Unlock();
  return !m_locked;
}
