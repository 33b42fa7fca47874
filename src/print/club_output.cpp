#include "print/club_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <algorithm>
#include <memory>

#include "common/new_file.h"
#include "common/serial_worker.h"
#include "print/file_names.h"
#include "print/page_renderer.h"
#include "print/paper.h"
#include "print/print_surface.h"

namespace kvsys {

namespace {

bool Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

QString Shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

// Why a club's file could not be written: the file's own reason, else the folder.
QString EndingError(const QString& why, const QString& folder) {
  return why.isEmpty() ? QStringLiteral("PDFファイルを書き込めませんでした。\r") + Shown(folder)
                       : why;
}

constexpr int kA4 = 9;
// Clubs waiting to be ended: at this many the ending thread is behind; the drawing thread
// waits at the most.
constexpr size_t kEndingBehind = 2;
constexpr int kMostWaitingEnds = 8;
constexpr int kMargin = 1134;  // 20 mm
constexpr int kRankColumn = 6500;
constexpr int kNameColumn = 8000;

// Makes everything written to the folder's file system durable; false when it could not say.
bool SyncFileSystemOf(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::syncfs(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace

QString ClubTitle(const QString& club) {
  return club.isEmpty() ? QStringLiteral("所属なし") : club;
}

PrintDocument DrawClubCover(const QString& club, const std::vector<const ClubCertificate*>& lines) {
  PrintSurface surface;
  surface.SetPreviewMode(true);
  surface.SetPaperSize(kA4);
  surface.SetMargins(kMargin, kMargin, kMargin, kMargin);
  surface.SetDocumentName(ClubTitle(club));
  surface.StartDoc();
  surface.SetFontName(QStringLiteral("ＭＳ 明朝"));
  surface.SetFontSize(16);
  surface.SetLineIndent(kMargin);
  // Texts the certificates laid out already (the club's name; an event's name and class) are
  // drawn on their own, the rest of the line after them: a cover then lays out little anew.
  surface.OutputText(ClubTitle(club));
  surface.OutputText(QStringLiteral(" 賞状一覧（%1枚）\r\r").arg(static_cast<int>(lines.size())));
  surface.SetFontSize(10.5);
  for (const ClubCertificate* c : lines) {
    // Each column starts where it stands on the page the line's first text went to.
    surface.SetCurrentX(kMargin);
    const QStringList parts = c->event.split(QChar(u'　'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
      surface.OutputText(i == 0 ? parts[i] : QChar(u'　') + parts[i]);
    }
    surface.SetCurrentX(kMargin + kRankColumn);
    surface.OutputText(c->rank);
    surface.SetCurrentX(kMargin + kNameColumn);
    surface.OutputText(c->name + QStringLiteral("\r"));
  }
  return surface.Document();
}

ClubPdfOutput::ClubPdfOutput(QString folder, const std::vector<ClubCertificate>& certificates)
    : folder_(std::move(folder)) {
  by_document_.reserve(static_cast<qsizetype>(certificates.size()));
  for (const ClubCertificate& c : certificates) by_document_.insert(c.document, c);
  for (const ClubCertificate& c : std::as_const(by_document_)) ++expected_[c.club];
}

ClubPdfOutput::~ClubPdfOutput() {
  // Files not yet ended are dropped; the one being ended is waited for, before the writer and
  // the clubs go.
  ending_.reset();
}

bool ClubPdfOutput::Ready(QString* error) {
  if (!club_of_.empty()) return true;
  if (folder_.isEmpty() || !QDir().mkpath(folder_)) {
    return Fail(error,
                QStringLiteral("PDF出力フォルダを作成できませんでした。\r") + Shown(folder_));
  }
  // Hidden files a killed run left behind.
  PendingFile::RemoveStale(folder_);
  QTemporaryFile probe(QDir(folder_).filePath(QStringLiteral(".kvsys-probe-XXXXXX")));
  if (!probe.open()) {
    return Fail(error, QStringLiteral("PDF出力フォルダに書き込めません。\r") + Shown(folder_));
  }
  return true;
}

bool ClubPdfOutput::Write(const PrintDocument& doc, QString* error) {
  if (finished_) return Fail(error, QStringLiteral("PDFファイルは出力済みです。"));
  // A file that could not be ended stops the run at once, not after the rest is drawn.
  if (ending_failed_) WaitForEnds();
  if (!failed_.isEmpty()) return Fail(error, failed_);
  const auto found = by_document_.constFind(doc.name);
  if (found == by_document_.cend()) {
    // Its club is not known: it must not end up in another club's file.
    return Fail(error, QStringLiteral("所属の分からない賞状です。\r") + doc.name);
  }
  if (doc.PageCount() == 0) {
    return Fail(error, QStringLiteral("PDFファイルを書き込めませんでした。\r") + doc.name);
  }
  const QString& club = found->club;
  auto at = club_index_.constFind(club);
  if (at == club_index_.cend()) {
    at = club_index_.insert(club, clubs_.size());
    Club& added = clubs_.emplace_back();
    added.club = club;
    added.expected = expected_.value(club);
    // Named for now; Plan gives the name it will have.
    added.part = std::make_unique<PendingFile>(
        QDir(folder_).filePath(NumberedPdfName(SafeFileName(ClubTitle(club)), 1)));
  }
  Club& target = clubs_[*at];
  if (target.ended) {
    // Its cover is drawn and its file ended.
    return Fail(error, QStringLiteral("PDFファイルの出力先は決定済みです。\r") + doc.name);
  }
  if (drawn_ == Drawn::kNotYet) drawn_ = writer_.CanWrite(doc) ? Drawn::kOurs : Drawn::kQt;
  if (drawn_ == Drawn::kOurs) {
    // Written while its texts' plans are at hand: a run of thousands would plan them again.
    if (!target.pdf) {
      PendingFile* part = target.part.get();
      target.pdf = std::make_unique<PdfWriter::File>(
          writer_, [part](const QByteArray& b) { return part->Append(b); });
      target.pdf->SetPlacement(placement_);
    }
    // The ending thread compresses the pages while it keeps up; behind (a row of small
    // clubs), this thread does, rather than wait for room in its queue.
    target.pdf->CompressWhenClosed(!ending_ || ending_->Waiting() < kEndingBehind);
    if (!target.pdf->Add(doc)) {
      const QString why = target.part->error();
      if (!why.isEmpty()) return Fail(error, failed_ = why);
      return Fail(
          error,
          writer_.CanWrite(doc)
              ? QStringLiteral("PDFファイルを書き込めませんでした。\r") + doc.name
              : QStringLiteral("この賞状は他の賞状と同じPDFファイルに書けません。\r") + doc.name);
    }
  } else {
    target.docs.push_back(docs_.size());
    docs_.push_back(doc);
  }
  target.lines.push_back(&*found);
  club_of_.push_back(*at);
  pages_of_.push_back(doc.PageCount());
  // The club's last certificate: its file is ended now, while the next club is drawn, so that
  // a run sorted by club never holds more than the club it is at.
  if (drawn_ == Drawn::kOurs && static_cast<int>(target.lines.size()) == target.expected) {
    CloseClub(target);
  }
  return true;
}

QString ClubPdfOutput::FreeName(const QString& base, const std::vector<QString>& taken) const {
  const QDir dir(folder_);
  for (int seq = 1; seq <= kMaxSequence; ++seq) {
    const QString path = dir.filePath(NumberedPdfName(base, seq));
    if (std::find(taken.begin(), taken.end(), path) == taken.end() && !QFileInfo::exists(path)) {
      return path;
    }
  }
  return QString();
}

void ClubPdfOutput::CloseClub(Club& club) {
  if (club.ended) return;
  club.ended = true;
  if (drawn_ == Drawn::kQt) {
    club.cover = DrawClubCover(club.club, club.lines);
    club.cover_pages = club.cover.PageCount();
    return;
  }
  // The cover is drawn here: this thread has laid out the names already, for the
  // certificates. A cover that cannot be added fails the file like any write.
  const bool covered = AddCover(club);
  if (!ending_) ending_ = std::make_unique<SerialWorker>(kMostWaitingEnds);
  // The club is the ending thread's until WaitForEnds: its file and its hidden file.
  ending_->Post([this, &club, covered] {
    const bool ok = covered && club.pdf->Close() && club.part->Close();
    club.pdf.reset();
    if (ok) return;
    club.ending_error = EndingError(club.part->error(), folder_);
    ending_failed_ = true;
  });
}

bool ClubPdfOutput::AddCover(Club& club) {
  const PrintDocument cover = DrawClubCover(club.club, club.lines);
  club.cover_pages = cover.PageCount();
  // The cover is a list on plain paper: no printer's calibration.
  club.pdf->SetPlacement(QTransform());
  return club.pdf->Add(cover, true);
}

bool ClubPdfOutput::WaitForEnds() {
  if (ending_) ending_->Wait();
  if (!ending_failed_) return true;
  for (const Club& club : clubs_) {
    if (failed_.isEmpty() && !club.ending_error.isEmpty()) failed_ = club.ending_error;
  }
  return false;
}

std::vector<DocumentPlace> ClubPdfOutput::Plan() {
  if (finished_ || !failed_.isEmpty()) return {};
  // A club some of whose certificates did not come (a run that stopped) ends here.
  for (Club& club : clubs_) {
    CloseClub(club);
  }
  if (!WaitForEnds()) return {};
  std::vector<QString> taken;
  for (Club& club : clubs_) {
    if (club.file.isEmpty()) {
      club.file = FreeName(SafeFileName(ClubTitle(club.club)), taken);
      if (club.file.isEmpty()) return {};
      club.part->SetPath(club.file);
    }
    taken.push_back(club.file);
  }
  return Places(true);
}

std::vector<DocumentPlace> ClubPdfOutput::Places(bool held) const {
  std::vector<int> next_page(clubs_.size());
  for (size_t c = 0; c < clubs_.size(); ++c) next_page[c] = clubs_[c].cover_pages + 1;
  std::vector<DocumentPlace> places;
  places.reserve(club_of_.size());
  for (size_t d = 0; d < club_of_.size(); ++d) {
    const size_t c = club_of_[d];
    places.push_back({{OutputPlace::Kind::kPdfFile, clubs_[c].file}, next_page[c], held});
    next_page[c] += pages_of_[d];
  }
  return places;
}

bool ClubPdfOutput::WriteQtPdf(Club& club) {
  // A layout only Qt draws exactly (vertical italic): the whole file through its engine.
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setPageSize(PdfPageSize(club.cover.paper));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(static_cast<int>(kTwipsPerInch));
  writer.setCreator(QStringLiteral("KVSYS"));
  writer.setTitle(ClubTitle(club.club));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  const double scale = writer.resolution() / kTwipsPerInch;
  bool first = true;
  const auto render = [&](const PrintDocument& doc, const QTransform& placement) {
    for (int page = 1; page <= doc.PageCount(); ++page) {
      if (!first) {
        writer.setPageSize(PdfPageSize(doc.paper));
        if (!writer.newPage()) return false;
      }
      first = false;
      RenderPage(doc, page, painter, scale, placement);
    }
    return true;
  };
  bool ok = render(club.cover, QTransform());
  for (size_t k = 0; ok && k < club.docs.size(); ++k) ok = render(docs_[club.docs[k]], placement_);
  if (!painter.end() || !ok) return false;
  buffer.close();
  club.cover = PrintDocument();
  return club.part->Append(pdf) && club.part->Close();
}

bool ClubPdfOutput::PublishClubs(std::vector<QString>& written, QString* error) {
  for (Club& club : clubs_) {
    if (drawn_ == Drawn::kQt && !WriteQtPdf(club)) {
      return Fail(error, EndingError(club.part->error(), folder_));
    }
  }
  // One flush of the file system for every club: syncing each new file on its own costs a
  // journal commit per club, most of the time of a run of hundreds of clubs.
  if (!SyncFileSystemOf(folder_)) {
    for (Club& club : clubs_) {
      if (!club.part->Sync()) return Fail(error, club.part->error());
    }
  }
  for (Club& club : clubs_) {
    bool exists = false;
    while (!club.part->Publish(false, &exists, false)) {
      // Taken meanwhile by another desk: the next free name.
      const QString next =
          exists ? FreeName(SafeFileName(ClubTitle(club.club)), written) : QString();
      if (next.isEmpty()) return Fail(error, club.part->error());
      club.file = next;
      club.part->SetPath(next);
    }
    written.push_back(club.file);
  }
  return true;
}

bool ClubPdfOutput::Finish(QString* error) {
  if (finished_ || club_of_.empty()) return true;
  if (Plan().size() != club_of_.size()) {
    return Fail(error,
                failed_.isEmpty()
                    ? QStringLiteral("PDFファイルの名前を決められませんでした。\r") + Shown(folder_)
                    : failed_);
  }
  // Every club's file or none: those published before a failure are taken back.
  std::vector<QString> written;
  bool ok = PublishClubs(written, error);
  if (ok && !SyncFolder(folder_)) {
    ok = Fail(error, QStringLiteral("PDFファイルを書き込めませんでした。\r") + Shown(folder_));
  }
  if (!ok) {
    for (const QString& path : written) QFile::remove(path);
    return false;
  }
  placed_ = Places(false);
  for (Club& club : clubs_) club.part.reset();
  finished_ = true;
  docs_.clear();
  docs_.shrink_to_fit();
  return true;
}

OutputPlace ClubPdfOutput::WrittenTo() const {
  if (!finished_) return {};
  return {OutputPlace::Kind::kPdfFolder, folder_};
}

DocumentPlace ClubPdfOutput::LastWritten() const {
  if (finished_) return placed_.empty() ? DocumentPlace{} : placed_.back();
  if (club_of_.empty()) return {};
  return {{OutputPlace::Kind::kPdfFile, QString()}, 0, true};
}

std::vector<DocumentPlace> ClubPdfOutput::Finished(
    const std::vector<DocumentPlace>& /*planned*/) const {
  return placed_;
}

std::vector<QString> ClubPdfOutput::files() const {
  std::vector<QString> files;
  if (!finished_) return files;
  for (const Club& club : clubs_) files.push_back(club.file);
  return files;
}

}  // namespace kvsys
