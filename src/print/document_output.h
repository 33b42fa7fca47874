#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "print/calibration.h"
#include "print/pdf_writer.h"
#include "print/print_document.h"

class QPrinter;

namespace kvsys {

// Where an output put what it wrote.
struct OutputPlace {
  enum class Kind { kNothing, kPrinter, kPdfFile, kPdfFolder };
  Kind kind = Kind::kNothing;
  QString where;  // the queue, the PDF file or the folder of the certificates' files

  bool IsPdf() const { return kind == Kind::kPdfFile || kind == Kind::kPdfFolder; }
};

// Where the document written last went: the place (for a file that gathers the run, known once
// the output finished), its first page there, and whether it comes out only when the output
// finishes.
struct DocumentPlace {
  OutputPlace place;
  int page = 0;
  bool held = false;
  int job = 0;  // the printing service's job, when it said
};

// Where finished documents go. Failures come back as a Japanese text for the operator; an
// output never reports success for a document it did not write.
class DocumentOutput {
 public:
  virtual ~DocumentOutput() = default;
  // PDF files: where the sheet's content is placed (twips to twips), a printer's calibration
  // the operator asked for in them; the layout's own positions unless set.
  void SetPlacement(const QTransform& placement) { placement_ = placement; }
  // Whether a document could be written now (folder there and writable, printer present).
  virtual bool Ready(QString* error) = 0;
  // Writes one document, all pages.
  virtual bool Write(const PrintDocument& doc, QString* error) = 0;
  // The run is over (done, or stopped by the operator after whole documents): an output that
  // gathers the run's documents in one file puts it under its name now. An output left
  // unfinished (the run failed) leaves nothing behind.
  virtual bool Finish(QString* /*error*/) { return true; }
  // Where the documents written so far went (a file that gathers a run: once finished).
  virtual OutputPlace WrittenTo() const { return {}; }
  // Where the document written last went; nothing for an output that keeps no document (a dump).
  virtual DocumentPlace LastWritten() const { return {}; }

  // How the output gives out what it is written: each document at once (a printer), held in
  // batches until Publish (a file per document), or held for the whole run until Finish (one
  // file). Where a held document will appear is fixed (Plan) before it does, so that a log can
  // record it first.
  enum class Holding { kNone, kBatch, kRun };
  // Asks the output to hold documents when it can; how it holds from now on.
  virtual Holding HoldUntilPublished() { return Holding::kNone; }
  // Where the held documents will appear, in the order written, fixed from now on; for an
  // output that holds nothing, where the next document will go (empty: nowhere).
  virtual std::vector<DocumentPlace> Plan() { return {}; }
  // Makes a batch of held documents appear; where each went, in order (a name taken meanwhile
  // moves a document to the next free one). False when one could not: those before it are out,
  // the rest are dropped.
  virtual bool Publish(std::vector<DocumentPlace>* /*published*/, QString* /*error*/) {
    return true;
  }
  // After Finish, where the documents held for the run came out, in the order written (planned:
  // what Plan said): by default all in the file WrittenTo names; nothing when none came out.
  virtual std::vector<DocumentPlace> Finished(const std::vector<DocumentPlace>& planned) const;

 protected:
  QTransform placement_;
};

// One PDF file per document in a folder, created when needed. A file is named after what the
// document holds ("0001_男子50m自由形_1位_山田太郎.pdf", made safe for any file system), or a
// time stamp and a sequence number ("certificate-20250601-093000-001.pdf") when it says
// nothing; a taken name gets "_2", "_3", ... An existing file is never replaced, not even one
// another workstation creates at the same moment, and a file appears under its name only once
// it is complete.
class PdfOutput : public DocumentOutput {
 public:
  explicit PdfOutput(QString folder);
  ~PdfOutput() override;
  bool Ready(QString* error) override;
  bool Write(const PrintDocument& doc, QString* error) override;
  // Publishes what is held.
  bool Finish(QString* error) override;
  OutputPlace WrittenTo() const override;
  DocumentPlace LastWritten() const override;
  Holding HoldUntilPublished() override;
  std::vector<DocumentPlace> Plan() override;
  // The batch is made durable together: its files' data and then the folder, once each.
  bool Publish(std::vector<DocumentPlace>* published, QString* error) override;

  const QString& folder() const { return folder_; }
  // The file written last (empty before the first).
  const QString& last_file() const { return last_file_; }
  // For tests: the time that names the files.
  void SetClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

 private:
  bool WriteFile(const PrintDocument& doc, QString* error);
  QByteArray MakePdf(const PrintDocument& doc, QString* error);
  // A free name for the document named base (empty: a time stamp), not one planned already.
  QString FreeName(const QString& base, const std::set<QString>& planned) const;

  struct Held;
  QString folder_;
  QString last_file_;
  bool hold_ = false;
  std::vector<Held> held_;
  std::function<QDateTime()> clock_;
  PdfWriter writer_;  // keeps the fonts and texts of the run between its files
  // The folder was probed and written to: later documents of the run only check it is there.
  bool checked_ = false;
};

// All documents of a run as the pages of one PDF file, in order, fonts embedded once. The file
// appears when the run finishes: the given file, or "賞状_20250601-093000.pdf" in the folder
// (named after its first document instead when that names itself in words: "表彰進行表_...")
// (with "_2", ... when taken). An existing file is never replaced; a run that does not finish
// leaves nothing.
class RunPdfOutput : public DocumentOutput {
 public:
  // file empty: a new file in folder.
  RunPdfOutput(QString folder, QString file = QString());
  ~RunPdfOutput() override;
  bool Ready(QString* error) override;
  bool Write(const PrintDocument& doc, QString* error) override;
  bool Finish(QString* error) override;
  OutputPlace WrittenTo() const override;
  DocumentPlace LastWritten() const override;
  // The whole run is held until Finish.
  Holding HoldUntilPublished() override { return Holding::kRun; }
  // Ends the file and chooses its name; Finish puts it there.
  std::vector<DocumentPlace> Plan() override;

  // The file written (empty before Finish).
  const QString& file() const { return written_; }
  int pages() const { return pages_; }
  void SetClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

 private:
  struct Pdf;
  QString folder_;
  QString file_;
  QString written_;
  bool EndFile(QString* error);
  bool StartQtPdf(int paper);

  PdfWriter writer_;  // keeps the fonts and texts of the run
  std::unique_ptr<Pdf> pdf_;
  int pages_ = 0;
  int last_page_ = 0;             // the first page of the document written last
  std::vector<int> first_pages_;  // of each document written
  QString planned_;               // the name Plan chose
  // What a new file is named after: 賞状, or a document that names itself in words (the
  // ceremony sheet) when it comes first.
  QString title_ = QStringLiteral("賞状");
  std::function<QDateTime()> clock_;
};

// The document as a PDF, in memory: vector text, one page per page, sized from the paper code.
// Empty on failure.
QByteArray DocumentToPdf(const PrintDocument& doc, const QTransform& placement = QTransform());

// Paints every page of the document on an already configured printer, one job. Sets the paper
// from the document's code, full page, no margins. placement (twips to twips): where the
// printer's calibration puts the sheet's content.
bool PrintDocumentOn(QPrinter& printer, const PrintDocument& doc, QString* error,
                     const QTransform& placement = QTransform());

// A printer of the system (CUPS) by its queue's name, one job per document; an empty name is
// the system's default printer. Each document first asks whether the queue is there, started
// and taking jobs, so nothing is sent to a queue that would hold it unprinted or drop it.
class PrinterOutput : public DocumentOutput {
 public:
  // settings_file: the workstation's KVSYS.ini, whose calibration of the queue (found again by
  // each Ready) moves and scales every page; empty: none.
  explicit PrinterOutput(QString printer_name, QString settings_file = QString())
      : printer_name_(std::move(printer_name)), settings_file_(std::move(settings_file)) {}
  bool Ready(QString* error) override;
  bool Write(const PrintDocument& doc, QString* error) override;
  OutputPlace WrittenTo() const override;
  DocumentPlace LastWritten() const override;
  // The queue the next document goes to.
  std::vector<DocumentPlace> Plan() override;
  const QString& printer_name() const { return printer_name_; }
  // The queue's calibration as the last Ready read it.
  const PrinterCalibration& calibration() const { return calibration_; }

 private:
  QString printer_name_;
  QString settings_file_;
  PrinterCalibration calibration_;
  QString calibrated_queue_;  // the queue calibration_ was read for
  QString queue_;             // the queue the last Ready found
  bool written_ = false;
  int job_ = 0;  // the job of the document written last
};

// The name of the system's default printer; empty when there is none.
QString DefaultPrinterName();

// Writes each document to several outputs (a PDF folder and a dump, say); fails when any of
// them fails, after trying them all. Where it wrote is where the first of them that wrote did.
class MultiOutput : public DocumentOutput {
 public:
  MultiOutput() = default;
  // Not owned.
  explicit MultiOutput(std::vector<DocumentOutput*> outputs) : outputs_(std::move(outputs)) {}
  // One more output, kept by this one.
  void Add(std::unique_ptr<DocumentOutput> output) {
    outputs_.push_back(output.get());
    owned_.push_back(std::move(output));
  }
  bool Empty() const { return outputs_.empty(); }
  bool Ready(QString* error) override;
  bool Write(const PrintDocument& doc, QString* error) override;
  bool Finish(QString* error) override;
  OutputPlace WrittenTo() const override;
  DocumentPlace LastWritten() const override;
  // Every output is asked; the places are those of the first that holds (or sends).
  Holding HoldUntilPublished() override;
  std::vector<DocumentPlace> Plan() override;
  bool Publish(std::vector<DocumentPlace>* published, QString* error) override;
  // Those of the first output that says.
  std::vector<DocumentPlace> Finished(const std::vector<DocumentPlace>& planned) const override;

 private:
  std::vector<DocumentOutput*> outputs_;
  std::vector<std::unique_ptr<DocumentOutput>> owned_;
};

}  // namespace kvsys
