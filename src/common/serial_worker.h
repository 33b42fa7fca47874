#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kvsys {

// One thread of its own that runs the work posted to it, in order, while the poster goes on:
// the second core finishes what the first has handed over. A poster that runs ahead waits
// while `most_waiting` are queued, so that the work held never grows with the run.
class SerialWorker {
 public:
  explicit SerialWorker(int most_waiting = 4);
  // Work not begun is dropped; the work running ends first.
  ~SerialWorker();
  SerialWorker(const SerialWorker&) = delete;
  SerialWorker& operator=(const SerialWorker&) = delete;

  void Post(std::function<void()> work);
  // Work posted and not begun: how far the thread is behind.
  size_t Waiting();
  // Until everything posted has run.
  void Wait();

 private:
  void Run();

  const size_t most_waiting_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  bool running_ = false;  // a piece of work is out of the queue and not done
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace kvsys
