#include "db/sql_text.h"

namespace kvsys {

namespace {

bool IsAsciiSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}
bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
// SQLite takes every character outside ASCII as part of a name, and so do we.
bool IsWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || IsDigit(c) || c == u'_' ||
         c == u'$' || c >= 0x80;
}

qsizetype SkipQuoted(QStringView s, qsizetype i, char16_t close) {
  // i is at the opening character; doubled closing characters stand for themselves.
  const qsizetype n = s.size();
  ++i;
  while (i < n) {
    if (s[i].unicode() == close) {
      if (close != u']' && i + 1 < n && s[i + 1].unicode() == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return n;
}

// Significant tokens only (no blanks, no comments).
struct Lexed {
  QStringView text;
  std::vector<SqlToken> toks;

  QStringView Text(size_t i) const { return text.mid(toks[i].start, toks[i].length); }
  bool IsWord(size_t i, QStringView word) const {
    return i < toks.size() && toks[i].kind == SqlToken::kWord &&
           Text(i).compare(word, Qt::CaseInsensitive) == 0;
  }
  bool IsPunct(size_t i, QStringView p) const {
    return i < toks.size() && toks[i].kind == SqlToken::kPunct && Text(i) == p;
  }
  bool IsName(size_t i) const {
    return i < toks.size() &&
           (toks[i].kind == SqlToken::kWord || toks[i].kind == SqlToken::kQuotedName);
  }
};

Lexed Significant(QStringView sql) {
  Lexed lx{sql, {}};
  for (const SqlToken& t : TokenizeSql(sql)) {
    if (t.kind != SqlToken::kSpace && t.kind != SqlToken::kComment) lx.toks.push_back(t);
  }
  return lx;
}

QString Unquote(QStringView t) {
  if (t.size() >= 2) {
    const char16_t open = t.front().unicode();
    if (open == u'[') return t.mid(1, t.size() - 2).toString();
    if (open == u'"' || open == u'`') {
      QString inner = t.mid(1, t.size() - 2).toString();
      const QString twice(2, QChar(open));
      return inner.replace(twice, QString(QChar(open)));
    }
  }
  return t.toString();
}

QString NameAt(const Lexed& lx, size_t i) {
  return Unquote(lx.Text(i));
}

bool IsOneOf(const Lexed& lx, size_t i, std::initializer_list<const char16_t*> words) {
  for (const char16_t* w : words) {
    if (lx.IsWord(i, QStringView(w))) return true;
  }
  return false;
}

}  // namespace

std::vector<SqlToken> TokenizeSql(QStringView s) {
  std::vector<SqlToken> out;
  const qsizetype n = s.size();
  qsizetype i = 0;
  while (i < n) {
    const qsizetype start = i;
    const char16_t c = s[i].unicode();
    const char16_t next = i + 1 < n ? s[i + 1].unicode() : u'\0';
    SqlToken::Kind kind = SqlToken::kPunct;
    if (IsAsciiSpace(c)) {
      while (i < n && IsAsciiSpace(s[i].unicode())) ++i;
      kind = SqlToken::kSpace;
    } else if (c == u'-' && next == u'-') {
      while (i < n && s[i] != u'\n') ++i;
      kind = SqlToken::kComment;
    } else if (c == u'/' && next == u'*') {
      const qsizetype end = s.indexOf(u"*/", i + 2);
      i = end < 0 ? n : end + 2;
      kind = SqlToken::kComment;
    } else if (c == u'\'') {
      i = SkipQuoted(s, i, u'\'');
      kind = SqlToken::kString;
    } else if (c == u'"' || c == u'`') {
      i = SkipQuoted(s, i, c);
      kind = SqlToken::kQuotedName;
    } else if (c == u'[') {
      i = SkipQuoted(s, i, u']');
      kind = SqlToken::kQuotedName;
    } else if (IsDigit(c) || (c == u'.' && IsDigit(next))) {
      while (i < n && (IsDigit(s[i].unicode()) || s[i] == u'.')) ++i;
      if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-')) ++j;
        if (j < n && IsDigit(s[j].unicode())) {
          i = j;
          while (i < n && IsDigit(s[i].unicode())) ++i;
        }
      }
      kind = SqlToken::kNumber;
    } else if (c == u'?' || ((c == u':' || c == u'@') && IsWordChar(next))) {
      ++i;
      while (i < n && IsWordChar(s[i].unicode())) ++i;
      kind = SqlToken::kParameter;
    } else if (IsWordChar(c)) {
      while (i < n && IsWordChar(s[i].unicode())) ++i;
      kind = SqlToken::kWord;
    } else {
      static const QStringView kTwo[] = {u"<>", u"<=", u">=", u"!=", u"==", u"||", u"<<", u">>"};
      i += 1;
      for (QStringView op : kTwo) {
        if (s.mid(start).startsWith(op)) {
          i = start + 2;
          break;
        }
      }
    }
    out.push_back({kind, start, i - start});
  }
  return out;
}

QString ToSqliteDialect(const QString& sql) {
  const Lexed lx = Significant(sql);
  QString out;
  qsizetype copied = 0;
  for (size_t i = 0; i < lx.toks.size(); ++i) {
    if (!lx.IsWord(i, u"DELETE")) continue;
    // "Delete * from T" and "Delete T.* from T": SQLite takes no column list after DELETE.
    size_t from = 0;
    if (lx.IsPunct(i + 1, u"*") && lx.IsWord(i + 2, u"FROM")) {
      from = i + 2;
    } else if (lx.IsName(i + 1) && lx.IsPunct(i + 2, u".") && lx.IsPunct(i + 3, u"*") &&
               lx.IsWord(i + 4, u"FROM")) {
      from = i + 4;
    }
    if (from == 0) continue;
    out += QStringView(sql).mid(copied, lx.toks[i + 1].start - copied);
    copied = lx.toks[from].start;
  }
  if (copied == 0) return sql;
  out += QStringView(sql).mid(copied);
  return out;
}

QString QuoteIdentifier(const QString& name) {
  QString inner = name;
  inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString SingleTableName(const QString& source) {
  const Lexed lx = Significant(source);
  if (lx.toks.size() != 1 || !lx.IsName(0)) return QString();
  return NameAt(lx, 0);
}

QStringList TablesNamed(const QString& sql) {
  const Lexed lx = Significant(sql);
  QStringList tables;
  for (size_t i = 0; i < lx.toks.size(); ++i) {
    if (!IsOneOf(lx, i, {u"FROM", u"JOIN", u"INTO", u"UPDATE"})) continue;
    // Joins are written in parentheses; a name followed by "(" is a function, not a table.
    size_t j = i + 1;
    while (lx.IsPunct(j, u"(")) ++j;
    if (!lx.IsName(j) || lx.IsWord(j, u"SELECT") || lx.IsPunct(j + 1, u"(")) continue;
    const QString name = NameAt(lx, j);
    if (!name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) && !tables.contains(name)) {
      tables << name;
    }
  }
  return tables;
}

namespace {

// One item of a select list, tokens begin to end: a star, a column (perhaps qualified), or an
// expression (aggregate when it calls an aggregate function).
SelectShape::Item SelectItem(const Lexed& lx, size_t begin, size_t end, bool& aggregate) {
  SelectShape::Item item;
  const size_t len = end - begin;
  const size_t a = begin;
  size_t col_len = len;  // tokens before an alias
  if (len >= 3 && lx.IsWord(end - 2, u"AS") && lx.IsName(end - 1)) col_len = len - 2;
  if (col_len == 1 && lx.IsPunct(a, u"*")) {
    item.kind = SelectShape::Item::kStar;
  } else if (col_len == 3 && lx.IsName(a) && lx.IsPunct(a + 1, u".") && lx.IsPunct(a + 2, u"*")) {
    item.kind = SelectShape::Item::kQualifiedStar;
    item.qualifier = NameAt(lx, a);
  } else if (col_len == 1 && lx.IsName(a)) {
    item.kind = SelectShape::Item::kColumn;
    item.column = NameAt(lx, a);
  } else if (col_len == 3 && lx.IsName(a) && lx.IsPunct(a + 1, u".") && lx.IsName(a + 2)) {
    item.kind = SelectShape::Item::kColumn;
    item.qualifier = NameAt(lx, a);
    item.column = NameAt(lx, a + 2);
  } else {
    for (size_t k = a; k + 1 < end; ++k) {
      if (IsOneOf(lx, k, {u"COUNT", u"SUM", u"AVG", u"MIN", u"MAX", u"TOTAL", u"GROUP_CONCAT"}) &&
          lx.IsPunct(k + 1, u"(")) {
        aggregate = true;
      }
    }
  }
  return item;
}

// The select list from token i up to FROM at the outer level (or the end); returns where it
// stopped.
size_t ReadSelectList(const Lexed& lx, size_t i, SelectShape& shape, bool& aggregate) {
  const size_t n = lx.toks.size();
  int depth = 0;
  size_t item_begin = i;
  for (; i < n; ++i) {
    if (lx.IsPunct(i, u"(")) ++depth;
    if (lx.IsPunct(i, u")")) --depth;
    if (depth != 0) continue;
    if (lx.IsPunct(i, u",")) {
      shape.items.push_back(SelectItem(lx, item_begin, i, aggregate));
      item_begin = i + 1;
    } else if (lx.IsWord(i, u"FROM") || lx.IsPunct(i, u";")) {
      break;
    }
  }
  if (i > item_begin) shape.items.push_back(SelectItem(lx, item_begin, i, aggregate));
  return i;
}

// A table named in FROM at token i, with its alias; i moves past them.
SelectShape::Source FromSource(const Lexed& lx, size_t& i) {
  SelectShape::Source src;
  src.table = NameAt(lx, i);
  if (lx.IsPunct(i + 1, u".") && lx.IsName(i + 2)) {  // schema.table
    i += 2;
    src.table = NameAt(lx, i);
  }
  if (lx.IsWord(i + 1, u"AS") && lx.IsName(i + 2)) {
    src.name = NameAt(lx, i + 2);
    i += 2;
  } else if (lx.IsName(i + 1) &&
             !IsOneOf(lx, i + 1,
                      {u"ON",     u"USING",     u"INNER",   u"LEFT",  u"RIGHT",   u"FULL",
                       u"OUTER",  u"CROSS",     u"NATURAL", u"JOIN",  u"INDEXED", u"NOT",
                       u"WHERE",  u"GROUP",     u"HAVING",  u"ORDER", u"LIMIT",   u"UNION",
                       u"EXCEPT", u"INTERSECT", u"WINDOW"})) {
    src.name = NameAt(lx, i + 1);
    i += 1;
  }
  if (src.name.isEmpty()) src.name = src.table;
  return src;
}

// The FROM clause after token i: names after FROM, a comma or JOIN are tables, each perhaps
// with an alias. known: no subquery stands for a table. Returns where the clause ended.
size_t ReadFromClause(const Lexed& lx, size_t i, SelectShape& shape, bool& known, bool& joined) {
  const size_t n = lx.toks.size();
  bool expect_table = true;
  int cond_depth = -1;
  int depth = 0;
  for (++i; i < n; ++i) {
    if (depth == 0 && (IsOneOf(lx, i,
                               {u"WHERE", u"GROUP", u"HAVING", u"ORDER", u"LIMIT", u"UNION",
                                u"EXCEPT", u"INTERSECT", u"WINDOW"}) ||
                       lx.IsPunct(i, u";"))) {
      break;
    }
    if (lx.IsPunct(i, u"(")) {
      if (expect_table && lx.IsWord(i + 1, u"SELECT")) known = false;
      ++depth;
      continue;
    }
    if (lx.IsPunct(i, u")")) {
      --depth;
      if (cond_depth >= 0 && depth < cond_depth) cond_depth = -1;
      continue;
    }
    if (IsOneOf(lx, i, {u"ON", u"USING"})) {
      cond_depth = depth;
      expect_table = false;
      continue;
    }
    if (lx.IsWord(i, u"JOIN")) {
      joined = true;
      cond_depth = -1;
      expect_table = true;
      continue;
    }
    if (lx.IsPunct(i, u",")) {
      if (cond_depth >= 0 && depth > cond_depth) continue;  // inside a function call
      joined = true;
      cond_depth = -1;
      expect_table = true;
      continue;
    }
    if (!expect_table || !lx.IsName(i)) continue;
    shape.sources.push_back(FromSource(lx, i));
    expect_table = false;
  }
  return i;
}

// Whether the rest of the statement from token i groups or joins another select.
bool GroupedOrCompound(const Lexed& lx, size_t i) {
  int depth = 0;
  for (; i < lx.toks.size(); ++i) {
    if (lx.IsPunct(i, u"(")) ++depth;
    if (lx.IsPunct(i, u")")) --depth;
    if (depth == 0 &&
        IsOneOf(lx, i, {u"GROUP", u"HAVING", u"UNION", u"EXCEPT", u"INTERSECT", u"WINDOW"})) {
      return true;
    }
  }
  return false;
}

}  // namespace

SelectShape AnalyzeSelect(const QString& sql) {
  SelectShape shape;
  const Lexed lx = Significant(sql);
  if (!lx.IsWord(0, u"SELECT")) return shape;
  shape.is_select = true;

  size_t i = 1;
  bool distinct = false;
  if (IsOneOf(lx, i, {u"DISTINCT", u"DISTINCTROW"})) {
    distinct = true;
    ++i;
  } else if (lx.IsWord(i, u"ALL")) {
    ++i;
  }
  if (i < lx.toks.size()) shape.list_start = lx.toks[i].start;
  bool aggregate = false;
  i = ReadSelectList(lx, i, shape, aggregate);
  if (!lx.IsWord(i, u"FROM")) return shape;
  bool known = true;
  bool joined = false;
  i = ReadFromClause(lx, i, shape, known, joined);
  shape.sources_known = known && !shape.sources.empty();
  shape.single_table = shape.sources_known && shape.sources.size() == 1 && !joined && !distinct &&
                       !aggregate && !GroupedOrCompound(lx, i);
  return shape;
}

}  // namespace kvsys
