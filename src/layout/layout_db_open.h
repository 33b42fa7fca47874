#pragma once

#include <QString>
#include <memory>

namespace kvsys {

class Database;
class Workspace;

inline const QString kLayoutDbDamagedMessage = QStringLiteral(
    "レイアウトデータベース（KVSYS.mdb）が壊れています。これ以上書き込まないため終了します。"
    "バックアップから戻すか、壊れたファイルを別の名前にして作り直してください。");

// KVSYS.mdb as a program that writes to it finds it: open, or refused and why.
struct LayoutDbOpening {
  std::shared_ptr<Database> db;  // null when refused
  QString refusal;               // for the operator, lines parted by "\r"; empty when open
};

// Opens the layout database at path for writing, and keeps it open only when SQLite's quick
// check finds it sound. A damaged file (a share's locking failed, a crash mid-write) is closed
// again before anything is written to it, and a copy is kept beside it for whoever repairs it
// (path + ".damaged", ".damaged-2" ...). Every program that writes to KVSYS.mdb opens it here.
// Raises DbError as Workspace::OpenDatabase does, and when the check cannot run (busy).
LayoutDbOpening OpenLayoutDbForWriting(Workspace& workspace, const QString& path);

}  // namespace kvsys
