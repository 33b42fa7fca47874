#include "layout/layout_fields.h"

#include <algorithm>
#include <limits>

#include "common/byte_text.h"
#include "common/text_util.h"
#include "layout/japanese_date.h"
#include "layout/paper_size.h"

namespace kvsys {

const std::array<LayoutFieldRule, kLayoutFieldCount> kLayoutFieldRules = {{
    {"TXT_H", u"予 選", 0, true, false},
    {"TXT_T", u"タイム決勝", 0, true, false},
    {"TXT_F", u"決勝・Ａ決勝", 0, true, false},
    {"TXT_B", u"Ｂ決勝", 0, true, false},
    {"TXT_TITLE", u"タイトル", 18, false, false},
    {"TXT_KAISU", u"大会回数", 48, false, false},
    {"TXT_TAIKAI", u"大会名前段", 48, false, true},
    {"TXT_TAIKAI2", u"大会名後段", 0, false, false},
    {"TXT_BUN", u"文", 200, false, true},
    {"TXT_YMD", u"日付", 35, false, false},
    {"TXT_PRTTL", u"授与者肩書き", 35, false, false},
    {"TXT_PRS", u"授与者", 18, false, false},
}};

namespace {

// The stage words of the rank messages, by rank field.
const char16_t* const kRankStages[] = {u"予選", u"タイム決勝", u"決勝・Ａ決勝", u"Ｂ決勝"};

qint64 RankNumber(const QString& text) {
  // Only ASCII digits reach a rank field; a number too long for 64 bits is as large as any.
  bool ok = false;
  const qint64 n = TrimBlanks(text).toLongLong(&ok);
  if (ok) return n;
  return TrimBlanks(text).isEmpty() ? 0 : std::numeric_limits<qint64>::max();
}

}  // namespace

LayoutFieldTexts FieldTextsOf(const LayoutSettings& s) {
  return {QString::number(s.rank_heats),
          QString::number(s.rank_timed_final),
          QString::number(s.rank_final),
          QString::number(s.rank_b_final),
          s.title,
          s.edition,
          s.meet_name1,
          s.meet_name2,
          s.body,
          s.date,
          s.presenter_title,
          s.presenter};
}

LayoutSettings SettingsOfFields(const LayoutFieldTexts& t, const QString& paper_text) {
  // The checks refuse a rank too large before anything is written; the clamp only keeps a
  // long text from wrapping round to a small number.
  auto rank = [&](int field) {
    return static_cast<int>(std::min<qint64>(RankNumber(t[field]), kMaxRankLimit + 1));
  };
  LayoutSettings s;
  s.rank_heats = rank(kFieldHeats);
  s.rank_timed_final = rank(kFieldTimedFinal);
  s.rank_final = rank(kFieldFinal);
  s.rank_b_final = rank(kFieldBFinal);
  s.title = t[kFieldTitle];
  s.edition = t[kFieldEdition];
  s.meet_name1 = t[kFieldMeetName1];
  s.meet_name2 = t[kFieldMeetName2];
  s.body = t[kFieldBody];
  s.date = t[kFieldDate];
  s.presenter_title = t[kFieldPresenterTitle];
  s.presenter = t[kFieldPresenter];
  s.paper_code = PaperSizeCode(paper_text);
  return s;
}

bool IsRankKeyAccepted(QChar c) {
  return (c >= u'0' && c <= u'9') || c.unicode() == 8 || c.unicode() == 13;
}

QString FieldTextWithin(const QString& text, int max_bytes) {
  QString one_line = text;
  one_line.remove(u'\r');
  one_line.remove(u'\n');
  one_line.remove(QChar::ParagraphSeparator);
  one_line.remove(QChar::LineSeparator);
  return max_bytes > 0 ? TruncateBytes(one_line, max_bytes) : one_line;
}

QString FitFieldEdit(const QString& before, const QString& after, int max_bytes, int* cursor) {
  // The inserted part lies between what both texts begin and end with.
  qsizetype prefix = 0;
  const qsizetype shorter = std::min(before.size(), after.size());
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  qsizetype suffix = 0;
  while (suffix < shorter - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  const QString kept_head = after.left(prefix);
  const QString kept_tail = after.right(suffix);
  QString inserted = FieldTextWithin(after.mid(prefix, after.size() - prefix - suffix), 0);
  if (max_bytes > 0) {
    const int room = std::max(0, max_bytes - ByteLen(kept_head) - ByteLen(kept_tail));
    inserted = TruncateBytes(inserted, room);
  }
  if (cursor) *cursor = static_cast<int>(prefix + inserted.size());
  return kept_head + inserted + kept_tail;
}

QValidator::State ByteLimitValidator::validate(QString& input, int& pos) const {
  const QString before = current_ ? current_() : QString();
  int cursor = pos;
  const QString fitted = FitFieldEdit(before, input, max_bytes_, &cursor);
  if (fitted != input) {
    input = fitted;
    pos = cursor;
  }
  return Acceptable;
}

QValidator::State RankDigitsValidator::validate(QString& input, int& pos) const {
  for (const QChar c : input) {
    if (c < u'0' || c > u'9') return Invalid;
  }
  (void)pos;
  return Acceptable;
}

QString ListEntryText(int number, const QString& name) {
  return QString::number(number) + u'\t' + name;
}

ListEntry ParseListEntry(const QString& text) {
  const qsizetype tab = text.indexOf(u'\t');
  const QString head = tab < 0 ? text : text.left(tab);
  ListEntry entry;
  qsizetype i = 0;
  while (i < head.size() && head[i] == u' ') ++i;
  qsizetype end = i;
  while (end < head.size() && head[end] >= u'0' && head[end] <= u'9') ++end;
  entry.number = head.mid(i, end - i).left(9).toInt();
  if (tab >= 0) entry.name = text.mid(tab + 1);
  return entry;
}

std::optional<LayoutField> FirstEmptyRankField(const LayoutFieldTexts& texts) {
  for (int f = kFieldHeats; f <= kFieldBFinal; ++f) {
    if (TrimBlanks(texts[f]).isEmpty()) return static_cast<LayoutField>(f);
  }
  return std::nullopt;
}

QString EmptyRankMessage(LayoutField field) {
  return QString::fromUtf16(kRankStages[field]) + QStringLiteral("対象順位を入力してください");
}

std::optional<LayoutField> FirstRankTooLarge(const LayoutFieldTexts& texts) {
  for (int f = kFieldHeats; f <= kFieldBFinal; ++f) {
    if (RankNumber(texts[f]) > kMaxRankLimit) return static_cast<LayoutField>(f);
  }
  return std::nullopt;
}

QString RankTooLargeMessage(LayoutField field) {
  return QString::fromUtf16(kRankStages[field]) +
         QStringLiteral("対象順位は３２７６７以下で入力してください");
}

bool DateDiffersFromToday(const QString& date_text, const QDate& today) {
  const QString format = QStringLiteral("yyyy/MM/dd");
  const QDate date = ReadDateText(date_text);
  const QString field = date.isValid() ? date.toString(format) : date_text;
  return field != today.toString(format);
}

}  // namespace kvsys
