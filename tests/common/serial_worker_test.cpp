// The second thread a run hands work to: everything posted runs once, in order, Wait returns
// only when it has, and a poster that runs ahead is held back.
#include "common/serial_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace kvsys {
namespace {

TEST(SerialWorker, RunsEverythingInOrderAndHoldsBackAPosterThatRunsAhead) {
  std::vector<int> done;  // only the worker appends; read after Wait
  std::atomic<bool> open{false};
  std::atomic<bool> started{false};
  std::atomic<int> posted{0};
  std::thread opener;
  {
    SerialWorker worker(2);
    // The first piece holds the worker until it is let go: the queue fills behind it.
    worker.Post([&] {
      while (!open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      done.push_back(0);
    });
    std::thread poster([&] {
      for (int i = 1; i <= 5; ++i) {
        worker.Post([&done, i] { done.push_back(i); });
        ++posted;
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(posted.load(), 2);  // two waiting; the third Post waits for room
    open = true;
    poster.join();
    worker.Wait();
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4, 5}));

    // Work not begun when the worker goes is dropped; the work running ends first.
    open = false;
    worker.Post([&] {
      started = true;
      while (!open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      done.push_back(6);
    });
    worker.Post([&done] { done.push_back(7); });
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    opener = std::thread([&open] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      open = true;
    });
  }
  opener.join();
  EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace kvsys
