// The JSON Lines dump: any document, every line is one JSON object that gives back what the
// document holds.

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include "fuzz_support.h"
#include "print/json_lines.h"
#include "print/print_document.h"

namespace {

QJsonObject Parse(const QByteArray& line) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) {
    std::fprintf(stderr, "not a JSON object: %s\n", line.constData());
    std::abort();
  }
  return doc.object();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  kvsys::PrintDocument doc;
  doc.paper = in.ConsumeIntegral<int>();
  doc.width = in.ConsumeIntegral<int>();
  doc.height = in.ConsumeIntegral<int>();
  const int number = in.ConsumeIntegralInRange<int>(1, 100000);
  doc.pages.resize(in.ConsumeIntegralInRange<size_t>(0, 3));
  for (kvsys::PrintPage& page : doc.pages) {
    const size_t count = in.ConsumeIntegralInRange<size_t>(0, 8);
    for (size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
      if (in.ConsumeBool()) {
        kvsys::TextRun run;
        run.x = in.ConsumeIntegral<int>();
        run.y = in.ConsumeIntegral<int>();
        run.size = in.ConsumeFloatingPoint<double>();
        run.bold = in.ConsumeBool();
        run.italic = in.ConsumeBool();
        run.font = kvsys::fuzz::RawText(in, 12);
        run.text = kvsys::fuzz::RawText(in, 60);
        page.elements.emplace_back(run);
      } else {
        page.elements.emplace_back(
            kvsys::LineElement{in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                               in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>()});
      }
    }
  }

  const QByteArray dump = kvsys::DocumentToJsonLines(doc, number);
  FUZZ_CHECK(dump.endsWith('\n'));
  QList<QByteArray> lines = dump.split('\n');
  lines.removeLast();
  size_t elements = 0;
  for (const kvsys::PrintPage& page : doc.pages) elements += page.elements.size();
  FUZZ_CHECK(static_cast<size_t>(lines.size()) == 1 + elements);

  const QJsonObject head = Parse(lines[0]);
  FUZZ_CHECK(head.value("doc").toInt() == number && head.value("op").toString() == "document");
  FUZZ_CHECK(head.value("paper").toInteger() == doc.paper);
  FUZZ_CHECK(head.value("width").toInteger() == doc.width);
  FUZZ_CHECK(head.value("height").toInteger() == doc.height);
  FUZZ_CHECK(head.value("pages").toInt() == doc.PageCount());
  qsizetype at = 1;
  for (int p = 1; p <= doc.PageCount(); ++p) {
    for (const kvsys::PageElement& e : doc.Page(p)->elements) {
      const QJsonObject o = Parse(lines[at++]);
      FUZZ_CHECK(o.value("doc").toInt() == number && o.value("page").toInt() == p);
      if (const auto* run = std::get_if<kvsys::TextRun>(&e)) {
        FUZZ_CHECK(o.value("op").toString() == "text");
        FUZZ_CHECK(o.value("x").toInteger() == run->x && o.value("y").toInteger() == run->y);
        FUZZ_CHECK(o.value("size").toDouble() == run->size);
        FUZZ_CHECK(o.value("bold").toBool() == run->bold);
        FUZZ_CHECK(o.value("italic").toBool() == run->italic);
        FUZZ_CHECK(o.value("font").toString() == run->font);
        FUZZ_CHECK(o.value("text").toString() == run->text);
      } else {
        const auto& line = std::get<kvsys::LineElement>(e);
        FUZZ_CHECK(o.value("op").toString() == "line");
        FUZZ_CHECK(o.value("x1").toInteger() == line.x1 && o.value("y1").toInteger() == line.y1);
        FUZZ_CHECK(o.value("x2").toInteger() == line.x2 && o.value("y2").toInteger() == line.y2);
      }
    }
  }
  return 0;
}
