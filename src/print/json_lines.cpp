#include "print/json_lines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace kvsys {

namespace {

void AppendString(QByteArray& out, const QString& text) {
  QString escaped;
  escaped.reserve(text.size() + 2);
  escaped.append(QLatin1Char('"'));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    // An unpaired surrogate has no UTF-8 form (it would turn into another character), and
    // Qt's JSON reader drops a U+FEFF that begins a string: both are written as escapes, which
    // readers give back as they were.
    const bool paired = c.isHighSurrogate() ? i + 1 < text.size() && text[i + 1].isLowSurrogate()
                                            : i > 0 && text[i - 1].isHighSurrogate();
    if ((c.isSurrogate() && !paired) || c.unicode() == 0xFEFF) {
      escaped.append(QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0')));
      continue;
    }
    switch (c.unicode()) {
      case u'"':
        escaped.append(QStringLiteral("\\\""));
        break;
      case u'\\':
        escaped.append(QStringLiteral("\\\\"));
        break;
      case u'\b':
        escaped.append(QStringLiteral("\\b"));
        break;
      case u'\f':
        escaped.append(QStringLiteral("\\f"));
        break;
      case u'\n':
        escaped.append(QStringLiteral("\\n"));
        break;
      case u'\r':
        escaped.append(QStringLiteral("\\r"));
        break;
      case u'\t':
        escaped.append(QStringLiteral("\\t"));
        break;
      default:
        if (c.unicode() < 0x20) {
          escaped.append(QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0')));
        } else {
          escaped.append(c);  // surrogate pairs stay together for the UTF-8 encoding below
        }
    }
  }
  escaped.append(QLatin1Char('"'));
  out.append(escaped.toUtf8());
}

// Whole numbers print without a fraction, others in their shortest exact form (10.5).
QByteArray Number(double v) {
  return QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
}

QByteArray Bool(bool b) {
  return b ? QByteArray("true") : QByteArray("false");
}

}  // namespace

QByteArray DocumentToJsonLines(const PrintDocument& doc, int doc_number) {
  const QByteArray n = QByteArray::number(doc_number);
  QByteArray out;
  out += "{\"doc\":" + n + ",\"op\":\"document\",\"paper\":" + QByteArray::number(doc.paper) +
         ",\"width\":" + QByteArray::number(doc.width) +
         ",\"height\":" + QByteArray::number(doc.height) +
         ",\"pages\":" + QByteArray::number(doc.PageCount()) + "}\n";
  for (int p = 1; p <= doc.PageCount(); ++p) {
    const QByteArray head = "{\"doc\":" + n + ",\"page\":" + QByteArray::number(p);
    for (const PageElement& e : doc.Page(p)->elements) {
      if (const auto* run = std::get_if<TextRun>(&e)) {
        out += head + ",\"op\":\"text\",\"x\":" + QByteArray::number(run->x) +
               ",\"y\":" + QByteArray::number(run->y) + ",\"font\":";
        AppendString(out, run->font);
        out += ",\"size\":" + Number(run->size) + ",\"bold\":" + Bool(run->bold) +
               ",\"italic\":" + Bool(run->italic);
        // Only vertical runs say so: horizontal lines stay as they always were.
        if (run->vertical) out += ",\"vertical\":true";
        out += ",\"text\":";
        AppendString(out, run->text);
        out += "}\n";
      } else if (const auto* line = std::get_if<LineElement>(&e)) {
        out += head + ",\"op\":\"line\",\"x1\":" + QByteArray::number(line->x1) +
               ",\"y1\":" + QByteArray::number(line->y1) +
               ",\"x2\":" + QByteArray::number(line->x2) +
               ",\"y2\":" + QByteArray::number(line->y2) + "}\n";
      }
    }
  }
  return out;
}

QByteArray CalibrationToJsonLine(const QString& queue, const PrinterCalibration& c) {
  QByteArray out("{\"op\":\"calibration\",\"queue\":");
  AppendString(out, queue);
  out += ",\"offset_x_mm\":" + QByteArray::number(c.offset_x / 10.0) +
         ",\"offset_y_mm\":" + QByteArray::number(c.offset_y / 10.0) +
         ",\"scale_percent\":" + QByteArray::number(c.scale / 10.0) + "}\n";
  return out;
}

bool JsonLinesSink::Ready(QString* error) {
  const QString folder = QFileInfo(path_).absolutePath();
  if (path_.isEmpty() || !QDir().mkpath(folder) || QFileInfo(path_).isDir()) {
    if (error) *error = QStringLiteral("出力ファイルを作成できませんでした。\r") + path_;
    return false;
  }
  PendingFile::RemoveStale(folder);
  return true;
}

bool JsonLinesSink::Write(const PrintDocument& doc, QString* error) {
  if (written_ == 0 && !Ready(error)) return false;
  const QByteArray lines = DocumentToJsonLines(doc, written_ + 1);
  if (!file_.Append(written_ == 0 ? calibration_ + lines : lines)) {
    if (error) *error = QStringLiteral("出力ファイルに書き込めませんでした。\r") + path_;
    return false;
  }
  ++written_;
  return true;
}

bool JsonLinesSink::Finish(QString* error) {
  if (!written_path_.isEmpty()) return true;
  // An existing dump is never replaced (two runs given one name would lose one): the run
  // goes to "name_2.jsonl", "name_3.jsonl", ... as PDF files do.
  const QFileInfo info(path_);
  const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
  for (int seq = 1; seq <= 999; ++seq) {
    const QString path =
        seq == 1 ? path_
                 : info.dir().filePath(
                       QStringLiteral("%1_%2%3").arg(info.completeBaseName()).arg(seq).arg(suffix));
    file_.SetPath(path);
    bool exists = false;
    if (file_.Publish(false, &exists)) {
      written_path_ = path;
      return true;
    }
    if (!exists) break;
  }
  if (error) *error = QStringLiteral("出力ファイルに書き込めませんでした。\r") + path_;
  return false;
}

}  // namespace kvsys
