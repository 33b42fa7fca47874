#include "certificate/print_resume.h"

namespace kvsys {

QString DescribePrintStop(const PrintResume& resume, const RecipientTable& table) {
  if (!resume.CanContinue()) return QString();
  const Recipient& r = table[resume.Next()];
  QString who = r.EventName;
  if (!r.ClassName.trimmed().isEmpty()) who += QLatin1Char(' ') + r.ClassName.trimmed();
  who += QLatin1Char(' ') +
         (r.RankText == QLatin1String("OP") ? r.RankText : r.RankText + QStringLiteral("位"));
  who += QLatin1Char(' ') + r.Name.trimmed();
  return QStringLiteral("%1枚まで出力しました（全%2枚）。次は %3 です。")
      .arg(resume.Output())
      .arg(resume.Last())
      .arg(who);
}

}  // namespace kvsys
