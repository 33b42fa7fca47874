#include "certificate/print_resume.h"

namespace kvsys {

void PrintResume::Begin(int first) {
  first_ = first;
  last_ = first - 1;
  drawing_ = 0;
  next_ = 0;
  output_ = first - 1;
}

void PrintResume::Drawing(int done, int total) {
  drawing_ = first_ + done;
  last_ = first_ + total - 1;
}

void PrintResume::End(bool completed) {
  // The certificate being drawn when the run stopped was not output: it comes next.
  if (completed || drawing_ == 0 || drawing_ > last_) {
    output_ = completed ? last_ : output_;
    next_ = 0;
  } else {
    next_ = drawing_;
  }
}

void PrintResume::Forget() {
  *this = PrintResume();
}

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
