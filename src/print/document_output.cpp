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

void SetUpPdf(QPdfWriter& writer, int paper) {
  writer.setPageSize(PdfPageSize(paper));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(static_cast<int>(kTwipsPerInch));
  writer.setCreator(QStringLiteral("KVSYS"));
  writer.setTitle(QStringLiteral("賞状"));
}

}  // namespace

std::vector<DocumentPlace> DocumentOutput::Finished(
    const std::vector<DocumentPlace>& planned) const {
  const OutputPlace written = WrittenTo();
  if (written.kind == OutputPlace::Kind::kNothing) return {};
  std::vector<DocumentPlace> places = planned;
  for (DocumentPlace& p : places) {
    p.place = written;
    p.held = false;
  }
  return places;
}

struct PdfOutput::Held {
  std::unique_ptr<PendingFile> file;
  QString base;  // the name the document asks for, before "_2" ...; empty: a time stamp
  QString stamp;
  bool planned = false;
};

PdfOutput::PdfOutput(QString folder)
    : folder_(std::move(folder)), clock_([] { return QDateTime::currentDateTime(); }) {}

PdfOutput::~PdfOutput() = default;

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

QByteArray PdfOutput::MakePdf(const PrintDocument& doc, QString* error) {
  if (folder_.isEmpty() || !QDir().mkpath(folder_)) {
    Fail(error, QStringLiteral("PDF出力フォルダを作成できませんでした。\r") + Shown(folder_));
    return {};
  }
  QByteArray pdf = writer_.Write(doc, placement_);
  if (pdf.isEmpty())
    pdf = DocumentToPdf(doc, placement_);  // what the writer cannot draw as the renderer does
  if (pdf.isEmpty()) Fail(error, QStringLiteral("PDFを作成できませんでした。"));
  return pdf;
}

QString PdfOutput::FreeName(const QString& base, const std::set<QString>& planned) const {
  const QDir dir(folder_);
  const QString stamp = clock_().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  for (int seq = 1; seq <= kMaxSequence; ++seq) {
    const QString path = base.isEmpty() ? dir.filePath(QStringLiteral("certificate-%1-%2.pdf")
                                                           .arg(stamp)
                                                           .arg(seq, 3, 10, QLatin1Char('0')))
                                        : dir.filePath(NumberedPdfName(base, seq));
    if (planned.count(path) == 0 && !QFileInfo::exists(path)) return path;
  }
  return QString();
}

bool PdfOutput::WriteFile(const PrintDocument& doc, QString* error) {
  const QByteArray pdf = MakePdf(doc, error);
  if (pdf.isEmpty()) return false;
  const QString base = doc.name.isEmpty() ? QString() : SafeFileName(doc.name);
  if (hold_) {
    // Written now, named and made durable with its batch.
    Held held{std::make_unique<PendingFile>(QDir(folder_).filePath(QStringLiteral("held.pdf"))),
              base, QString(), false};
    if (!held.file->Append(pdf)) return Fail(error, held.file->error());
    held.file->StartWriteback();
    held_.push_back(std::move(held));
    return true;
  }
  for (int attempt = 0; attempt < kMaxSequence; ++attempt) {
    const QString path = FreeName(base, {});
    if (path.isEmpty()) break;
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

DocumentOutput::Holding PdfOutput::HoldUntilPublished() {
  hold_ = true;
  return Holding::kBatch;
}

std::vector<DocumentPlace> PdfOutput::Plan() {
  std::vector<DocumentPlace> places;
  std::set<QString> planned;
  for (Held& h : held_) {
    if (!h.planned) {
      const QString name = FreeName(h.base, planned);
      if (name.isEmpty()) break;  // Publish says so
      h.file->SetPath(name);
      h.planned = true;
    }
    planned.insert(h.file->path());
    places.push_back({{OutputPlace::Kind::kPdfFile, h.file->path()}, 1, true});
  }
  return places;
}

bool PdfOutput::Publish(std::vector<DocumentPlace>* published, QString* error) {
  std::vector<Held> batch = std::move(held_);
  held_.clear();
  // The data of every file first, waited for together, then the names, then the folder.
  for (Held& h : batch) {
    if (!h.planned) {
      return Fail(error,
                  QStringLiteral("PDFファイルの名前を決められませんでした。\r") + Shown(folder_));
    }
    if (!h.file->Sync()) return Fail(error, h.file->error());
  }
  bool ok = true;
  for (Held& h : batch) {
    bool exists = false;
    while (!h.file->Publish(false, &exists, false)) {
      const QString next = exists ? FreeName(h.base, {}) : QString();
      if (next.isEmpty()) {
        ok = Fail(error, h.file->error());
        break;
      }
      h.file->SetPath(next);
    }
    if (!ok) break;
    last_file_ = h.file->path();
    if (published) published->push_back({{OutputPlace::Kind::kPdfFile, last_file_}, 1, false});
  }
  if (!batch.empty() && !SyncFolder(folder_) && ok) {
    ok = Fail(error, QStringLiteral("PDFファイルを書き込めませんでした。\r") + Shown(folder_));
  }
  return ok;
}

bool PdfOutput::Finish(QString* error) {
  if (held_.empty()) return true;
  Plan();
  return Publish(nullptr, error);
}

OutputPlace PdfOutput::WrittenTo() const {
  if (last_file_.isEmpty()) return {};
  return {OutputPlace::Kind::kPdfFolder, folder_};
}

DocumentPlace PdfOutput::LastWritten() const {
  if (!held_.empty()) return {{OutputPlace::Kind::kPdfFile, QString()}, 1, true};
  if (last_file_.isEmpty()) return {};
  return {{OutputPlace::Kind::kPdfFile, last_file_}, 1, false};
}

struct RunPdfOutput::Pdf {
  explicit Pdf(const QString& target) : part(target) {}
  PendingFile part;
  // Our writer, page by page to the hidden file; or, for a layout only Qt draws exactly
  // (vertical italic), Qt's PDF engine through the painter.
  std::unique_ptr<PdfWriter::File> ours;
  QFile file;
  std::unique_ptr<QPdfWriter> writer;
  QPainter painter;
  bool open = true;
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
    // Certificates are named "0001_..." and leave the file named 賞状.
    if (!doc.name.isEmpty() && !doc.name.front().isDigit()) title_ = SafeFileName(doc.name);
    // Named for real at the end; the hidden file lies in the same folder until then.
    pdf_ = std::make_unique<Pdf>(file_.isEmpty() ? QDir(folder_).filePath(QStringLiteral("run.pdf"))
                                                 : file_);
    if (!pdf_->part.Append(QByteArray())) {
      pdf_.reset();
      return Fail(error, failed);
    }
    // A run prints one layout: its first certificate tells which writer can draw it.
    if (writer_.CanWrite(doc)) {
      PendingFile* part = &pdf_->part;
      pdf_->ours = std::make_unique<PdfWriter::File>(
          writer_, [part](const QByteArray& bytes) { return part->Append(bytes); });
      pdf_->ours->SetPlacement(placement_);
    } else if (!StartQtPdf(doc.paper)) {
      pdf_.reset();
      return Fail(error, failed);
    }
  } else if (pdf_->ours) {
    // Nothing of a certificate our writer cannot draw goes in; the run stops at it.
  } else {
    pdf_->writer->setPageSize(PdfPageSize(doc.paper));
    if (!pdf_->writer->newPage()) return Fail(error, failed);
  }
  if (pdf_->ours) {
    if (!pdf_->ours->Add(doc)) {
      return Fail(error, writer_.CanWrite(doc)
                             ? failed
                             : QStringLiteral("この賞状は他の賞状と同じPDFファイルに書けません。") +
                                   QStringLiteral("\r") + doc.name);
    }
  } else {
    const double scale = pdf_->writer->resolution() / kTwipsPerInch;
    for (int page = 1; page <= doc.PageCount(); ++page) {
      if (page > 1 && !pdf_->writer->newPage()) return Fail(error, failed);
      RenderPage(doc, page, pdf_->painter, scale, placement_);
    }
  }
  last_page_ = pages_ + 1;
  first_pages_.push_back(last_page_);
  pages_ += doc.PageCount();
  return true;
}

bool RunPdfOutput::StartQtPdf(int paper) {
  if (!pdf_->file.open(pdf_->part.fd(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
    return false;
  }
  pdf_->writer = std::make_unique<QPdfWriter>(&pdf_->file);
  SetUpPdf(*pdf_->writer, paper);
  return pdf_->painter.begin(pdf_->writer.get());
}

bool RunPdfOutput::EndFile(QString* error) {
  if (!pdf_->open) return true;
  pdf_->open = false;
  bool ended = true;
  if (pdf_->ours) {
    ended = pdf_->ours->Close();
  } else {
    ended = pdf_->painter.end();
    pdf_->file.close();
    ended = ended && pdf_->file.error() == QFileDevice::NoError;
  }
  if (!ended) {
    pdf_.reset();
    return Fail(error, QStringLiteral("PDFファイルを書き込めませんでした。\r") +
                           Shown(file_.isEmpty() ? folder_ : file_));
  }
  return true;
}

std::vector<DocumentPlace> RunPdfOutput::Plan() {
  std::vector<DocumentPlace> places;
  if (!pdf_ || !written_.isEmpty() || !EndFile(nullptr)) return places;
  if (planned_.isEmpty()) {
    if (!file_.isEmpty()) {
      planned_ = file_;
    } else {
      const QString base =
          title_ + QLatin1Char('_') + clock_().toString(QStringLiteral("yyyyMMdd-HHmmss"));
      for (int seq = 1; seq <= kMaxSequence && planned_.isEmpty(); ++seq) {
        const QString path = QDir(folder_).filePath(NumberedPdfName(base, seq));
        if (!QFileInfo::exists(path)) planned_ = path;
      }
      if (planned_.isEmpty()) return places;
    }
  }
  for (int page : first_pages_) {
    places.push_back({{OutputPlace::Kind::kPdfFile, planned_}, page, true});
  }
  return places;
}

bool RunPdfOutput::Finish(QString* error) {
  if (!pdf_ || !written_.isEmpty()) return true;  // nothing printed, or done already
  const QString failed = QStringLiteral("PDFファイルを書き込めませんでした。\r") +
                         Shown(file_.isEmpty() ? folder_ : file_);
  if (!EndFile(error)) return false;
  if (planned_.isEmpty()) Plan();
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
  // The name planned, or (taken meanwhile by another desk) the next free one.
  const QString base = QFileInfo(planned_).completeBaseName().section(QLatin1Char('_'), 0, 1);
  QString path = planned_;
  for (int seq = 1; seq <= kMaxSequence && !path.isEmpty(); ++seq) {
    pdf_->part.SetPath(path);
    bool exists = false;
    if (pdf_->part.Publish(false, &exists)) {
      written_ = path;
      return true;
    }
    if (!exists) break;
    path.clear();
    for (int next = seq + 1; next <= kMaxSequence && path.isEmpty(); ++next) {
      const QString candidate = QDir(folder_).filePath(NumberedPdfName(base, next));
      if (!QFileInfo::exists(candidate)) path = candidate;
    }
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

QByteArray DocumentToPdf(const PrintDocument& doc, const QTransform& placement) {
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
      RenderPage(doc, page, painter, scale, placement);
    }
    if (!painter.end()) return {};
  }
  return buffer.data();
}

bool PrintDocumentOn(QPrinter& printer, const PrintDocument& doc, QString* error,
                     const QTransform& placement) {
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
    RenderPage(doc, page, painter, scale, placement);
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
  // Read once per queue, not once per certificate.
  if (calibrated_queue_ == queue_) return true;
  QString problem;
  calibration_ = LoadCalibration(settings_file_, queue_, &problem);
  // A value that cannot be read would put every text on the stock in the wrong place.
  if (!problem.isEmpty()) return Fail(error, problem);
  calibrated_queue_ = queue_;
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
  if (!PrintDocumentOn(printer, doc, error, calibration_.Twips())) return false;
  written_ = true;
  // So that the log can follow the job to its end.
  job_ = NewestOwnJob(queue_);
  return true;
}

std::vector<DocumentPlace> PrinterOutput::Plan() {
  // The default printer is named by the printing service.
  const QString queue = queue_.isEmpty() ? FindPrinterQueue(printer_name_).name : queue_;
  return {{{OutputPlace::Kind::kPrinter, queue}, 0, false}};
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

DocumentOutput::Holding MultiOutput::HoldUntilPublished() {
  Holding holding = Holding::kNone;
  for (DocumentOutput* out : outputs_) holding = std::max(holding, out->HoldUntilPublished());
  return holding;
}

std::vector<DocumentPlace> MultiOutput::Plan() {
  std::vector<DocumentPlace> first;
  for (DocumentOutput* out : outputs_) {
    std::vector<DocumentPlace> places = out->Plan();
    if (first.empty()) first = std::move(places);
  }
  return first;
}

bool MultiOutput::Publish(std::vector<DocumentPlace>* published, QString* error) {
  QStringList errors;
  bool said = false;
  for (DocumentOutput* out : outputs_) {
    std::vector<DocumentPlace> places;
    QString e;
    if (!out->Publish(&places, &e)) errors << e;
    if (published && !said && !places.empty()) {
      *published = std::move(places);
      said = true;
    }
  }
  if (errors.isEmpty()) return true;
  return Fail(error, errors.join(QLatin1Char('\r')));
}

std::vector<DocumentPlace> MultiOutput::Finished(const std::vector<DocumentPlace>& planned) const {
  for (DocumentOutput* out : outputs_) {
    std::vector<DocumentPlace> places = out->Finished(planned);
    if (!places.empty()) return places;
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
