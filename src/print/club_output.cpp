#include "print/club_output.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <algorithm>

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

constexpr int kMaxSequence = 999;
constexpr int kA4 = 9;
constexpr int kMargin = 1134;  // 20 mm
constexpr int kRankColumn = 6500;
constexpr int kNameColumn = 8000;

QString Numbered(const QString& base, int seq) {
  return seq == 1 ? base + QStringLiteral(".pdf") : QStringLiteral("%1_%2.pdf").arg(base).arg(seq);
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
  for (const ClubCertificate& c : certificates) by_document_.emplace(c.document, c);
}

ClubPdfOutput::~ClubPdfOutput() = default;

bool ClubPdfOutput::Ready(QString* error) {
  if (!docs_.empty()) return true;
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
  const auto found = by_document_.find(doc.name);
  if (found == by_document_.end()) {
    // Its club is not known: it must not end up in another club's file.
    return Fail(error, QStringLiteral("所属の分からない賞状です。\r") + doc.name);
  }
  if (doc.PageCount() == 0) {
    return Fail(error, QStringLiteral("PDFファイルを書き込めませんでした。\r") + doc.name);
  }
  const QString& club = found->second.club;
  auto [at, added] = club_index_.emplace(club, clubs_.size());
  if (added) clubs_.push_back(Club{club, {}, {}, {}, false});
  Club& target = clubs_[at->second];
  if (target.planned) {
    // Its cover was drawn and its pages counted already.
    return Fail(error, QStringLiteral("PDFファイルの出力先は決定済みです。\r") + doc.name);
  }
  target.docs.push_back(docs_.size());
  club_of_.push_back(at->second);
  docs_.push_back(doc);
  return true;
}

QString ClubPdfOutput::FreeName(const QString& base, const std::vector<QString>& taken) const {
  const QDir dir(folder_);
  for (int seq = 1; seq <= kMaxSequence; ++seq) {
    const QString path = dir.filePath(Numbered(base, seq));
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
      std::vector<const ClubCertificate*> lines;
      for (size_t d : club.docs) lines.push_back(&by_document_.at(docs_[d].name));
      club.cover = DrawClubCover(club.club, lines);
      club.planned = true;
    }
    taken.push_back(club.file);
  }
  std::vector<int> next_page(clubs_.size());
  for (size_t c = 0; c < clubs_.size(); ++c) next_page[c] = clubs_[c].cover.PageCount() + 1;
  std::vector<DocumentPlace> places;
  for (size_t d = 0; d < docs_.size(); ++d) {
    const size_t c = club_of_[d];
    places.push_back({{OutputPlace::Kind::kPdfFile, clubs_[c].file}, next_page[c], true});
    next_page[c] += docs_[d].PageCount();
  }
  return places;
}

QByteArray ClubPdfOutput::MakeClubPdf(const Club& club) {
  bool ours = writer_.CanWrite(club.cover);
  for (size_t k = 0; ours && k < club.docs.size(); ++k)
    ours = writer_.CanWrite(docs_[club.docs[k]]);
  QByteArray pdf;
  if (ours) {
    PdfWriter::File file(writer_, [&pdf](const QByteArray& bytes) {
      pdf += bytes;
      return true;
    });
    bool ok = file.Add(club.cover);
    for (size_t k = 0; ok && k < club.docs.size(); ++k) ok = file.Add(docs_[club.docs[k]]);
    return ok && file.Close() ? pdf : QByteArray();
  }
  // A layout only Qt draws exactly (vertical italic): the whole file through its engine.
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setPageSize(PdfPageSize(club.cover.paper));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(static_cast<int>(kTwipsPerInch));
  writer.setCreator(QStringLiteral("KVSYS"));
  writer.setTitle(ClubTitle(club.club));
  QPainter painter;
  if (!painter.begin(&writer)) return {};
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
  if (!painter.end() || !ok) return {};
  buffer.close();
  return pdf;
}

bool ClubPdfOutput::Finish(QString* error) {
  if (finished_ || docs_.empty()) return true;
  const QString failed = QStringLiteral("PDFファイルを書き込めませんでした。\r") + Shown(folder_);
  if (Plan().size() != docs_.size()) {
    return Fail(error,
                QStringLiteral("PDFファイルの名前を決められませんでした。\r") + Shown(folder_));
  }
  std::vector<QString> written;
  // Every club's file or none: those written before a failure are taken back.
  const auto undo = [&](const QString& why) {
    for (const QString& path : written) QFile::remove(path);
    return Fail(error, why);
  };
  for (Club& club : clubs_) {
    const QByteArray pdf = MakeClubPdf(club);
    if (pdf.isEmpty()) return undo(failed);
    for (;;) {
      bool exists = false;
      QString why;
      if (WriteNewFile(club.file, pdf, &why, &exists)) break;
      // Taken meanwhile by another desk: the next free name.
      const QString next =
          exists ? FreeName(SafeFileName(ClubTitle(club.club)), written) : QString();
      if (next.isEmpty()) return undo(why.isEmpty() ? failed : why);
      club.file = next;
    }
    written.push_back(club.file);
  }
  SyncFolder(folder_);
  std::vector<int> next_page(clubs_.size());
  for (size_t c = 0; c < clubs_.size(); ++c) next_page[c] = clubs_[c].cover.PageCount() + 1;
  for (size_t d = 0; d < docs_.size(); ++d) {
    const size_t c = club_of_[d];
    placed_.push_back({{OutputPlace::Kind::kPdfFile, clubs_[c].file}, next_page[c], false});
    next_page[c] += docs_[d].PageCount();
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
  if (docs_.empty()) return {};
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
