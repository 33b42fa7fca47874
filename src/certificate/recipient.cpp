#include "certificate/recipient.h"

#include <QStringList>

#include "common/text_util.h"

namespace kvsys {

Recipient CleanRecipient(Recipient r) {
  for (QString* text :
       {&r.Name, &r.Affiliation, &r.EventName, &r.ClassName, &r.RankText, &r.RecordText}) {
    *text = DropControlCharacters(*text);
  }
  return r;
}

QString CertificateName(int number, const Recipient& r) {
  const QString rank = TrimBlanks(r.RankText);
  QStringList parts{QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'))};
  for (const QString& text :
       {TrimBlanks(r.EventName), TrimBlanks(r.ClassName),
        rank.isEmpty() || rank == QStringLiteral("OP") ? rank : rank + QStringLiteral("位"),
        TrimBlanks(r.Name)}) {
    if (!text.isEmpty()) parts << text;
  }
  return parts.join(QLatin1Char('_'));
}

QString RecipientLabel(const Recipient& r) {
  QString who = r.EventName;
  if (!r.ClassName.trimmed().isEmpty()) who += QLatin1Char(' ') + r.ClassName.trimmed();
  who += QLatin1Char(' ') +
         (r.RankText == QLatin1String("OP") ? r.RankText : r.RankText + QStringLiteral("位"));
  return who + QLatin1Char(' ') + r.Name.trimmed();
}

}  // namespace kvsys
