// CCriticalSection and CSingleLock.
#include "tests/support/fixtures.h"

#include <thread>
#include <vector>

TEST(Sync, SingleLockSerialisesThreadsAndNests) {
  CCriticalSection section;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        CSingleLock outer(&section, TRUE);
        CSingleLock inner(&section, TRUE);  // the same thread may enter again
        counter = counter + 1;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(counter, 20000);

  // A lock already held takes no second acquisition: one Unlock releases it for real.
  CSingleLock lock(&section);
  EXPECT_TRUE(lock.Lock());
  EXPECT_TRUE(lock.Lock());
  EXPECT_TRUE(lock.Unlock());
  bool entered = false;
  std::thread([&] {
    CSingleLock other(&section, TRUE);
    entered = other.IsLocked() != FALSE;
  }).join();
  EXPECT_TRUE(entered);
}
