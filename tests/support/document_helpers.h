#pragma once

#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include "print/document_output.h"
#include "print/print_document.h"
#include "print/printer_queue.h"

namespace kvsys::test {

// Bounding box of the dark pixels of an image within region (empty when there are none).
inline QRect InkBox(const QImage& image, const QRect& region) {
  QRect box;
  const QRect r = region.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 160) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

inline TextRun TextAt(int x, int y, const QString& text, double size = 10,
                      const QString& font = QStringLiteral("ＭＳ 明朝")) {
  TextRun r;
  r.x = x;
  r.y = y;
  r.font = font;
  r.size = size;
  r.text = text;
  return r;
}

// What this machine says of a printer that is not there (the default one when name is empty):
// not found, or, where no printing service runs at all (a build machine), that the service
// does not answer. Either stops a run the same way.
inline QString AbsentPrinterText(const QString& name) {
  const PrinterQueue queue = FindPrinterQueue(name);
  const QueueState absent = name.isEmpty() ? QueueState::kNoDefault : QueueState::kMissing;
  EXPECT_TRUE(queue.state == absent || queue.state == QueueState::kNoService)
      << "a printer " << name.toStdString() << " is there";
  return QueueProblemText(queue);
}

// PDF bytes saved in a folder of its own and read by poppler's tools (poppler-utils); a tool
// that fails fails the test.
struct Poppler {
  QTemporaryDir dir;

  QString Save(const QByteArray& pdf, const QString& name) {
    QFile f(dir.filePath(name + QStringLiteral(".pdf")));
    if (!f.open(QIODevice::WriteOnly) || f.write(pdf) != pdf.size()) return {};
    return f.fileName();
  }
  QByteArray Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
      ADD_FAILURE() << tool.toStdString() << ": " << p.readAllStandardError().toStdString();
      return {};
    }
    return p.readAllStandardOutput();
  }
  // What poppler and Ghostscript say while reading every page of a PDF: empty when both read
  // it without a word.
  QString Complaints(const QByteArray& pdf, const QString& name) {
    const QString file = Save(pdf, name);
    QString said;
    for (const auto& [tool, args] : std::vector<std::pair<QString, QStringList>>{
             {QStringLiteral("pdftoppm"),
              {QStringLiteral("-r"), QStringLiteral("20"), file, dir.filePath(name)}},
             {QStringLiteral("gs"),
              {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
               QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=nullpage"), file}}}) {
      QProcess p;
      p.start(tool, args);
      if (!p.waitForFinished(60000) || p.exitCode() != 0) said += tool + QStringLiteral(" failed ");
      said += QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
    }
    return said;
  }
  // Where pdftotext finds the word on the file's first page, points from the top-left corner;
  // empty when it is not there.
  QRectF WordBox(const QString& file, const QString& word) {
    static const QRegularExpression box(
        QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    const QString words = QString::fromUtf8(
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                          QStringLiteral("1"), file, QStringLiteral("-")}));
    for (const auto& m : box.globalMatch(words)) {
      if (m.captured(5) != word) continue;
      return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                    QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }
    return {};
  }
  // The number of pages pdfinfo reads in a PDF file; 0 when it reads none.
  int Pages(const QString& file) {
    for (const QByteArray& line : Run(QStringLiteral("pdfinfo"), {file}).split('\n')) {
      if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    }
    return 0;
  }
  // Page n in grey at dpi.
  QImage Raster(const QByteArray& pdf, const QString& name, int page, int dpi = 100) {
    const QString file = Save(pdf, name);
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-f"),
         QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), file, dir.filePath(name)});
    return QImage(dir.filePath(name + QStringLiteral(".png")));
  }
};

// Records what a surface hands over, and can be told to refuse.
// Records what it is written. By default it is a printer queue: each document out as it is
// written. With gathers it is one file for the run (a run PDF): held until Finish, which puts
// the file under its name, or (finish_ok false) fails and leaves no file.
class RecordingOutput : public DocumentOutput {
 public:
  bool Ready(QString* error) override {
    ++ready_calls;
    if (!ready && error) *error = QStringLiteral("準備できません");
    return ready;
  }
  bool Write(const PrintDocument& doc, QString* error) override {
    if (!write_ok) {
      if (error) *error = QStringLiteral("書けません");
      return false;
    }
    written.push_back(doc);
    return true;
  }
  bool Finish(QString* error) override {
    ++finished;
    if (finish_ok) {
      file_there = gathers && !written.empty();
      return true;
    }
    if (error) *error = QStringLiteral("ファイルを置けません");
    return false;
  }
  OutputPlace WrittenTo() const override {
    if (gathers) return file_there ? Gathered() : OutputPlace{};
    return written.empty() ? OutputPlace{} : Queue();
  }
  DocumentPlace LastWritten() const override {
    if (written.empty()) return {};
    return gathers ? DocumentPlace{Gathered(), static_cast<int>(written.size()), true, 0}
                   : DocumentPlace{Queue(), 0, false, 0};
  }
  Holding HoldUntilPublished() override { return gathers ? Holding::kRun : Holding::kNone; }
  std::vector<DocumentPlace> Plan() override {
    if (!gathers) return {{Queue(), 0, false, 0}};
    std::vector<DocumentPlace> plan;
    for (size_t i = 0; i < written.size(); ++i) {
      plan.push_back({Gathered(), static_cast<int>(i) + 1, true, 0});
    }
    return plan;
  }
  bool ready = true;
  bool write_ok = true;
  bool finish_ok = true;
  bool gathers = false;
  int ready_calls = 0;
  int finished = 0;  // runs finished
  std::vector<PrintDocument> written;

 private:
  static OutputPlace Queue() { return {OutputPlace::Kind::kPrinter, QStringLiteral("recording")}; }
  static OutputPlace Gathered() {
    return {OutputPlace::Kind::kPdfFile, QStringLiteral("recording.pdf")};
  }
  bool file_there = false;
};

// Hands everything to another output, so that a test keeps what each run of a job (which owns
// its outputs) wrote. Every call is forwarded: a job that forgot one would go unseen.
class ForwardingOutput : public DocumentOutput {
 public:
  explicit ForwardingOutput(DocumentOutput& to) : to_(to) {}
  bool Ready(QString* error) override { return to_.Ready(error); }
  bool Write(const PrintDocument& doc, QString* error) override { return to_.Write(doc, error); }
  bool Finish(QString* error) override { return to_.Finish(error); }
  OutputPlace WrittenTo() const override { return to_.WrittenTo(); }
  DocumentPlace LastWritten() const override { return to_.LastWritten(); }
  Holding HoldUntilPublished() override { return to_.HoldUntilPublished(); }
  std::vector<DocumentPlace> Plan() override { return to_.Plan(); }
  bool Publish(std::vector<DocumentPlace>* published, QString* error) override {
    return to_.Publish(published, error);
  }
  std::vector<DocumentPlace> Finished(const std::vector<DocumentPlace>& planned) const override {
    return to_.Finished(planned);
  }

 private:
  DocumentOutput& to_;
};

}  // namespace kvsys::test
