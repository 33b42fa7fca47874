// The Jet-SQL dialect step and the statement analysis: any text, no fault; the tokens cover the
// text; only "Delete * from" and "Delete T.* from" are rewritten; a quoted name reads back.

#include <QString>

#include "db/sql_text.h"
#include "fuzz_support.h"

namespace {

// Whether b is a with some pieces left out, in order.
bool IsSubsequence(const QString& b, const QString& a) {
  qsizetype j = 0;
  for (qsizetype i = 0; i < a.size() && j < b.size(); ++i) {
    if (a[i] == b[j]) ++j;
  }
  return j == b.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const QString name = kvsys::fuzz::RawText(in, 16);
  const QString column = kvsys::fuzz::RawText(in, 16);
  const std::string rest = in.ConsumeRemainingBytesAsString();
  const QString sql = QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));

  qsizetype at = 0;
  for (const kvsys::SqlToken& t : kvsys::TokenizeSql(sql)) {
    FUZZ_CHECK(t.start == at && t.length > 0);
    at += t.length;
  }
  FUZZ_CHECK(at == sql.size());

  const QString dialect = kvsys::ToSqliteDialect(sql);
  FUZZ_CHECK(IsSubsequence(dialect, sql));
  FUZZ_CHECK(kvsys::ToSqliteDialect(dialect) == dialect);
  if (!sql.contains(QLatin1String("delete"), Qt::CaseInsensitive)) FUZZ_CHECK(dialect == sql);

  const kvsys::SelectShape shape = kvsys::AnalyzeSelect(sql);
  FUZZ_CHECK(shape.list_start >= -1 && shape.list_start < qMax<qsizetype>(sql.size(), 1));
  FUZZ_CHECK(!shape.single_table || shape.sources.size() == 1);
  (void)kvsys::SingleTableName(sql);

  // Names the engine quotes itself come back as they were.
  if (!name.isEmpty()) {
    FUZZ_CHECK(kvsys::SingleTableName(kvsys::QuoteIdentifier(name)) == name);
    if (!column.isEmpty()) {
      const kvsys::SelectShape one =
          kvsys::AnalyzeSelect(QStringLiteral("SELECT ") + kvsys::QuoteIdentifier(column) +
                               QStringLiteral(" FROM ") + kvsys::QuoteIdentifier(name));
      FUZZ_CHECK(one.single_table && one.items.size() == 1);
      FUZZ_CHECK(one.items[0].column == column && one.sources[0].table == name);
    }
  }
  return 0;
}
