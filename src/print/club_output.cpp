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

// Club files written and made durable together; each holds a descriptor meanwhile.
constexpr size_t kClubBatch = 64;
constexpr int kA4 = 9;
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
  surface.OutputText(QStringLiteral("%1 賞状一覧（%2枚）\r\r")
                         .arg(ClubTitle(club))
                         .arg(static_cast<int>(lines.size())));
  surface.SetFontSize(10.5);
  for (const ClubCertificate* c : lines) {
    // Each column starts where it stands on the page the line's first text went to.
    surface.SetCurrentX(kMargin);
    surface.OutputText(c->event);
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
}

ClubPdfOutput::~ClubPdfOutput() = default;

bool ClubPdfOutput::Ready(QString* error) {
  if (!club_of_.empty()) return true;
  if (folder_.isEmpty() || !QDir().mkpath(folder_)) {
    return Fail(error,
                QStringLiteral("PDF出力フォルダを作成できませんでした。\r") + Shown(folder_));
  }
  QTemporaryFile probe(QDir(folder_).filePath(QStringLiteral(".kvsys-probe-XXXXXX")));
  if (!probe.open()) {
    return Fail(error, QStringLiteral("PDF出力フォルダに書き込めません。\r") + Shown(folder_));
  }
  return true;
}

bool ClubPdfOutput::Write(const PrintDocument& doc, QString* error) {
  if (finished_) return Fail(error, QStringLiteral("PDFファイルは出力済みです。"));
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
    clubs_.emplace_back().club = club;
  }
  Club& target = clubs_[*at];
  if (target.planned) {
    // Its cover was drawn and its pages counted already.
    return Fail(error, QStringLiteral("PDFファイルの出力先は決定済みです。\r") + doc.name);
  }
  if (drawn_ == Drawn::kNotYet) drawn_ = writer_.CanWrite(doc) ? Drawn::kOurs : Drawn::kQt;
  if (drawn_ == Drawn::kOurs) {
    // Written while its texts' plans are at hand: a run of thousands would plan them again.
    if (!target.pdf) {
      QByteArray* bytes = &target.bytes;
      target.pdf = std::make_unique<PdfWriter::File>(writer_, [bytes](const QByteArray& b) {
        bytes->append(b);
        return true;
      });
    }
    if (!target.pdf->Add(doc)) {
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

std::vector<DocumentPlace> ClubPdfOutput::Plan() {
  if (finished_) return {};
  std::vector<QString> taken;
  for (Club& club : clubs_) {
    if (!club.planned) {
      club.file = FreeName(SafeFileName(ClubTitle(club.club)), taken);
      if (club.file.isEmpty()) return {};
      club.cover = DrawClubCover(club.club, club.lines);
      club.planned = true;
    }
    taken.push_back(club.file);
  }
  std::vector<int> next_page(clubs_.size());
  for (size_t c = 0; c < clubs_.size(); ++c) next_page[c] = clubs_[c].cover.PageCount() + 1;
  std::vector<DocumentPlace> places;
  for (size_t d = 0; d < club_of_.size(); ++d) {
    const size_t c = club_of_[d];
    places.push_back({{OutputPlace::Kind::kPdfFile, clubs_[c].file}, next_page[c], true});
    next_page[c] += pages_of_[d];
  }
  return places;
}

bool ClubPdfOutput::WriteClubPdf(Club& club, PendingFile& part) {
  if (club.pdf) {
    const bool ok = club.pdf->Add(club.cover, true) && club.pdf->Close() && part.Append(club.bytes);
    club.pdf.reset();
    club.bytes = QByteArray();
    return ok;
  }
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
  const auto render = [&](const PrintDocument& doc) {
    for (int page = 1; page <= doc.PageCount(); ++page) {
      if (!first) {
        writer.setPageSize(PdfPageSize(doc.paper));
        if (!writer.newPage()) return false;
      }
      first = false;
      RenderPage(doc, page, painter, scale);
    }
    return true;
  };
  bool ok = render(club.cover);
  for (size_t k = 0; ok && k < club.docs.size(); ++k) ok = render(docs_[club.docs[k]]);
  if (!painter.end() || !ok) return false;
  buffer.close();
  return part.Append(pdf);
}

bool ClubPdfOutput::WriteClubs(size_t first, size_t end, std::vector<QString>& written,
                               QString* error) {
  const QString failed = QStringLiteral("PDFファイルを書き込めませんでした。\r") + Shown(folder_);
  // The data of the files first, made durable together, then their names: a run of hundreds
  // of clubs waits for the disk about once per batch, not once per club.
  std::vector<std::unique_ptr<PendingFile>> parts;
  for (size_t c = first; c < end; ++c) {
    parts.push_back(std::make_unique<PendingFile>(clubs_[c].file));
    if (!WriteClubPdf(clubs_[c], *parts.back())) {
      const QString why = parts.back()->error();
      return Fail(error, why.isEmpty() ? failed : why);
    }
    parts.back()->StartWriteback();
  }
  // One flush of the file system for the batch: syncing each new file on its own costs a
  // journal commit per club, most of the time of a run of hundreds of clubs.
  if (!SyncFileSystemOf(folder_)) {
    for (const auto& part : parts) {
      if (!part->Sync()) return Fail(error, part->error());
    }
  }
  for (size_t k = 0; k < parts.size(); ++k) {
    Club& club = clubs_[first + k];
    bool exists = false;
    while (!parts[k]->Publish(false, &exists, false)) {
      // Taken meanwhile by another desk: the next free name.
      const QString next =
          exists ? FreeName(SafeFileName(ClubTitle(club.club)), written) : QString();
      if (next.isEmpty()) return Fail(error, parts[k]->error());
      club.file = next;
      parts[k]->SetPath(next);
    }
    written.push_back(club.file);
  }
  return true;
}

bool ClubPdfOutput::Finish(QString* error) {
  if (finished_ || club_of_.empty()) return true;
  if (Plan().size() != club_of_.size()) {
    return Fail(error,
                QStringLiteral("PDFファイルの名前を決められませんでした。\r") + Shown(folder_));
  }
  std::vector<QString> written;
  // Every club's file or none: those written before a failure are taken back.
  bool ok = true;
  for (size_t first = 0; ok && first < clubs_.size(); first += kClubBatch) {
    ok = WriteClubs(first, std::min(clubs_.size(), first + kClubBatch), written, error);
  }
  if (ok && !SyncFolder(folder_)) {
    ok = Fail(error, QStringLiteral("PDFファイルを書き込めませんでした。\r") + Shown(folder_));
  }
  if (!ok) {
    for (const QString& path : written) QFile::remove(path);
    return false;
  }
  std::vector<int> next_page(clubs_.size());
  for (size_t c = 0; c < clubs_.size(); ++c) next_page[c] = clubs_[c].cover.PageCount() + 1;
  for (size_t d = 0; d < club_of_.size(); ++d) {
    const size_t c = club_of_[d];
    placed_.push_back({{OutputPlace::Kind::kPdfFile, clubs_[c].file}, next_page[c], false});
    next_page[c] += pages_of_[d];
  }
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
