// kvsys-mkdb PATH: writes an empty layout database with every table of the layout store.
// Exit codes: 0 written, 1 not written (the file exists, or it could not be created), 2 usage.
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

#include "db/db_error.h"
#include "layout/layout_schema.h"

namespace {

void Usage(QTextStream& s) {
  s << "使い方: kvsys-mkdb PATH\n"
       "  PATH に空のレイアウトデータベース (KVSYS.mdb) "
       "を作成します。既存のファイルは上書きしません。\n"
       "  プログラムフォルダは、kvsys と同じフォルダに KVSYS.mdb を作り、KVSYS.ini に\n"
       "  [D_B] DB_Path（大会データベースのフォルダ）を書いて作ります。\n"
       "  [Prn] がなければ最初の起動で印刷オプションの初期値が書かれます。\n"
       "  レイアウトの見本は kvsys-print --example-layouts で保存できます。\n"
       "Usage: kvsys-mkdb PATH\n"
       "  Writes an empty layout database (KVSYS.mdb) at PATH; an existing file is never "
       "overwritten.\n"
       "  A program folder is the folder of kvsys with KVSYS.mdb and a KVSYS.ini naming the\n"
       "  meets folder ([D_B] DB_Path). The first start writes\n"
       "  the starting print options when [Prn] is missing; kvsys-print --example-layouts\n"
       "  saves the example layouts.\n";
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  QTextStream out(stdout);
  QTextStream err(stderr);

  if (args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
    Usage(out);
    return 0;
  }
  if (args.size() != 1 || args[0].isEmpty() || args[0].startsWith(u'-')) {
    Usage(err);
    return 2;
  }
  const QString path = args[0];
  try {
    kvsys::CreateLayoutDatabase(path);
  } catch (const kvsys::DbError& e) {
    if (e.number() == kvsys::dberr::kDatabaseExists) {
      err << "kvsys-mkdb: ファイルが既にあるため作成しませんでした: " << path << "\n"
          << "kvsys-mkdb: not written, the file already exists: " << path << "\n";
    } else {
      err << "kvsys-mkdb: レイアウトデータベースを作成できませんでした: " << path << "\n"
          << "  " << e.text() << "(" << e.number() << ")";
      if (!e.detail().isEmpty()) err << " " << e.detail();
      err << "\n"
          << "kvsys-mkdb: could not write the layout database: " << path << "\n";
    }
    return 1;
  }
  out << "レイアウトデータベースを作成しました: " << path << "\n";
  return 0;
}
