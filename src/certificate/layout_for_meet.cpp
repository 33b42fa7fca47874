// Whether the layout in force names the meet being printed.
#include "certificate/layout_for_meet.h"

#include "common/text_util.h"
#include "layout/layout_settings.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace {

// Blanks and letter widths aside: "第 89 回" and "第８９回" read the same.
QString Folded(const QString& text) {
  QString folded = text.normalized(QString::NormalizationForm_KC);
  folded.remove(QLatin1Char(' '));
  folded.remove(QChar(0x3000));
  return folded;
}

QString Shown(const CertificateLayout& layout, int item, const QString& text) {
  return layout.Items[item].Hidden == 0 ? TrimBlanks(text) : QString();
}

// The meet texts as the certificates print them, on one line.
QString PrintedMeetName(const CertificateLayout& layout) {
  QStringList parts;
  for (const QString& part : {Shown(layout, kItemEdition, layout.Texts.edition),
                              Shown(layout, kItemMeetName1, layout.Texts.meet_name1),
                              Shown(layout, kItemMeetName2, layout.Texts.meet_name2)}) {
    if (!part.isEmpty()) parts << part;
  }
  return parts.join(QLatin1Char(' '));
}

QString MeetName(const MeetSettings& meet) {
  const MeetTexts t = MeetTextsOf(meet);
  QStringList parts;
  for (const QString& part : {t.edition, t.name1, t.name2}) {
    if (!part.isEmpty()) parts << part;
  }
  return parts.join(QLatin1Char(' '));
}

bool OtherMeet(const CertificateLayout& layout, const SelectedMeet& meet) {
  return layout.MeetNo != 0 && meet.number != 0 && layout.MeetNo != meet.number;
}

}  // namespace

bool MeetTextsFit(const CertificateLayout& layout, const MeetSettings& meet) {
  const MeetTexts t = MeetTextsOf(meet);
  const QString name = Folded(t.name1 + t.name2);
  if (Folded(t.edition) + name == QString()) return true;
  const QString first = Folded(Shown(layout, kItemEdition, layout.Texts.edition) +
                               Shown(layout, kItemMeetName1, layout.Texts.meet_name1));
  const QString second = Folded(Shown(layout, kItemMeetName2, layout.Texts.meet_name2));
  // The meet's own second line (not the rest of a long first one).
  const bool own_second =
      !TrimBlanks(meet.WholeName2.isEmpty() ? meet.大会名2 : meet.WholeName2).isEmpty();
  for (const QString& head : {Folded(t.edition), QString()}) {
    if (first + second == head + name) return true;
    // A subtitle of the meet left out.
    if (own_second && first + second == head + Folded(t.name1)) return true;
    // Without a second line of its own the meet leaves the layout's to the operator ("兼 県予選
    // 会"), but not the default set's placeholder.
    if (!own_second && first == head + name && !second.contains(QStringLiteral("○○"))) {
      return true;
    }
  }
  return false;
}

QString LayoutMeetNotice(const CertificateLayout& layout, const SelectedMeet& meet) {
  if (!meet.settings) return QString();
  const bool other = OtherMeet(layout, meet);
  if (!other && MeetTextsFit(layout, *meet.settings)) return QString();
  const QString name =
      layout.Name.isEmpty() ? QString::number(layout.CurrentLayoutNumber) : layout.Name;
  const QString printed = PrintedMeetName(layout);
  QString notice =
      other ? QStringLiteral("レイアウト「%1」は 大会No.%2（%3）用です。")
                  .arg(name)
                  .arg(layout.MeetNo)
                  .arg(printed.isEmpty() ? QStringLiteral("大会名なし") : printed)
            : QStringLiteral("レイアウト「%1」の大会名は「%2」です。").arg(name, printed);
  notice += QStringLiteral("\r大会名：");
  if (meet.number != 0) notice += QStringLiteral("大会No.%1 ").arg(meet.number);
  return notice + MeetName(*meet.settings);
}

QString LayoutMeetMark(const CertificateLayout& layout, const SelectedMeet& meet) {
  if (!meet.settings) return QString();
  if (OtherMeet(layout, meet)) return QStringLiteral("大会No.%1 用").arg(layout.MeetNo);
  return MeetTextsFit(layout, *meet.settings) ? QString() : QStringLiteral("大会名が違います");
}

QString LayoutChangedNotice(const CertificateLayout& shown, const CertificateLayout& loaded) {
  if (shown.CurrentLayoutNumber != loaded.CurrentLayoutNumber) {
    return QStringLiteral("決定レイアウトが別の端末で「%1」から「%2」に変わりました。")
        .arg(shown.Name, loaded.Name);
  }
  if (shown.Items != loaded.Items || shown.Texts != loaded.Texts ||
      shown.PaperSize != loaded.PaperSize) {
    return QStringLiteral("レイアウト「%1」が別の端末で変更されました。").arg(loaded.Name);
  }
  return QString();
}

}  // namespace kvsys
