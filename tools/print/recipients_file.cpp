#include "print/recipients_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <vector>

#include "common/cp932.h"
#include "common/new_file.h"

namespace kvsys::printtool {

namespace {

// A text as one field: what a tab-separated line cannot hold is escaped, so that a file read
// back gives every text exactly as written.
QString Field(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    switch (c.unicode()) {
      case u'\\':
        out += QStringLiteral("\\\\");
        break;
      case u'\t':
        out += QStringLiteral("\\t");
        break;
      case u'\r':
        out += QStringLiteral("\\r");
        break;
      case u'\n':
        out += QStringLiteral("\\n");
        break;
      default:
        out += c;
    }
  }
  return out;
}

QString Unescaped(const QString& field) {
  QString out;
  out.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    const QChar c = field[i];
    if (c != u'\\' || i + 1 == field.size()) {
      out += c;
      continue;
    }
    const QChar next = field[++i];
    switch (next.unicode()) {
      case u't':
        out += u'\t';
        break;
      case u'r':
        out += u'\r';
        break;
      case u'n':
        out += u'\n';
        break;
      default:  // "\\", and a backslash before anything else stands for itself
        if (next != u'\\') out += c;
        out += next;
    }
  }
  return out;
}

// UTF-8 (one byte order mark dropped, and only here), or Shift_JIS (CP932) as Japanese
// spreadsheets save text, told apart as the settings file is: by whether the bytes are
// valid UTF-8. Bytes that are neither are refused, with their line: printed, they would be
// certificates full of replacement marks.
bool DecodeRecipientsText(const QString& path, const QByteArray& bytes, QString& text,
                          QString* error) {
  if (IsValidUtf8(bytes)) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    text = utf8.decode(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  } else {
    bool valid = true;
    text = DecodeCp932(bytes, &valid);
    if (!valid) {
      const QList<QByteArray> raw = bytes.split('\n');
      for (qsizetype n = 0; n < raw.size(); ++n) {
        DecodeCp932(raw[n], &valid);
        if (valid) continue;
        if (error) {
          *error = QStringLiteral(
                       "%1 の %2 行目を読めません（UTF-8 でも Shift_JIS でもない文字があります）。")
                       .arg(path)
                       .arg(n + 1);
        }
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool IsBlankRecipient(const Recipient& r) {
  for (const QString* text :
       {&r.Name, &r.Affiliation, &r.EventName, &r.ClassName, &r.RankText, &r.RecordText}) {
    if (!text->trimmed().isEmpty()) return false;
  }
  return true;
}

bool WriteRecipientsFile(const QString& path, const RecipientTable& table, QString* error) {
  QByteArray data;
  // A byte order mark is dropped when the file is read; a first text that begins with U+FEFF
  // gets one before it, so that its own stays.
  if (table.RecipientCount >= 1 && table[1].Name.startsWith(QChar(0xFEFF))) {
    data += "\xEF\xBB\xBF";
  }
  for (int i = 1; i <= table.RecipientCount; ++i) {
    const Recipient& r = table[i];
    const QStringList fields{Field(r.Name),      Field(r.Affiliation), Field(r.EventName),
                             Field(r.ClassName), Field(r.RankText),    Field(r.RecordText)};
    data += fields.join(QLatin1Char('\t')).toUtf8();
    data += "\n";
  }
  // An existing file is never replaced: it may be another run's list.
  bool exists = false;
  QString why;
  if (!WriteNewFile(path, data, &why, &exists)) {
    if (error) {
      *error = exists
                   ? QStringLiteral("%1 はすでにあります。別の名前を指定してください。").arg(path)
                   : QStringLiteral("%1 を書き込めません。（%2）").arg(path, why);
    }
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
  const QByteArray bytes = file.readAll();
  QString text;
  if (!DecodeRecipientsText(path, bytes, text, error)) return false;
  QStringList lines = text.split(QLatin1Char('\n'));
  // A blank line is no recipient (a spreadsheet's empty last rows, say).
  std::vector<qsizetype> numbers;  // the file's line number of each recipient's line
  QStringList kept;
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QString line = lines[n];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.trimmed().isEmpty()) continue;
    kept << line;
    numbers.push_back(n + 1);
  }
  lines = kept;
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
    QStringList f = lines[n].split(QLatin1Char('\t'));
    if (f.size() > 6) {
      if (error) {
        *error = QStringLiteral("%1 の %2 行目の項目が多すぎます。")
                     .arg(path)
                     .arg(numbers[static_cast<size_t>(n)]);
      }
      return false;
    }
    while (f.size() < 6) f << QString();
    Recipient r = CleanRecipient(Recipient{Unescaped(f[0]),
                                           Unescaped(f[1]),
                                           Unescaped(f[2]),
                                           Unescaped(f[3]),
                                           Unescaped(f[4]),
                                           Unescaped(f[5]),
                                           {}});
    // Nothing left to print (control characters only, say): no blank certificate either.
    if (IsBlankRecipient(r)) continue;
    read.push_back(std::move(r));
  }
  for (size_t i = 0; i < read.size(); ++i) table[static_cast<int>(i) + 1] = read[i];
  table.RecipientCount = static_cast<int16_t>(read.size());
  table.CurrentRecipient = 0;
  return true;
}

}  // namespace kvsys::printtool
