#include "layout_test_support.h"

#include <QFile>

namespace kvsys::test {

RawDb::RawDb(const QString& path) {
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
      SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path.toStdString();
  }
  sqlite3_busy_timeout(db_, 5000);
}

RawDb::~RawDb() {
  sqlite3_close_v2(db_);
}

void RawDb::Exec(const QString& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
    ADD_FAILURE() << sql.toStdString() << ": " << (message ? message : "");
  }
  sqlite3_free(message);
}

QVariant RawDb::Scalar(const QString& sql) {
  sqlite3_stmt* st = nullptr;
  QVariant out;
  if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql.toStdString() << ": " << sqlite3_errmsg(db_);
    return out;
  }
  if (sqlite3_step(st) == SQLITE_ROW) {
    switch (sqlite3_column_type(st, 0)) {
      case SQLITE_INTEGER:
        out = static_cast<qlonglong>(sqlite3_column_int64(st, 0));
        break;
      case SQLITE_TEXT:
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                sqlite3_column_bytes(st, 0));
        break;
      case SQLITE_NULL:
        break;
      default:
        out = sqlite3_column_double(st, 0);
    }
  }
  sqlite3_finalize(st);
  return out;
}

int RawDb::Count(const QString& table, int number) {
  return Scalar(QStringLiteral("SELECT count(*) FROM \"%1\" WHERE SaveNumber = %2")
                    .arg(table)
                    .arg(number))
      .toInt();
}

void LayoutDbTest::SetUp() {
  path_ = folder_.File(QStringLiteral("KVSYS.mdb"));
  CreateLayoutDatabase(path_);
  db_ = workspace_.OpenDatabase(path_);
  store_ = std::make_unique<LayoutStore>(*db_, dialogs_, errors_);
  raw_ = std::make_unique<RawDb>(path_);
}

std::shared_ptr<Database> LayoutDbTest::OpenSecond() {
  return workspace_.OpenDatabase(path_);
}

LayoutSettings LayoutDbTest::SampleSettings() {
  LayoutSettings s;
  s.rank_heats = 3;
  s.rank_timed_final = 4;
  s.rank_final = 5;
  s.rank_b_final = 6;
  s.title = QStringLiteral("賞状");
  s.edition = QStringLiteral("第12回");
  s.meet_name1 = QStringLiteral("市民水泳大会");
  s.meet_name2 = QStringLiteral("兼 県予選");
  s.body = QStringLiteral("あなたは優秀なる成績を収めましたのでその栄誉を讃えこれを賞します");
  s.date = QStringLiteral("2024年07月21日");
  s.presenter_title = QStringLiteral(" ○○○県水泳連盟理事長");
  s.presenter = QStringLiteral("見本 太郎");
  s.paper_code = 9;
  return s;
}

}  // namespace kvsys::test
