#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace kvsys {

// Lexical pieces of an SQL text, enough to find keywords, names and the select list without
// touching what stands inside quotes.
struct SqlToken {
  enum Kind { kSpace, kComment, kWord, kQuotedName, kString, kNumber, kParameter, kPunct };
  Kind kind;
  qsizetype start;
  qsizetype length;
};

std::vector<SqlToken> TokenizeSql(QStringView sql);

// The statement in the form SQLite takes: only what SQLite does not accept is rewritten
// ("Delete * from T" and "Delete T.* from T" become "Delete from T"); all else stays as written.
QString ToSqliteDialect(const QString& sql);

// A name as an SQL identifier in double quotes.
QString QuoteIdentifier(const QString& name);

// The name itself when the text is a single name (plain, [bracketed] or "quoted"), else empty.
QString SingleTableName(const QString& source);

// The tables a statement names after FROM, JOIN, INTO and UPDATE, each once, in order; SQLite's
// own tables left out. For messages: which data was being read when a file failed.
QStringList TablesNamed(const QString& sql);

// What a SELECT statement reads, as far as a recordset needs to know: which table a single-table
// select reads (to make it updatable) and which table or alias each result column comes from
// (so that "選手マスター_1.氏名" names one column of a join).
struct SelectShape {
  struct Item {
    enum Kind { kStar, kQualifiedStar, kColumn, kExpression };
    Kind kind = kExpression;
    QString qualifier;  // alias or table before the dot, if any
    QString column;     // for kColumn
  };
  struct Source {
    QString name;   // the alias, or the table name when it has none
    QString table;  // the table
  };
  bool is_select = false;
  bool single_table = false;   // one table, no join, grouping, DISTINCT or compound
  bool sources_known = false;  // every FROM source is a named table
  qsizetype list_start = -1;   // offset of the first select-list item in the text
  std::vector<Item> items;
  std::vector<Source> sources;
};

SelectShape AnalyzeSelect(const QString& sql);

}  // namespace kvsys
