#include "common/serial_worker.h"

#include <algorithm>

namespace kvsys {

SerialWorker::SerialWorker(int most_waiting)
    : most_waiting_(static_cast<size_t>(std::max(most_waiting, 1))), thread_([this] { Run(); }) {}

SerialWorker::~SerialWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

void SerialWorker::Post(std::function<void()> work) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < most_waiting_; });
  queue_.push_back(std::move(work));
  lock.unlock();
  changed_.notify_all();
}

size_t SerialWorker::Waiting() {
  const std::lock_guard lock(mutex_);
  return queue_.size();
}

void SerialWorker::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !running_; });
}

void SerialWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    running_ = true;
    lock.unlock();
    changed_.notify_all();  // room in the queue
    work();
    work = nullptr;  // what it held goes on this thread, before Wait returns
    lock.lock();
    running_ = false;
    changed_.notify_all();
  }
}

}  // namespace kvsys
