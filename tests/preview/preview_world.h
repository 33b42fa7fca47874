#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>

#include "certificate/print_run.h"
#include "preview/preview_session.h"
#include "support/document_helpers.h"
#include "support/print_run_world.h"

namespace kvsys::test {

// A print run of count swimmers S1..Sn (ranked in that order) collected into the shared table,
// a KVSYS.ini in the program folder, and an output that keeps what it is given.
class PreviewWorld {
 public:
  explicit PreviewWorld(int count = 3) {
    ini = w.folder() + QStringLiteral("/KVSYS.ini");
    QFile f(ini);
    if (f.open(QIODevice::WriteOnly)) {
      f.write("[Output]\nTarget=PDF\nPdfFolder=pdf\n");
      f.close();
    }
    w.options.Lattice = false;
    w.options.Length = false;  // names as typed, not widened
    w.SetLimits(count, count, count, count);
    w.Event(1, 1, 1, 2, 2);
    for (int n = 1; n <= count; ++n) {
      w.Swimmer(n, QStringLiteral("S%1").arg(n));
      w.Result(1, n, QStringLiteral("00:%1.00").arg(30 + n));
    }
    Run();
  }

  // Collects event 1 again into the shared table.
  void Run() {
    PrintRequest request;
    request.events = {w.Listed(1)};
    PrintRunContext context = w.Context();
    EXPECT_FALSE(CollectForRun(request, context).has_value());
  }

  PreviewRecords Records() {
    return PreviewRecords{w.state, w.layout_db, w.options, w.layout, w.recipients, ini, w.folder()};
  }
  // Every printed document goes to output.
  OutputFactory Factory() {
    return [this] { return std::make_unique<ForwardingOutput>(output); };
  }

  PrintRunWorld w;
  QString ini;
  RecordingOutput output;
};

// The texts of a document's first page, in drawing order.
inline QStringList Texts(const PrintDocument* doc) {
  QStringList out;
  if (!doc || !doc->Page(1)) return out;
  for (const PageElement& e : doc->Page(1)->elements) {
    if (const auto* run = std::get_if<TextRun>(&e)) out << run->text;
  }
  return out;
}

inline int LineCount(const PrintDocument* doc) {
  int lines = 0;
  if (!doc || !doc->Page(1)) return 0;
  for (const PageElement& e : doc->Page(1)->elements)
    lines += std::holds_alternative<LineElement>(e);
  return lines;
}

}  // namespace kvsys::test
