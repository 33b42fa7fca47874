#pragma once

// What the benchmarks share: a dialog service that answers OK and says what it was asked (a
// benchmark run shows no box), the least of repeated measurements, running them under an
// application, and the CPU time of the calling thread.

#include <time.h>

#include <QApplication>
#include <QProcess>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include <benchmark/benchmark.h>

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
  QString ChooseFile(QWidget*, const QString&, const QString&, const QString&) override {
    return QString();
  }
  bool ConfirmTable(const QString& title, const QStringList&, const std::vector<QStringList>&,
                    const QString&, const QString&) override {
    std::fprintf(stderr, "table: %s\n", title.toUtf8().constData());
    ++shown;
    return true;
  }
  int shown = 0;
};

// The pages of a PDF file as pdfinfo reads them; 0 when it cannot.
inline int PdfPageCount(const QString& file) {
  QProcess p;
  p.start(QStringLiteral("pdfinfo"), {file});
  p.waitForFinished(60000);
  for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  }
  return 0;
}

inline double Least(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

// Keeps the least measurement seen so far in least (0: none yet).
inline void Keep(double& least, double seconds) {
  if (least == 0 || seconds < least) least = seconds;
}

// Runs the registered benchmarks with an application on the offscreen platform (unless the
// environment names another), for fonts, painting and widgets.
inline void RunBenchmarks(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
}

inline double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace kvsys
