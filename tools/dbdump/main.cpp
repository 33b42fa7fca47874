// kvsys-dbdump PATH [TABLE]: what the program sees in a database file, read through the same
// engine. Without TABLE it lists the tables; with it, it writes the table as tab-separated
// UTF-8 text: a header line of the column names in their order, then one line per row.
// Null is written as \N; a backslash, tab, line feed or carriage return inside a text as \\,
// \t, \n, \r, so every line is one row. Bytes are written as \x and their hex digits.
#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

#include "db/workspace.h"

namespace {

QString Escaped(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    switch (c.unicode()) {
      case '\\':
        out += QLatin1String("\\\\");
        break;
      case '\t':
        out += QLatin1String("\\t");
        break;
      case '\n':
        out += QLatin1String("\\n");
        break;
      case '\r':
        out += QLatin1String("\\r");
        break;
      default:
        out += c;
    }
  }
  return out;
}

QString Cell(const QVariant& v) {
  if (!v.isValid() || v.isNull()) return QStringLiteral("\\N");
  switch (v.typeId()) {
    case QMetaType::Double:
      return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
      return QStringLiteral("\\x") + QString::fromLatin1(v.toByteArray().toHex());
    case QMetaType::QString:
      return Escaped(v.toString());
    default:
      return v.toString();
  }
}

void WriteTable(kvsys::Database& db, const QString& table, QTextStream& out) {
  auto rs = db.OpenRecordset(table, kvsys::dbOpenSnapshot);
  QStringList line;
  for (int i = 0; i < rs->FieldCount(); ++i) line << Escaped(rs->FieldName(i));
  out << line.join(QLatin1Char('\t')) << '\n';
  for (; !rs->Eof(); rs->MoveNext()) {
    line.clear();
    for (int i = 0; i < rs->FieldCount(); ++i) line << Cell(rs->Field(i));
    out << line.join(QLatin1Char('\t')) << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  QTextStream out(stdout);
  QTextStream err(stderr);
  if (args.isEmpty() || args.size() > 2 || args.first().startsWith(QLatin1Char('-'))) {
    err << "usage: kvsys-dbdump PATH [TABLE]\n"
           "  lists the tables of the database at PATH, or writes TABLE as tab-separated\n"
           "  UTF-8 text with a header line (null as \\N)\n";
    return 2;
  }
  try {
    kvsys::Workspace workspace;
    auto db = workspace.OpenDatabase(args[0], false, true);
    if (args.size() == 1) {
      for (const QString& name : db->TableNames()) out << name << '\n';
    } else if (!db->TableExists(args[1])) {
      err << QStringLiteral("テーブル %1 はありません。\n").arg(args[1]);
      return 1;
    } else {
      WriteTable(*db, args[1], out);
    }
  } catch (const kvsys::DbError& e) {
    out.flush();
    err << e.text() << '(' << e.number() << ")\n";
    return 1;
  }
  return 0;
}
