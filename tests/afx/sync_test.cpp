// CCriticalSection and CSingleLock.
#include "tests/support/fixtures.h"

#include <thread>
#include <vector>

TEST(Sync, SingleLockSerialisesThreadsAndNests) {
  CCriticalSection section;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        CSingleLock outer(&section, TRUE);
        CSingleLock inner(&section, TRUE);  // the same thread may enter again
        const long seen = counter;
        counter = seen + 1;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(counter, 20000);

  CSingleLock lock(&section);
  EXPECT_FALSE(lock.IsLocked());
  EXPECT_TRUE(lock.Lock());
  EXPECT_TRUE(lock.Lock());  // already held: no second acquisition to undo
  EXPECT_TRUE(lock.Unlock());
  EXPECT_FALSE(lock.IsLocked());
  // Released for real: another thread gets in.
  bool entered = false;
  std::thread([&] {
    CSingleLock other(&section, TRUE);
    entered = other.IsLocked() != FALSE;
  }).join();
  EXPECT_TRUE(entered);
}
