#include "desk/ceremony_sheet.h"

#include "certificate/run_log.h"
#include "common/profile_file.h"
#include "common/text_util.h"
#include "db/db_error.h"
#include "db/db_error_report.h"
#include "desk/print_log.h"
#include "print/paper.h"
#include "print/print_surface.h"

namespace kvsys {

namespace {

constexpr int kA4 = 9;
const QString kMincho = QStringLiteral("ＭＳ 明朝");
const QString kGothic = QStringLiteral("ＭＳ ゴシック");

// Columns, twips from the sheet's left edge.
constexpr int kMarginTwips = 850;  // 15 mm
constexpr int kMarkX = kMarginTwips;
constexpr int kRankX = 1300;
constexpr int kNameX = 2150;
constexpr int kAffiliationX = 5400;
constexpr int kRecordX = 9300;
constexpr int kMembersX = 2450;

// Writes lines down the sheet, a new page where the next would not fit.
class SheetWriter {
 public:
  SheetWriter() {
    s_.SetPreviewMode(true);
    s_.SetPaperSize(kA4);
    s_.SetMargins(kMarginTwips, kMarginTwips, kMarginTwips, kMarginTwips);
    s_.StartDoc();
    y_ = kMarginTwips;
  }

  void Font(const QString& face, double size, bool bold) {
    s_.SetFontName(face);
    s_.SetFontSize(size);
    s_.SetFontBold(bold);
  }
  // Room for lines of the current font (a group's heading keeps its first names with it).
  void NeedLines(int lines) {
    const double needed = s_.LineHeight() * lines;
    if (y_ + needed > s_.PageHeight() - kMarginTwips && y_ > kMarginTwips) {
      s_.NewPage();
      y_ = kMarginTwips;
    }
  }
  void At(int x, const QString& text) {
    if (text.isEmpty()) return;
    s_.SetCurrentX(x);
    s_.SetCurrentY(y_);
    s_.OutputText(text);
  }
  void NextLine(double lines = 1) { y_ += qRound(s_.LineHeight() * lines); }
  void Rule() {
    s_.DrawLine(kMarginTwips, y_, s_.PageWidth() - kMarginTwips, y_);
    y_ += 60;
  }
  PrintDocument Finish() {
    s_.EndDoc();
    return s_.HeldDocument() ? *s_.HeldDocument() : PrintDocument();
  }

 private:
  PrintSurface s_;
  int y_ = 0;
};

QString RankCalled(const Recipient& r) {
  return r.Source.open ? r.RankText : r.RankText + QStringLiteral("位");
}

QString GroupHeading(const Recipient& r) {
  QStringList parts;
  if (r.Source.event != 0) parts << QStringLiteral("第%1競技").arg(r.Source.event);
  parts << r.EventName;
  if (!TrimBlanks(r.Source.stage).isEmpty()) parts << TrimBlanks(r.Source.stage);
  if (!r.ClassName.isEmpty()) parts << r.ClassName;
  if (r.Source.heat != 0) parts << QStringLiteral("%1組").arg(r.Source.heat);
  return parts.join(QStringLiteral("　"));
}

void WriteHeading(SheetWriter& w, const CeremonySheetInput& in) {
  w.Font(kGothic, 16, true);
  w.At(kMarginTwips, QStringLiteral("表彰進行表　") + in.meet_name);
  w.NextLine();
  w.Font(kMincho, 9, false);
  w.At(kMarginTwips,
       QStringLiteral("呼び出し順：%1（同順位は続けて、OPは最後）　作成 %2")
           .arg(CallFromText(in.from), in.made.toString(QStringLiteral("yyyy/MM/dd HH:mm"))));
  if (in.taken) w.At(kMarginTwips + 7600, QStringLiteral("未：賞状を印刷していません"));
  w.NextLine(1.2);
}

void WriteGroup(SheetWriter& w, const RecipientTable& table, const CallingGroup& g,
                const CeremonySheetInput& in, CeremonySheet& sheet) {
  std::vector<bool> unprinted;
  int missing = 0;
  for (int i : g.entries) {
    unprinted.push_back(in.taken && !in.taken->count(KeyOf(table[i].Source)));
    missing += unprinted.back() ? 1 : 0;
  }
  const Recipient& first = table[g.entries.front()];
  w.Font(kGothic, 11, true);
  w.NeedLines(4);
  QString heading = GroupHeading(first);
  if (missing > 0) heading += QStringLiteral("　（未印刷 %1枚）").arg(missing);
  w.At(kMarginTwips, heading);
  w.NextLine();
  w.Rule();
  for (size_t k = 0; k < g.entries.size(); ++k) {
    const Recipient& r = table[g.entries[k]];
    w.Font(kMincho, 10.5, false);
    w.NeedLines(r.Source.relay ? 2 : 1);
    if (unprinted[k]) w.At(kMarkX, QStringLiteral("未"));
    w.At(kRankX, RankCalled(r));
    w.At(kNameX, r.Name);
    if (!r.Source.relay) w.At(kAffiliationX, r.Affiliation);
    w.At(kRecordX, r.RecordText);
    w.NextLine();
    if (r.Source.relay && !r.Affiliation.isEmpty()) {
      w.Font(kMincho, 9, false);
      w.At(kMembersX, r.Affiliation);
      w.NextLine();
    }
  }
  w.NextLine(0.6);
  ++sheet.events;
  sheet.recipients += static_cast<int>(g.entries.size());
  sheet.unprinted += missing;
}

}  // namespace

CeremonySheet ComposeCeremonySheet(const RecipientTable& table, const CeremonySheetInput& in) {
  CeremonySheet sheet;
  SheetWriter w;
  WriteHeading(w, in);
  for (const CallingGroup& g : CallingGroups(table, in.from)) WriteGroup(w, table, g, in, sheet);
  sheet.doc = w.Finish();
  sheet.doc.name = QStringLiteral("表彰進行表");
  return sheet;
}

CallFrom ReadCallFrom(const QString& ini_path) {
  const QString value =
      ReadProfileValue(ini_path, QStringLiteral("Ceremony"), QStringLiteral("CallFrom"));
  return value.trimmed().compare(QLatin1String("First"), Qt::CaseInsensitive) == 0
             ? CallFrom::kFirst
             : CallFrom::kLast;
}

QString CallFromText(CallFrom from) {
  return from == CallFrom::kFirst ? QStringLiteral("上位から") : QStringLiteral("下位から");
}

PrintJobResult PrintCeremonySheet(PrintJob& job, const RunOptions& run, const PrintRequest& request,
                                  PrintRunContext& context, const QString& meet_name,
                                  CallFrom from) {
  PrintRequest asked = request;
  asked.calling_order = false;  // the sheet orders each group itself
  // What is printed from now on is for the next sheet.
  std::optional<qint64> last_row;
  if (run.log.Logged()) {
    try {
      last_row = PrintLog(context.layout_db).LastRow();
    } catch (const DbError&) {
      // Said below when the log is read for what is printed.
    }
  }
  if (const std::optional<RunOutcome> ended = CollectForRun(asked, context)) {
    PrintJobResult result;
    result.outcome = *ended;
    return result;
  }
  std::optional<std::set<CertificateKey>> taken;
  if (run.log.Logged()) {
    std::set<int> events;
    for (const ProgramEvent& e : request.events) events.insert(e.number);
    try {
      taken = run.log.Taken(events, {});
    } catch (const DbError& e) {
      // The sheet is still what the announcer needs; only the printing marks are missing.
      context.dialogs.MsgBox(
          QStringLiteral("印刷履歴を読めませんでした。未印刷の印は付きません。\r") + e.text(),
          MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
    }
  }
  const CeremonySheet sheet = ComposeCeremonySheet(
      context.recipients,
      {meet_name, from, QDateTime::currentDateTime(), taken ? &*taken : nullptr});
  const PrintJobResult printed = job.PrintCopies(run, sheet.doc, 1, context.observer, nullptr, 0);
  if (printed.outcome == RunOutcome::kPrinted && last_row) {
    try {
      PrintLog(context.layout_db).RecordSheet(run.log.meet, *last_row);
    } catch (const DbError& e) {
      context.dialogs.MsgBox(
          QStringLiteral("表彰進行表を出したことを印刷履歴に記録できませんでした。\r") + e.text(),
          MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
    }
  }
  return printed;
}

std::set<int> EventsSinceLastSheet(Database& layout_db, const LoggedMeet& meet) {
  return PrintLog(layout_db).EventsSinceLastSheet(meet);
}

std::optional<int> MarkHandedOver(const PrintRequest& request, PrintRunContext& context,
                                  const LoggedMeet& meet, bool handed) {
  PrintRequest asked = request;
  asked.calling_order = false;
  if (const std::optional<RunOutcome> ended = CollectForRun(asked, context)) {
    if (*ended == RunOutcome::kNothingToPrint) return 0;
    return std::nullopt;
  }
  std::set<CertificateKey> keys;
  for (int i = 1; i <= context.recipients.RecipientCount; ++i) {
    keys.insert(KeyOf(context.recipients[i].Source));
  }
  try {
    PrintLog log(context.layout_db);
    return log.MarkHanded(meet, keys, handed);
  } catch (const DbError& e) {
    ReportDbError(context.dialogs, context.state, e, kPrintTitle, kTargetLayoutDb);
    return std::nullopt;
  }
}

}  // namespace kvsys
