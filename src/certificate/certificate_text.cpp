#include "certificate/certificate_text.h"

#include <QStringView>

#include "common/byte_text.h"
#include "common/text_util.h"
#include "layout/certificate_layout.h"

namespace kvsys {

namespace {

constexpr std::array<BasePosition, kLayoutItemCount> kBase = {{
    {98, 70},    // title
    {110, 100},  // meet edition
    {66, 113},   // meet name, first line
    {84, 125},   // meet name, second line
    {83, 142},   // name
    {88, 157},   // affiliation (individual)
    {110, 170},  // class
    {110, 182},  // event
    {110, 194},  // rank
    {110, 206},  // record
    {55, 170},   // class caption
    {55, 182},   // event caption
    {55, 194},   // rank caption
    {55, 206},   // record caption
    {48, 218},   // body text
    {67, 251},   // date
    {73, 267},   // presenter's title
    {95, 282},   // presenter's name
    {155, 142},  // honorific
}};
constexpr BasePosition kRelayAffiliationBase = {45, 157};

const QString kMemberSeparator = QStringLiteral("・");
const QString kOpenEntrant = QStringLiteral("OP");

QString FullWidthIf(bool on, const QString& text) {
  return on ? ToFullWidth(text) : text;
}

// The time of a record as open-entrant ranks compare it: before any record mark, right-aligned
// in eight characters so that shorter times (no minutes) sort first.
QString RankingKey(const QString& record) {
  QString t = TrimBlanks(record);
  const qsizetype blank = t.indexOf(u' ');
  if (blank >= 0) t = TrimBlanks(t.left(blank));
  if (t.size() > 8) return t.right(8);
  return QString(8 - t.size(), u' ') + t;
}

}  // namespace

BasePosition ItemBase(int item, bool relay_event) {
  if (item == kItemAffiliation && relay_event) return kRelayAffiliationBase;
  if (item < 0 || item >= kLayoutItemCount) return {};
  return kBase[static_cast<size_t>(item)];
}

bool IsRelayEvent(const QString& event_name) {
  return event_name.endsWith(QStringLiteral("リレー"));
}

QString NameText(const Recipient& r, const PrintOptions& o) {
  return FullWidthIf(o.Length, TrimBlanks(r.Name));
}

QString HonorificText(const Recipient& r, const PrintOptions& o) {
  if (IsRelayEvent(r.EventName) || o.Dono) return QString();
  return o.DonoStr;
}

QString AffiliationText(const Recipient& r, const PrintOptions& o) {
  const QString a = FullWidthIf(o.Length, TrimBlanks(r.Affiliation));
  return o.Kako ? a : u'(' + a + u')';
}

std::array<QString, 4> RelayMembers(const Recipient& r, const PrintOptions& o) {
  const QString a = TrimBlanks(r.Affiliation);
  std::array<QString, 4> members;
  size_t k = 0;
  qsizetype start = 0;
  for (; k < 3; ++k) {
    const qsizetype sep = a.indexOf(kMemberSeparator, start);
    if (sep < 0) break;
    members[k] = a.mid(start, sep - start);
    start = sep + kMemberSeparator.size();
  }
  // What follows the last separator: member 4 of a full team, or the member after the last
  // one split off when separators are missing (the lines after it stay empty).
  members[k] = a.mid(start);
  for (QString& m : members) m = FullWidthIf(o.Length, m);
  return members;
}

QString ClassText(const Recipient& r, const PrintOptions& o) {
  return FullWidthIf(o.Length, r.ClassName);
}

QString EventText(const Recipient& r, const PrintOptions& o) {
  return FullWidthIf(o.Length, r.EventName);
}

QString RankItemText(const RecipientTable& table, int index, const PrintOptions& o) {
  const QString& rank = table[index].RankText;
  if (rank != kOpenEntrant) {
    return o.RankH ? rank : QStringLiteral("第 ") + rank + QStringLiteral(" 位");
  }
  const QString open = QStringLiteral("オープン参加");
  return o.OpenRank ? open : open + OpenRankText(table, index);
}

QString RecordItemText(const Recipient& r, const PrintOptions& o) {
  const QString& record = r.RecordText;
  if (!o.Length) return record;
  qsizetype blank = record.indexOf(u' ');
  if (blank < 0) blank = record.indexOf(u'　');
  if (blank < 0) return ToFullWidth(record);
  return ToFullWidth(record.left(blank)) + record.mid(blank);
}

QString CaptionText(int item) {
  switch (item) {
    case kItemClassCaption:
      return QStringLiteral("クラス");
    case kItemEventCaption:
      return QStringLiteral("種目");
    case kItemRankCaption:
      return QStringLiteral("順位");
    case kItemRecordCaption:
      return QStringLiteral("記録");
    default:
      return QString();
  }
}

QString OpenRankText(const RecipientTable& table, int index) {
  if (!RecipientTable::ValidIndex(index)) return QString();
  const Recipient& open = table[index];
  // Only the recipients of the same race count: a print run lists several events one after
  // another, and another event's times say nothing about this one. Heats and final of one
  // event are printed with one name, so a meet's recipients are known by their event number
  // (which has one stage) and the class or heat ranked within; a recipients file's by name.
  const auto same_race = [&open](const Recipient& r) {
    if (open.Source.FromMeet() || r.Source.FromMeet()) {
      return r.Source.event == open.Source.event && r.Source.class_no == open.Source.class_no &&
             r.Source.heat == open.Source.heat && r.ClassName == open.ClassName;
    }
    return r.EventName == open.EventName && r.ClassName == open.ClassName;
  };
  int first = index;
  while (first > 1 && same_race(table[first - 1])) --first;
  const QString key = RankingKey(open.RecordText);
  for (int j = first; j < index; ++j) {
    if (RankingKey(table[j].RecordText) >= key) {
      return QStringLiteral("（第 ") + ToFullWidth(table[j].RankText) + QStringLiteral(" 位）");
    }
  }
  return QString();
}

QStringList WrapBodyText(const QString& text, int line_bytes) {
  QStringList lines;
  QString line;
  int width = 0;
  for (qsizetype i = 0; i < text.size();) {
    // A surrogate pair is one character.
    const qsizetype n =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    const QStringView ch = QStringView(text).mid(i, n);
    const int w = CharByteWidth(ch.toUcs4().value(0));
    // A character that would run past the line starts the next one, whole.
    if (width > 0 && width + w > line_bytes) {
      lines << line;
      line.clear();
      width = 0;
    }
    line += ch;
    width += w;
    i += n;
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

}  // namespace kvsys
