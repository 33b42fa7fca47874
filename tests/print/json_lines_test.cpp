// The JSON Lines dump of documents.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "print/json_lines.h"
#include "print/print_surface.h"
#include "support/document_helpers.h"
#include "support/temp_folder.h"

namespace kvsys {
namespace {

using test::TempFolder;
using test::TextAt;

PrintDocument Sample() {
  PrintDocument doc;
  doc.paper = 12;
  doc.width = 14175;
  doc.height = 20072;
  doc.pages.push_back(
      PrintPage{{TextAt(5557, 3969, QStringLiteral("賞状"), 70), LineElement{0, 1, 14175, 1}}});
  return doc;
}

TEST(JsonLines, ExactFormatKeyOrderAndUnescapedJapanese) {
  EXPECT_EQ(
      DocumentToJsonLines(Sample(), 1),
      QByteArray(
          "{\"doc\":1,\"op\":\"document\",\"paper\":12,\"width\":14175,\"height\":20072,"
          "\"pages\":1}\n"
          "{\"doc\":1,\"page\":1,\"op\":\"text\",\"x\":5557,\"y\":3969,\"font\":\"ＭＳ 明朝\","
          "\"size\":70,\"bold\":false,\"italic\":false,\"text\":\"賞状\"}\n"
          "{\"doc\":1,\"page\":1,\"op\":\"line\",\"x1\":0,\"y1\":1,\"x2\":14175,\"y2\":1}\n"));
}

TEST(JsonLines, FractionalSizesEscapesAndSurrogatePairs) {
  PrintDocument doc = Sample();
  TextRun r =
      TextAt(-120, 7, QStringLiteral("\"a\\b\"\t\x01𠮷田"), 10.5, QStringLiteral("MS P明朝"));
  r.bold = true;
  doc.pages.push_back(PrintPage{{r}});
  const QByteArray lines = DocumentToJsonLines(doc, 7);
  EXPECT_TRUE(
      lines.startsWith("{\"doc\":7,\"op\":\"document\",\"paper\":12,\"width\":14175,"
                       "\"height\":20072,\"pages\":2}\n"));
  EXPECT_TRUE(lines.endsWith(
      QByteArray("{\"doc\":7,\"page\":2,\"op\":\"text\",\"x\":-120,\"y\":7,\"font\":\"MS P明朝\","
                 "\"size\":10.5,\"bold\":true,\"italic\":false,"
                 "\"text\":\"\\\"a\\\\b\\\"\\t\\u0001𠮷田\"}\n")));
  EXPECT_TRUE(QString::fromUtf8(lines).contains(QStringLiteral("𠮷田")));
}

// An unpaired surrogate has no UTF-8 form, and a U+FEFF that begins a string is dropped by
// Qt's reader: both are escaped, so the texts read back as they were.
TEST(JsonLines, UnpairedSurrogatesAndLeadingFeffAreEscapedAndReadBack) {
  PrintDocument doc = Sample();
  const QString text = QStringLiteral("a") + QChar(0xD842) + QStringLiteral("b𠮷") + QChar(0xDFB7);
  const QString font = QChar(0xFEFF) + QStringLiteral("ＭＳ 明朝");
  doc.pages.push_back(PrintPage{{TextAt(0, 0, text, 10, font)}});
  const QByteArray lines = DocumentToJsonLines(doc, 1);
  EXPECT_TRUE(lines.contains("\"text\":\"a\\ud842b\xF0\xA0\xAE\xB7\\udfb7\"}"));
  EXPECT_TRUE(lines.contains("\"font\":\"\\ufeff"));
  const QJsonObject last = QJsonDocument::fromJson(lines.split('\n').at(3)).object();
  EXPECT_EQ(last.value(QStringLiteral("text")).toString(), text);
  EXPECT_EQ(last.value(QStringLiteral("font")).toString(), font);
}

TEST(JsonLines, SinkWritesTheWholeRunAtItsEndOnly) {
  TempFolder tmp;
  tmp.Write(QStringLiteral("dump.jsonl"), "old run\n");
  const QString path = tmp.File(QStringLiteral("dump.jsonl"));
  // Two runs into one file at once: each finished run leaves a whole file, never a mixture.
  JsonLinesSink sink(path);
  JsonLinesSink other(path);
  PrintSurface s(&sink);
  PrintSurface t(&other);
  for (const QString& name : {QStringLiteral("一"), QStringLiteral("二")}) {
    for (PrintSurface* surface : {&s, &t}) {
      surface->StartDoc();
      surface->SetCurrentX(100);
      surface->SetCurrentY(200);
      surface->OutputText(name);
      ASSERT_TRUE(surface->EndDoc());
    }
  }
  EXPECT_EQ(tmp.Read(QStringLiteral("dump.jsonl")), QByteArray("old run\n"));
  QString error;
  ASSERT_TRUE(other.Finish(&error)) << error.toStdString();
  ASSERT_TRUE(sink.Finish(&error)) << error.toStdString();
  // Nothing is replaced: the old run stays, the two runs get "_2" and "_3".
  EXPECT_EQ(tmp.Read(QStringLiteral("dump.jsonl")), QByteArray("old run\n"));
  EXPECT_EQ(other.written_path(), tmp.File(QStringLiteral("dump_2.jsonl")));
  EXPECT_EQ(sink.written_path(), tmp.File(QStringLiteral("dump_3.jsonl")));
  EXPECT_EQ(tmp.Read(QStringLiteral("dump_2.jsonl")), tmp.Read(QStringLiteral("dump_3.jsonl")));
  const QList<QByteArray> lines = tmp.Read(QStringLiteral("dump_3.jsonl")).split('\n');
  ASSERT_EQ(lines.size(), 5);  // two documents of two lines, and the final newline
  EXPECT_TRUE(lines[0].startsWith("{\"doc\":1,\"op\":\"document\""));
  EXPECT_TRUE(lines[1].startsWith("{\"doc\":1,\"page\":1,\"op\":\"text\",\"x\":100,\"y\":200,"));
  EXPECT_TRUE(lines[3].startsWith("{\"doc\":2,\"page\":1,\"op\":\"text\""));
  EXPECT_TRUE(lines[3].endsWith("\"text\":\"二\"}"));
  EXPECT_EQ(sink.documents_written(), 2);
  // Nothing of the runs is left beside the files.
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

  // A run that never finishes leaves the file as it was.
  {
    JsonLinesSink abandoned(path);
    ASSERT_TRUE(abandoned.Write(Sample(), &error));
  }
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

  tmp.Write(QStringLiteral("dir/file"), "x");
  JsonLinesSink bad(tmp.File(QStringLiteral("dir/file/dump.jsonl")));
  EXPECT_FALSE(bad.Write(Sample(), &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("出力ファイルを作成できませんでした。")));
  EXPECT_EQ(bad.documents_written(), 0);
}

}  // namespace
}  // namespace kvsys
