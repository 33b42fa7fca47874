#pragma once

#include <sys/resource.h>

#include <csignal>

namespace kvsys::test {

// A limit on the size of the files this process writes: a write past it fails part way, as on
// a full disk. Lifted by Lift or with the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    if (getrlimit(RLIMIT_FSIZE, &old_) != 0) return;
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_;
    small.rlim_cur = bytes;
    set_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() { Lift(); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  // Whether the limit holds.
  bool set() const { return set_; }
  void Lift() {
    if (!set_) return;
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
    set_ = false;
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int) = SIG_DFL;
  bool set_ = false;
};

}  // namespace kvsys::test
