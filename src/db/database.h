#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

#include "db/db_constants.h"
#include "db/db_error.h"
#include "db/recordset.h"

namespace kvsys {

namespace detail {
class Connection;
}

// One open database: an SQLite file, or a Jet file copied into memory (read-only).
// Opened through Workspace::OpenDatabase. Every operation on a closed database raises 3420.
class Database {
 public:
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // source is a table name or an SQL text (statements are taken as the results system and
  // the layout store write them; see ToSqliteDialect). type dbOpenTable (table names only;
  // needed for SetIndex/Seek), dbOpenDynaset (updatable when it reads one table) or
  // dbOpenSnapshot (read-only); options dbReadOnly makes any type read-only.
  std::unique_ptr<Recordset> OpenRecordset(const QString& source, int type = dbOpenDynaset,
                                           int options = 0);
  // The same with values bound to the statement's "?" in order. Use this for every value an
  // operator typed.
  std::unique_ptr<Recordset> OpenRecordsetWithParams(const QString& sql, const QVariantList& params,
                                                     int type = dbOpenDynaset, int options = 0);

  // Runs an action statement (DELETE, INSERT, UPDATE, CREATE ...). A failing statement always
  // raises, with or without dbFailOnError, and changes nothing.
  void Execute(const QString& sql, int options = 0);
  void ExecuteWithParams(const QString& sql, const QVariantList& params, int options = 0);
  int RowsAffected() const;  // rows changed by the last Execute
  // The row number the last INSERT of this connection gave its row.
  qint64 LastInsertId() const;

  void Close();  // its recordsets are closed with it
  bool IsOpen() const;
  QString Name() const;  // the path it was opened from
  bool IsReadOnly() const;

  bool TableExists(const QString& table);
  QStringList TableNames();
  QStringList ColumnNames(const QString& table);  // in table order; empty for no such table

  void SetBusyTimeoutMs(int ms);
  // SQLite's quick integrity check: empty when the file is sound, else what it found (the
  // first lines). Raises DbError when the check cannot run for another reason (busy).
  QString IntegrityProblem();

  // A transaction over several writes: BeginTrans takes the write lock at once (3260 when
  // another connection holds it past the busy timeout); recordset writes inside it become part
  // of it; CommitTrans makes them permanent, Rollback undoes them. Raises 3219 for a
  // transaction already open (BeginTrans) or none open (CommitTrans, Rollback).
  void BeginTrans();
  // A transaction for reads that must agree with each other: it takes no lock until the first
  // read, then holds the read lock, so no other connection can commit between the reads.
  void BeginReadTrans();
  void CommitTrans();
  void Rollback();
  bool InTransaction() const;

  // For Workspace: wraps an open connection.
  struct Passkey {
   private:
    friend class Workspace;
    Passkey() = default;
  };
  Database(Passkey, std::shared_ptr<detail::Connection> connection);

 private:
  void ExecuteStatement(const QString& sql, const QVariantList& params, int options);

  std::shared_ptr<detail::Connection> conn_;
  int rows_affected_ = 0;
};

// Reads of several statements as one consistent view (a run's layout from several tables).
// Ends with the object; inside a transaction already open it adds nothing.
class ReadTransaction {
 public:
  explicit ReadTransaction(Database& db);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Database& db_;
  bool open_ = false;
};

}  // namespace kvsys
