#pragma once

#include <QHash>
#include <QString>
#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "print/document_output.h"
#include "print/pdf_writer.h"
#include "print/print_document.h"

namespace kvsys {

class PendingFile;
class SerialWorker;

// What a club's cover lists of one certificate, and which document of the run it is.
struct ClubCertificate {
  QString document;  // the document's name (PrintDocument::name), unique in the run
  QString club;      // empty: no affiliation
  QString event;     // event, stage and class
  QString rank;
  QString name;
};

// The name a club's file and cover go by: an empty affiliation is 「所属なし」.
QString ClubTitle(const QString& club);

// The cover of a club's file: 「{所属} 賞状一覧（n枚）」 and one line per certificate (event,
// rank, name), A4 portrait, going on to further pages when the list is long.
PrintDocument DrawClubCover(const QString& club, const std::vector<const ClubCertificate*>& lines);

// One PDF file per club, named after it ("{所属}.pdf", made safe; "_2", ... when two clubs'
// names meet or a file of the name exists: an existing file is never replaced), each
// beginning with a cover that lists the certificates the file holds. The run is held until
// Finish, which publishes every club's file or, when one cannot be written, none. Documents
// are told apart by their names, which the certificates given name. A club whose certificates
// have all come is finished at once: its cover is drawn, and its file ended on a thread of its
// own (fonts, page tree, the hidden file on disk) while the next club is drawn. That thread
// draws nothing. A run sorted by club holds only the club it is at.
class ClubPdfOutput : public DocumentOutput {
 public:
  ClubPdfOutput(QString folder, const std::vector<ClubCertificate>& certificates);
  ~ClubPdfOutput() override;
  bool Ready(QString* error) override;
  // Adds the document to its club's file; a document none of the certificates names is refused.
  // The first document tells which writer draws the run (ours, the pages written as they
  // come; or Qt's engine, the documents held until Finish), as for a run into one file.
  // The club's last certificate (ours) draws its cover and closes its file.
  bool Write(const PrintDocument& doc, QString* error) override;
  bool Finish(QString* error) override;
  // The folder, once the files are there.
  OutputPlace WrittenTo() const override;
  DocumentPlace LastWritten() const override;
  Holding HoldUntilPublished() override { return Holding::kRun; }
  // Each club's file named and its cover drawn: every document's file and page (after the
  // cover) in the order written.
  std::vector<DocumentPlace> Plan() override;
  std::vector<DocumentPlace> Finished(const std::vector<DocumentPlace>& planned) const override;

  // The files written, in the order of the clubs' first certificates (empty before Finish).
  std::vector<QString> files() const;

 private:
  struct Club {
    QString club;
    std::vector<const ClubCertificate*> lines;  // what the cover lists, in the order written
    int expected = 0;                           // its certificates in the run
    std::vector<size_t> docs;                   // into docs_ (Qt's engine)
    std::unique_ptr<PendingFile> part;          // the hidden file, named once planned
    std::unique_ptr<PdfWriter::File> pdf;       // our writer's file until it is closed
    PrintDocument cover;                        // Qt's engine: drawn by Plan, kept for Finish
    int cover_pages = 0;                        // 0 until the cover is drawn
    bool ended = false;                         // no more certificates: the file is being ended
    QString file;
    QString ending_error;  // set by the thread that ends the file; read after it has
  };
  enum class Drawn { kNotYet, kOurs, kQt };
  // Ends the club's file (once): our writer's file is given its cover here and ended on the
  // ending thread, Qt's engine's cover is drawn for Finish.
  void CloseClub(Club& club);
  // Draws the club's cover and puts it before its certificates in our writer's file.
  bool AddCover(Club& club);
  // Until every club's file handed to the ending thread is ended; false (failed_ set) when one
  // could not be.
  bool WaitForEnds();
  // The club's file drawn by Qt's engine into its hidden file, the cover first.
  bool WriteQtPdf(Club& club);
  // Makes every club's hidden file durable and gives it its name, adding each to written.
  bool PublishClubs(std::vector<QString>& written, QString* error);
  QString FreeName(const QString& base, const std::vector<QString>& taken) const;
  // Each document's file and page (after its club's cover), in the order written.
  std::vector<DocumentPlace> Places(bool held) const;

  QString folder_;
  QHash<QString, ClubCertificate> by_document_;
  QHash<QString, int> expected_;  // certificates per club
  Drawn drawn_ = Drawn::kNotYet;
  std::vector<PrintDocument> docs_;  // held for Qt's engine
  std::vector<size_t> club_of_;      // per document, into clubs_
  std::vector<int> pages_of_;        // per document
  std::deque<Club> clubs_;           // a club's file keeps its place as clubs are added
  QHash<QString, size_t> club_index_;
  std::vector<DocumentPlace> placed_;  // after Finish: where each document came out
  bool finished_ = false;
  QString failed_;    // why a club's file could not be written: the run publishes none
  PdfWriter writer_;  // keeps the fonts between the clubs' files
  // Ends the clubs' files; stopped before the writer and the files it ends go.
  std::unique_ptr<SerialWorker> ending_;
  std::atomic<bool> ending_failed_{false};
};

}  // namespace kvsys
