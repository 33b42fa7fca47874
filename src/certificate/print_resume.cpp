#include "certificate/print_resume.h"

namespace kvsys {

QString DescribePrintStop(const PrintResume& resume, const RecipientTable& table) {
  if (!resume.CanContinue()) return QString();
  const QString who = RecipientLabel(table[resume.Next()]);
  return QStringLiteral("%1枚まで出力しました（全%2枚）。次は %3 です。")
      .arg(resume.Output())
      .arg(resume.Last())
      .arg(who);
}

}  // namespace kvsys
