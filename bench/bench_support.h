#pragma once

// What the benchmarks share: a dialog service that answers OK and says what it was asked (a
// benchmark run shows no box), the least of repeated measurements, and the CPU time of the
// calling thread.

#include <time.h>

#include <QString>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "common/dialogs.h"

namespace kvsys {

class SilentDialogs : public Dialogs {
 public:
  Answer MsgBox(const QString& text, MsgButtons, MsgIcon, const QString&, int) override {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    ++shown;
    return Answer::Ok;
  }
  std::optional<QString> InputBox(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  QString BrowseFolder(QWidget*, const QString&, const QString&) override { return QString(); }
  int shown = 0;
};

inline double Least(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

inline double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace kvsys
