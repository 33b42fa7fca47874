#include "print/recipients_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <vector>

namespace kvsys::printtool {

namespace {

QString Field(QString text) {
  for (const QChar c : {QChar('\t'), QChar('\r'), QChar('\n')}) text.replace(c, QLatin1Char(' '));
  return text;
}

}  // namespace

bool WriteRecipientsFile(const QString& path, const RecipientTable& table, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = QStringLiteral("%1 を書き込めません。（%2）").arg(path, file.errorString());
    return false;
  }
  for (int i = 1; i <= table.RecipientCount; ++i) {
    const Recipient& r = table[i];
    const QStringList fields{Field(r.Name),      Field(r.Affiliation), Field(r.EventName),
                             Field(r.ClassName), Field(r.RankText),    Field(r.RecordText)};
    file.write(fields.join(QLatin1Char('\t')).toUtf8());
    file.write("\n");
  }
  if (!file.commit()) {
    if (error) *error = QStringLiteral("%1 を書き込めません。（%2）").arg(path, file.errorString());
    return false;
  }
  return true;
}

bool ReadRecipientsFile(const QString& path, RecipientTable& table, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("%1 を読めません。（%2）").arg(path, file.errorString());
    return false;
  }
  QString text = QString::fromUtf8(file.readAll());
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  QStringList lines = text.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the final line break
  if (lines.size() > RecipientTable::kCapacity) {
    if (error) {
      *error = QStringLiteral("%1 の受賞者が %2 人を超えています。")
                   .arg(path)
                   .arg(RecipientTable::kCapacity);
    }
    return false;
  }
  // Every line is checked before the table changes.
  std::vector<Recipient> read;
  read.reserve(static_cast<size_t>(lines.size()));
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QString line = lines[n];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    QStringList f = line.split(QLatin1Char('\t'));
    if (f.size() > 6) {
      if (error) *error = QStringLiteral("%1 の %2 行目の項目が多すぎます。").arg(path).arg(n + 1);
      return false;
    }
    while (f.size() < 6) f << QString();
    read.push_back(Recipient{f[0], f[1], f[2], f[3], f[4], f[5]});
  }
  for (size_t i = 0; i < read.size(); ++i) table[static_cast<int>(i) + 1] = read[i];
  table.RecipientCount = static_cast<int16_t>(lines.size());
  table.CurrentRecipient = 0;
  return true;
}

}  // namespace kvsys::printtool
