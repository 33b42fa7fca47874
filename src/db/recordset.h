#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <memory>

#include "db/db_constants.h"
#include "db/db_error.h"

namespace kvsys {

namespace detail {
struct RecordsetData;
class Connection;
class RowStore;
}  // namespace detail

// The rows of a table or query, read completely when the recordset is opened (no statement
// stays open). Updatable recordsets write through optimistic checks: a row is changed or
// deleted only while it still holds the values read, otherwise 3197 (changed) or 3167
// (deleted) is raised. Every failure is a DbError.
class Recordset {
 public:
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Position. An empty recordset is at both Eof and Bof.
  bool Eof() const;
  bool Bof() const;
  int RecordCount() const;  // rows not deleted, added rows included
  void MoveFirst();         // no effect on an empty recordset
  void MoveLast();
  void MoveNext();      // 3021 when already at Eof
  void MovePrevious();  // 3021 when already at Bof

  // Fields. Names match without regard to ASCII case and to the width of Latin letters and
  // digits; "alias.column" names a column of one table of a join. Unknown names raise 3265,
  // reading with no current row 3021, a deleted row 3167. Null reads as a null QVariant,
  // integers as int (qlonglong beyond 32 bits), texts as QString, reals as double.
  QVariant Field(const QString& name) const;
  QVariant Field(int index) const;
  // Appends Field(index).toString() in UTF-8; a long read of texts makes no QVariant per value.
  void AppendFieldText(int index, QByteArray& out) const;
  int FieldCount() const;
  QString FieldName(int index) const;
  bool HasField(const QString& name) const;
  int FieldIndex(const QString& name) const;  // -1 when unknown

  // Editing: AddNew or Edit, SetField, then Update (or CancelUpdate). Writes to a read-only
  // recordset or database raise 3027; SetField with no edit pending raises 3020. A value is
  // converted to the column's declared kind (text to a number column must read as a number,
  // else 3421). After 3197 the recordset holds the row as it now stands and the edit stays
  // pending, so calling Update again overwrites the other change.
  void AddNew();
  void Edit();
  void SetField(const QString& name, const QVariant& value);
  void SetField(int index, const QVariant& value);
  void Update();
  void CancelUpdate();   // no effect when nothing is pending
  int EditMode() const;  // dbEditNone, dbEditInProgress or dbEditAdd
  void Delete();         // the current row; the position stays on the deleted row

  // Bookmarks are valid for this recordset and its clones.
  QByteArray Bookmark() const;
  void SetBookmark(const QByteArray& bookmark);
  QByteArray LastModified() const;  // the row last added or changed; empty when none
  // A second position over the same rows (changes through either show in both).
  std::unique_ptr<Recordset> Clone() const;

  // Search the rows in recordset order; the position moves to the match, and stays when
  // there is none (NoMatch true).
  void FindFirst(const QString& criteria);
  void FindNext(const QString& criteria);
  void FindPrevious(const QString& criteria);
  void FindLast(const QString& criteria);
  bool NoMatch() const;

  // Table-type recordsets: "PrimaryKey" or the name of an index of the table; the rows are
  // then in the order of that index. Seek takes "=", "<", "<=", ">" or ">=".
  void SetIndex(const QString& index);
  QString Index() const;
  void Seek(const QString& op, const QVariant& key);
  void Seek(const QString& op, const QVariantList& key);

  // Edits are always optimistic; the flag is kept for callers that set it.
  void SetLockEdits(bool lock);
  bool LockEdits() const;

  int Type() const;  // dbOpenTable, dbOpenDynaset or dbOpenSnapshot
  bool Updatable() const;
  void Close();
  bool IsOpen() const;

 private:
  friend class Database;
  explicit Recordset(std::shared_ptr<detail::RecordsetData> data);

  detail::RecordsetData& Data() const;  // raises 3420 once closed
  int LiveRow() const;                  // storage row of the current record, checked
  void CancelEdit();
  void MoveTo(int position);
  int FirstLive(int from, int step) const;
  void Find(const QString& criteria, int from, int step);
  void RefreshRow(int row, const detail::RowStore& now);
  detail::RowStore ReadRow(qint64 rowid) const;  // no row when it is gone
  [[noreturn]] void RaiseConflict(int row);

  std::shared_ptr<detail::RecordsetData> data_;
  // Position as an index into the row order; kBefore or kAfter outside the rows.
  static constexpr int kBefore = -1;
  static constexpr int kAfter = -2;
  int pos_ = kAfter;
  int edit_mode_ = dbEditNone;
  std::vector<QVariant> buffer_;
  std::vector<bool> changed_;
  bool no_match_ = false;
  bool lock_edits_ = false;
  int last_modified_ = -1;
};

// Counts the rows from the first to the end and goes back to the position it found (when there
// was one). The count is capped at 32767.
int16_t CountRows(Recordset& rs);

}  // namespace kvsys
