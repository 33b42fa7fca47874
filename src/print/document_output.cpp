#include "print/document_output.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include "common/new_file.h"
#include "print/file_names.h"
#include "print/page_renderer.h"
#include "print/paper.h"
#include "print/printer_queue.h"

namespace kvsys {

namespace {

bool Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

QString Shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

constexpr int kMaxSequence = 999;

// The name with "_2", "_3", ... for the second and later tries.
QString Numbered(const QString& base, int seq) {
  return seq == 1 ? base + QStringLiteral(".pdf") : QStringLiteral("%1_%2.pdf").arg(base).arg(seq);
}

void SetUpPdf(QPdfWriter& writer, int paper) {
  writer.setPageSize(PdfPageSize(paper));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(static_cast<int>(kTwipsPerInch));
  writer.setCreator(QStringLiteral("KVSYS"));
  writer.setTitle(QStringLiteral("賞状"));
}

}  // namespace

PdfOutput::PdfOutput(QString folder)
    : folder_(std::move(folder)), clock_([] { return QDateTime::currentDateTime(); }) {}

bool PdfOutput::Ready(QString* error) {
  // Listing and probing the folder for every certificate made a run slower the more files the
  // folder held.
  if (checked_ && QFileInfo(folder_).isDir()) return true;
  checked_ = false;
  if (folder_.isEmpty() || !QDir().mkpath(folder_)) {
    return Fail(error,
                QStringLiteral("PDF出力フォルダを作成できませんでした。\r") + Shown(folder_));
  }
  PendingFile::RemoveStale(folder_);
  // Permission bits say little on a network share; only a real file tells.
  QTemporaryFile probe(QDir(folder_).filePath(QStringLiteral(".kvsys-probe-XXXXXX")));
  if (!probe.open()) {
    return Fail(error, QStringLiteral("PDF出力フォルダに書き込めません。\r") + Shown(folder_));
  }
  checked_ = true;
  return true;
}

bool PdfOutput::Write(const PrintDocument& doc, QString* error) {
  const bool written = WriteFile(doc, error);
  if (!written) checked_ = false;  // the next document probes the folder again
  return written;
}

bool PdfOutput::WriteFile(const PrintDocument& doc, QString* error) {
  if (folder_.isEmpty() || !QDir().mkpath(folder_)) {
    return Fail(error,
                QStringLiteral("PDF出力フォルダを作成できませんでした。\r") + Shown(folder_));
  }
  QByteArray pdf = writer_.Write(doc);
  if (pdf.isEmpty()) pdf = DocumentToPdf(doc);  // what the writer cannot draw as the renderer does
  if (pdf.isEmpty()) {
    return Fail(error, QStringLiteral("PDFを作成できませんでした。"));
  }
  const QDir dir(folder_);
  const QString stamp = clock_().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  const QString base = doc.name.isEmpty() ? QString() : SafeFileName(doc.name);
  for (int seq = 1; seq <= kMaxSequence; ++seq) {
    const QString path = base.isEmpty() ? dir.filePath(QStringLiteral("certificate-%1-%2.pdf")
                                                           .arg(stamp)
                                                           .arg(seq, 3, 10, QLatin1Char('0')))
                                        : dir.filePath(Numbered(base, seq));
    if (QFileInfo::exists(path)) continue;
    // A name taken meanwhile is never overwritten; a half-written file never gets a name.
    bool exists = false;
    if (!WriteNewFile(path, pdf, nullptr, &exists)) {
      if (exists) continue;
      return Fail(error, QStringLiteral("PDFファイルを書き込めませんでした。\r") + Shown(path));
    }
    last_file_ = path;
    return true;
  }
  return Fail(error,
              QStringLiteral("PDFファイルの名前を決められませんでした。\r") + Shown(folder_));
}

OutputPlace PdfOutput::WrittenTo() const {
  if (last_file_.isEmpty()) return {};
  return {OutputPlace::Kind::kPdfFolder, folder_};
}

DocumentPlace PdfOutput::LastWritten() const {
  if (last_file_.isEmpty()) return {};
  return {{OutputPlace::Kind::kPdfFile, last_file_}, 1, false};
}

struct RunPdfOutput::Pdf {
  explicit Pdf(const QString& target) : part(target) {}
  PendingFile part;
  QFile file;
  std::unique_ptr<QPdfWriter> writer;
  QPainter painter;
};

RunPdfOutput::RunPdfOutput(QString folder, QString file)
    : folder_(std::move(folder)),
      file_(std::move(file)),
      clock_([] { return QDateTime::currentDateTime(); }) {
  if (!file_.isEmpty()) folder_ = QFileInfo(file_).absolutePath();
}

RunPdfOutput::~RunPdfOutput() {
  if (pdf_ && pdf_->painter.isActive()) pdf_->painter.end();
}

bool RunPdfOutput::Ready(QString* error) {
  if (pdf_) return true;
  if (folder_.isEmpty() || !QDir().mkpath(folder_)) {
    return Fail(error,
                QStringLiteral("PDF出力フォルダを作成できませんでした。\r") + Shown(folder_));
  }
  if (!file_.isEmpty() && QFileInfo::exists(file_)) {
    return Fail(error, QStringLiteral("同じ名前のファイルがあります。\r") + Shown(file_));
  }
  PendingFile::RemoveStale(folder_);
  return true;
}

bool RunPdfOutput::Write(const PrintDocument& doc, QString* error) {
  const QString failed = QStringLiteral("PDFファイルを書き込めませんでした。\r") +
                         Shown(file_.isEmpty() ? folder_ : file_);
  if (doc.PageCount() == 0) return Fail(error, failed);
  if (!pdf_) {
    if (!Ready(error)) return false;
    // Named for real at the end; the hidden file lies in the same folder until then.
    pdf_ = std::make_unique<Pdf>(file_.isEmpty() ? QDir(folder_).filePath(QStringLiteral("run.pdf"))
                                                 : file_);
    if (!pdf_->part.Append(QByteArray()) ||
        !pdf_->file.open(pdf_->part.fd(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
      pdf_.reset();
      return Fail(error, failed);
    }
    pdf_->writer = std::make_unique<QPdfWriter>(&pdf_->file);
    SetUpPdf(*pdf_->writer, doc.paper);
    if (!pdf_->painter.begin(pdf_->writer.get())) {
      pdf_.reset();
      return Fail(error, failed);
    }
  } else {
    pdf_->writer->setPageSize(PdfPageSize(doc.paper));
    if (!pdf_->writer->newPage()) return Fail(error, failed);
  }
  const double scale = pdf_->writer->resolution() / kTwipsPerInch;
  for (int page = 1; page <= doc.PageCount(); ++page) {
    if (page > 1 && !pdf_->writer->newPage()) return Fail(error, failed);
    RenderPage(doc, page, pdf_->painter, scale);
  }
  last_page_ = pages_ + 1;
  pages_ += doc.PageCount();
  return true;
}

bool RunPdfOutput::Finish(QString* error) {
  if (!pdf_ || !written_.isEmpty()) return true;  // nothing printed, or done already
  const QString failed = QStringLiteral("PDFファイルを書き込めませんでした。\r") +
                         Shown(file_.isEmpty() ? folder_ : file_);
  const bool ended = pdf_->painter.end();
  pdf_->file.close();
  if (!ended || pdf_->file.error() != QFileDevice::NoError) {
    pdf_.reset();
    return Fail(error, failed);
  }
  if (!file_.isEmpty()) {
    bool exists = false;
    if (!pdf_->part.Publish(false, &exists)) {
      const QString why = pdf_->part.error();
      pdf_.reset();
      return Fail(error, why);
    }
    written_ = file_;
    return true;
  }
  const QString base =
      QStringLiteral("賞状_") + clock_().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  for (int seq = 1; seq <= kMaxSequence; ++seq) {
    const QString path = QDir(folder_).filePath(Numbered(base, seq));
    if (QFileInfo::exists(path)) continue;
    pdf_->part.SetPath(path);
    bool exists = false;
    if (pdf_->part.Publish(false, &exists)) {
      written_ = path;
      return true;
    }
    if (!exists) break;
  }
  pdf_.reset();
  return Fail(error, failed);
}

OutputPlace RunPdfOutput::WrittenTo() const {
  if (written_.isEmpty()) return {};
  return {OutputPlace::Kind::kPdfFile, written_};
}

DocumentPlace RunPdfOutput::LastWritten() const {
  if (last_page_ == 0) return {};
  return {{OutputPlace::Kind::kPdfFile, written_}, last_page_, written_.isEmpty()};
}

QByteArray DocumentToPdf(const PrintDocument& doc) {
  if (doc.PageCount() == 0) return {};
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    SetUpPdf(writer, doc.paper);
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    const double scale = writer.resolution() / kTwipsPerInch;
    for (int page = 1; page <= doc.PageCount(); ++page) {
      if (page > 1 && !writer.newPage()) return {};
      RenderPage(doc, page, painter, scale);
    }
    if (!painter.end()) return {};
  }
  return buffer.data();
}

bool PrintDocumentOn(QPrinter& printer, const PrintDocument& doc, QString* error) {
  const QString failed =
      QStringLiteral("プリンタに印刷できませんでした。\r") + printer.printerName();
  if (doc.PageCount() == 0) return Fail(error, failed);
  printer.setDocName(QStringLiteral("賞状"));
  printer.setFullPage(true);
  printer.setPageOrientation(QPageLayout::Portrait);
  // A printer without this paper keeps its own; the sheet is drawn from its top-left corner.
  printer.setPageSize(PrinterPageSize(doc.paper));
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  QPainter painter;
  if (!painter.begin(&printer)) return Fail(error, failed);
  const double scale = printer.resolution() / kTwipsPerInch;
  for (int page = 1; page <= doc.PageCount(); ++page) {
    if (page > 1 && !printer.newPage()) {
      painter.end();
      return Fail(error, failed);
    }
    RenderPage(doc, page, painter, scale);
  }
  if (!painter.end()) return Fail(error, failed);
  if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted) {
    return Fail(error, failed);
  }
  return true;
}

QString DefaultPrinterName() {
  return QPrinterInfo::defaultPrinter().printerName();
}

bool PrinterOutput::Ready(QString* error) {
  const PrinterQueue queue = FindPrinterQueue(printer_name_);
  if (queue.state != QueueState::kReady) return Fail(error, QueueProblemText(queue));
  queue_ = queue.name;
  return true;
}

bool PrinterOutput::Write(const PrintDocument& doc, QString* error) {
  if (!Ready(error)) return false;
  const QPrinterInfo info = QPrinterInfo::printerInfo(queue_);
  // The printing service and Qt's view of it may differ for a moment.
  if (info.isNull()) {
    return Fail(error, QueueProblemText({queue_, QueueState::kMissing}));
  }
  QPrinter printer(info, QPrinter::HighResolution);
  if (!PrintDocumentOn(printer, doc, error)) return false;
  written_ = true;
  // So that the log can follow the job to its end.
  job_ = NewestOwnJob(queue_);
  return true;
}

OutputPlace PrinterOutput::WrittenTo() const {
  if (!written_) return {};
  return {OutputPlace::Kind::kPrinter, queue_};
}

DocumentPlace PrinterOutput::LastWritten() const {
  if (!written_) return {};
  return {{OutputPlace::Kind::kPrinter, queue_}, 0, false, job_};
}

bool MultiOutput::Ready(QString* error) {
  for (DocumentOutput* out : outputs_) {
    if (!out->Ready(error)) return false;
  }
  return true;
}

OutputPlace MultiOutput::WrittenTo() const {
  for (DocumentOutput* out : outputs_) {
    if (const OutputPlace place = out->WrittenTo(); place.kind != OutputPlace::Kind::kNothing) {
      return place;
    }
  }
  return {};
}

DocumentPlace MultiOutput::LastWritten() const {
  for (DocumentOutput* out : outputs_) {
    if (const DocumentPlace last = out->LastWritten();
        last.page != 0 || last.held || last.place.kind != OutputPlace::Kind::kNothing) {
      return last;
    }
  }
  return {};
}

bool MultiOutput::Finish(QString* error) {
  QStringList errors;
  for (DocumentOutput* out : outputs_) {
    QString e;
    if (!out->Finish(&e)) errors << e;
  }
  if (errors.isEmpty()) return true;
  return Fail(error, errors.join(QLatin1Char('\r')));
}

bool MultiOutput::Write(const PrintDocument& doc, QString* error) {
  QStringList errors;
  for (DocumentOutput* out : outputs_) {
    QString e;
    if (!out->Write(doc, &e)) errors << e;
  }
  if (errors.isEmpty()) return true;
  return Fail(error, errors.join(QLatin1Char('\r')));
}

}  // namespace kvsys
