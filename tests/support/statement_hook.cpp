#include "support/statement_hook.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace kvsys::test {

namespace {

StatementHook* g_hook = nullptr;

using EntryPoint = void (*)();

}  // namespace

StatementHook::StatementHook(const QString& path) : path_(QFileInfo(path).canonicalFilePath()) {
  EXPECT_EQ(g_hook, nullptr) << "one statement hook at a time";
  g_hook = this;
  sqlite3_auto_extension(reinterpret_cast<EntryPoint>(&StatementHook::Attach));
}

StatementHook::~StatementHook() {
  sqlite3_cancel_auto_extension(reinterpret_cast<EntryPoint>(&StatementHook::Attach));
  // The connection may outlive the hook: its trace then finds no hook and does nothing.
  g_hook = nullptr;
}

int StatementHook::Attach(sqlite3* db, char** /*error*/, const sqlite3_api_routines* /*api*/) {
  StatementHook* hook = g_hook;
  if (hook == nullptr || hook->watched_ != nullptr) return SQLITE_OK;
  const char* file = sqlite3_db_filename(db, "main");
  if (file == nullptr || *file == '\0') return SQLITE_OK;
  if (QFileInfo(QString::fromUtf8(file)).canonicalFilePath() != hook->path_) return SQLITE_OK;
  hook->watched_ = db;
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &StatementHook::Trace, nullptr);
  return SQLITE_OK;
}

int StatementHook::Trace(unsigned type, void* /*context*/, void* statement, void* /*sql*/) {
  StatementHook* hook = g_hook;
  if (type != SQLITE_TRACE_STMT || hook == nullptr || !hook->on_statement || hook->in_call_) {
    return 0;
  }
  auto* st = static_cast<sqlite3_stmt*>(statement);
  // A connection watched by an earlier hook is not this hook's.
  if (sqlite3_db_handle(st) != hook->watched_) return 0;
  const char* text = sqlite3_sql(st);
  if (text == nullptr) return 0;
  hook->in_call_ = true;
  hook->on_statement(QString::fromUtf8(text));
  hook->in_call_ = false;
  return 0;
}

int SaveWithoutWaiting(sqlite3* db, const QString& sql) {
  sqlite3_busy_timeout(db, 0);
  const QByteArray text = "BEGIN IMMEDIATE;" + sql.toUtf8() + ";COMMIT;";
  const int rc = sqlite3_exec(db, text.constData(), nullptr, nullptr, nullptr);
  if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  return rc;
}

}  // namespace kvsys::test
