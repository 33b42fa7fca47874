// kvsys-jetread: copies every user table of a Jet (.mdb) file into a new SQLite file.
//
// The program starts this helper for each Jet file it opens and loads the SQLite file it
// writes. libmdb loops forever on some damaged files and has memory-safety faults, so it only
// ever runs here, in a process with limits on CPU time, memory and output that the parent also
// kills after a wall-clock limit.
//
//   kvsys-jetread [--cpu-seconds N] [--memory-bytes N] [--output-bytes N] [--parent-pid N]
//                 INPUT.mdb OUTPUT
//
// The helper ends with its parent, as nobody would read what it writes; --parent-pid names
// the parent, so a helper whose parent died before it could arrange that ends too.
//
// Exit status: 0 written, 2 bad arguments, 3 not a Jet file, 4 damaged file, 5 output not
// written. A failure prints one line of text on standard output. The finished file carries
// kJetCopyMarker as its user_version, so a file cut short is never taken for a whole one.

// The Debian mdbtools.h wraps its own includes of glib.h and iconv.h in extern "C", which
// breaks glib's C++ parts: include them first.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "db/jet_copy_format.h"
#include "db/jet_date.h"

#ifdef __SANITIZE_ADDRESS__
// libmdb does not free all it allocates: a leak report must not turn a good read into a
// failed one in a sanitizer build.
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0";
}
#endif

namespace {

using kvsys::JetReadExit;

constexpr int kRowFlagMoved = 0x4000;  // deleted, or moved to another page (read there)
constexpr int kRowOffsetMask = 0x1fff;
constexpr int kIndexPrimaryKey = 1;
constexpr size_t kMemoLimit = 1 << 20;  // longer memo texts are cut by libmdb; ours have none

[[noreturn]] void Fail(JetReadExit code, const std::string& text) {
  std::fprintf(stdout, "%s\n", text.c_str());
  std::fflush(stdout);
  std::_Exit(static_cast<int>(code));
}

std::string Quote(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    q += c;
    if (c == '"') q += '"';
  }
  return q + "\"";
}

void ApplyLimit(int resource, unsigned long long soft, unsigned long long hard) {
  rlimit limit{static_cast<rlim_t>(soft), static_cast<rlim_t>(hard)};
  if (setrlimit(resource, &limit) != 0) Fail(JetReadExit::BadArguments, "limit not applied");
}

unsigned long long ParseCount(const char* text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text || *end != '\0' || value == 0) Fail(JetReadExit::BadArguments, "bad limit");
  return value;
}

class Output {
 public:
  explicit Output(const char* path) {
    if (sqlite3_open_v2(path, &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
      Fail(JetReadExit::OutputFailed, "cannot create the output file");
    }
    Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
  }
  ~Output() { sqlite3_close(db_); }
  sqlite3* db() const { return db_; }

  // A statement the output refuses; failure ends with exit (a broken name is the file's
  // fault, a full disk the output's).
  void Exec(const std::string& sql, JetReadExit exit = JetReadExit::OutputFailed) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
      Fail(exit, std::string("output: ") + sqlite3_errmsg(db_));
    }
  }
  void Finish() {
    Exec("COMMIT");
    Exec("PRAGMA user_version=" + std::to_string(kvsys::kJetCopyMarker));
    if (sqlite3_close(db_) != SQLITE_OK) Fail(JetReadExit::OutputFailed, "output not closed");
    db_ = nullptr;
  }

 private:
  sqlite3* db_ = nullptr;
};

struct Column {
  MdbColumn* col;
  const char* declared;
};

const char* DeclaredType(int col_type) {
  switch (col_type) {
    case MDB_BOOL:
      return "BOOLEAN";
    case MDB_BYTE:
      return "TINYINT";
    case MDB_INT:
      return "SMALLINT";
    case MDB_LONGINT:
    case MDB_COMPLEX:
      return "INTEGER";
    case MDB_MONEY:  // REAL affinity, so 0 stays 0.0 like 3.5
      return "REAL";
    case MDB_FLOAT:
      return "FLOAT";
    case MDB_DOUBLE:
      return "DOUBLE";
    case MDB_NUMERIC:
      return "DECIMAL";
    case MDB_DATETIME:  // as text; a value no calendar takes keeps its raw number
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
      return "TEXT";
    default:
      return "BLOB";
  }
}

// The number of objects the catalog table says it holds.
unsigned CatalogRowCount(MdbHandle* mdb) {
  MdbCatalogEntry catalog{};
  catalog.mdb = mdb;
  catalog.object_type = MDB_TABLE;
  catalog.table_pg = 2;  // where every Jet file keeps MSysObjects
  std::snprintf(catalog.object_name, sizeof catalog.object_name, "MSysObjects");
  MdbTableDef* table = mdb_read_table(&catalog);
  if (!table) Fail(JetReadExit::Damaged, "catalog unreadable");
  const unsigned rows = table->num_rows;
  mdb_free_tabledef(table);
  return rows;
}

class TableCopier {
 public:
  TableCopier(MdbHandle* mdb, Output& out) : mdb_(mdb), out_(out) {}

  void Copy(MdbCatalogEntry* entry) {
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) Fail(JetReadExit::Damaged, std::string("table unreadable: ") + entry->object_name);
    if (!mdb_read_columns(table)) {
      Fail(JetReadExit::Damaged, std::string("columns unreadable: ") + entry->object_name);
    }
    if (table->num_cols > 0) {
      mdb_read_indices(table);
      // A key that damaged data breaks costs us the key, not the rows.
      if (!CopyRows(table, true)) {
        out_.Exec("DROP TABLE " + Quote(table->name));
        CopyRows(table, false);
      }
      IndexEventNumber(table);
    }
    mdb_free_tabledef(table);
  }

 private:
  // The print run asks for the results of one event at a time; without an index every
  // question reads the whole results table. The copy is private, so the index costs nothing
  // on the results system's side.
  void IndexEventNumber(MdbTableDef* table) {
    static const std::string kEventNumber = "競技番号";
    for (unsigned i = 0; i < table->num_cols; ++i) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
      if (kEventNumber == col->name) {
        out_.Exec("CREATE INDEX " + Quote(std::string(table->name) + "_" + kEventNumber) + " ON " +
                  Quote(table->name) + " (" + Quote(col->name) + ")");
        return;
      }
    }
  }

  // False only when the rows broke the primary key.
  bool CopyRows(MdbTableDef* table, bool with_key) {
    std::vector<Column> cols;
    std::string create = "CREATE TABLE " + Quote(table->name) + " (";
    std::string insert = "INSERT INTO " + Quote(table->name) + " VALUES (";
    for (unsigned i = 0; i < table->num_cols; ++i) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
      cols.push_back({col, DeclaredType(col->col_type)});
      create += (i ? ", " : "") + Quote(col->name) + " " + cols.back().declared;
      insert += i ? ", ?" : "?";
    }
    if (with_key) create += KeyClause(table);
    out_.Exec(create + ")", JetReadExit::Damaged);

    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(out_.db(), (insert + ")").c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      Fail(JetReadExit::OutputFailed, std::string("output: ") + sqlite3_errmsg(out_.db()));
    }
    std::vector<MdbField> fields(table->num_cols);
    const int pg_size = static_cast<int>(mdb_->fmt->pg_size);
    unsigned copied = 0;
    mdb_rewind_table(table);
    while (mdb_read_next_dpg(table)) {
      const int rows = mdb_get_int16(mdb_->pg_buf, mdb_->fmt->row_count_offset);
      for (int r = 0; r < rows; ++r) {
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb_, r, &start, &size) != 0 || size == 0) continue;
        if (start & kRowFlagMoved) continue;
        start &= kRowOffsetMask;
        if (mdb_crack_row(table, start, size, fields.data()) < 0) {
          Fail(JetReadExit::Damaged, std::string("row unreadable in ") + table->name);
        }
        for (unsigned i = 0; i < table->num_cols; ++i) {
          const MdbField& f = fields[i];
          if (!f.is_null && (f.start < 0 || f.siz < 0 || f.start + f.siz > pg_size)) {
            Fail(JetReadExit::Damaged, std::string("value outside its page in ") + table->name);
          }
          Bind(stmt, static_cast<int>(i) + 1, cols[f.colnum].col, f);
        }
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (rc == SQLITE_CONSTRAINT && with_key) {
          sqlite3_finalize(stmt);
          return false;
        }
        if (rc != SQLITE_DONE) {
          Fail(JetReadExit::OutputFailed, std::string("output: ") + sqlite3_errmsg(out_.db()));
        }
        ++copied;
      }
    }
    sqlite3_finalize(stmt);
    // libmdb ends a table quietly at a page it cannot read (a file cut short) and may read a
    // page twice from a broken usage map; the table's own row count tells.
    if (copied != table->num_rows) {
      Fail(JetReadExit::Damaged, std::string("row count differs in ") + table->name);
    }
    return true;
  }

  static std::string KeyClause(MdbTableDef* table) {
    for (unsigned i = 0; table->indices && i < table->num_idxs; ++i) {
      auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, i));
      if (idx->index_type != kIndexPrimaryKey || idx->num_keys == 0) continue;
      std::string clause = ", PRIMARY KEY (";
      for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
        const int n = idx->key_col_num[k] - 1;
        if (n < 0 || n >= static_cast<int>(table->num_cols)) return {};
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, n));
        clause += (k ? ", " : "") + Quote(col->name);
      }
      return clause + ")";
    }
    return {};
  }

  void BindText(sqlite3_stmt* stmt, int n, const MdbField& f) {
    // UTF-8 of UCS-2, compressed Unicode or CP932 never needs more than 3 bytes a source byte.
    text_.resize(static_cast<size_t>(f.siz) * 3 + 8);
    const int len = mdb_unicode2ascii(mdb_, reinterpret_cast<const char*>(mdb_->pg_buf) + f.start,
                                      static_cast<size_t>(f.siz), text_.data(), text_.size() - 1);
    sqlite3_bind_text(stmt, n, text_.data(), len, SQLITE_TRANSIENT);
  }

  void BindNumeric(sqlite3_stmt* stmt, int n, MdbColumn* col, const MdbField& f) {
    // Sign byte, then a 128-bit magnitude as four little-endian words, the highest first.
    uint32_t words[4];
    for (int w = 0; w < 4; ++w) {
      words[w] = static_cast<uint32_t>(mdb_get_int32(mdb_->pg_buf, f.start + 1 + 4 * w));
    }
    const bool negative = (mdb_->pg_buf[f.start] & 0x80) != 0;
    const uint64_t low = (static_cast<uint64_t>(words[2]) << 32) | words[3];
    if (col->col_scale == 0 && words[0] == 0 && words[1] == 0 && low <= INT64_MAX) {
      const auto v = static_cast<int64_t>(low);
      sqlite3_bind_int64(stmt, n, negative ? -v : v);
      return;
    }
    double v = 0;
    for (uint32_t w : words) v = v * 4294967296.0 + w;
    for (int s = 0; s < col->col_scale; ++s) v /= 10.0;
    sqlite3_bind_double(stmt, n, negative ? -v : v);
  }

  // A date as the results system's text when it is one, else the day number itself.
  static void BindDate(sqlite3_stmt* stmt, int n, double day_number) {
    if (const auto text = kvsys::JetDateText(day_number)) {
      sqlite3_bind_text(stmt, n, text->c_str(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_double(stmt, n, day_number);
    }
  }

  // A value libmdb turns into text itself (a memo follows its pages).
  void BindAsLibmdbText(sqlite3_stmt* stmt, int n, const MdbField& f, int type) {
    char* text = mdb_col_to_string(mdb_, mdb_->pg_buf, f.start, type, f.siz);
    sqlite3_bind_text(stmt, n, text ? text : "", -1, SQLITE_TRANSIENT);
    g_free(text);
  }

  void Bind(sqlite3_stmt* stmt, int n, MdbColumn* col, const MdbField& f) {
    if (col->col_type == MDB_BOOL) {  // the null bit is the value itself
      sqlite3_bind_int(stmt, n, f.is_null ? 0 : -1);
      return;
    }
    if (f.is_null) {
      sqlite3_bind_null(stmt, n);
      return;
    }
    unsigned char* buf = mdb_->pg_buf;
    auto need = [&](int bytes) {
      if (f.siz < bytes) Fail(JetReadExit::Damaged, std::string("short value in ") + col->name);
    };
    switch (col->col_type) {
      case MDB_BYTE:
        need(1);
        sqlite3_bind_int(stmt, n, buf[f.start]);
        break;
      case MDB_INT:
        need(2);
        sqlite3_bind_int(stmt, n, static_cast<int16_t>(mdb_get_int16(buf, f.start)));
        break;
      case MDB_LONGINT:
      case MDB_COMPLEX:
        need(4);
        sqlite3_bind_int(stmt, n, static_cast<int32_t>(mdb_get_int32(buf, f.start)));
        break;
      case MDB_MONEY: {
        need(8);
        int64_t v = 0;
        std::memcpy(&v, buf + f.start, 8);  // little-endian, 1/10000 units
        sqlite3_bind_double(stmt, n, static_cast<double>(v) / 10000.0);
        break;
      }
      case MDB_FLOAT:
        need(4);
        sqlite3_bind_double(stmt, n, mdb_get_single(buf, f.start));
        break;
      case MDB_DOUBLE:
        need(8);
        sqlite3_bind_double(stmt, n, mdb_get_double(buf, f.start));
        break;
      case MDB_DATETIME:
        need(8);
        BindDate(stmt, n, mdb_get_double(buf, f.start));
        break;
      case MDB_NUMERIC:
        need(17);
        BindNumeric(stmt, n, col, f);
        break;
      case MDB_TEXT:
        BindText(stmt, n, f);
        break;
      case MDB_MEMO:
        BindAsLibmdbText(stmt, n, f, MDB_MEMO);
        break;
      case MDB_REPID:
        need(16);
        BindAsLibmdbText(stmt, n, f, MDB_REPID);
        break;
      case MDB_OLE:
        BindOle(stmt, n, col, f);
        break;
      default:  // binary and anything newer: the bytes as stored
        sqlite3_bind_blob(stmt, n, buf + f.start, f.siz, SQLITE_TRANSIENT);
        break;
    }
  }

  void BindOle(sqlite3_stmt* stmt, int n, MdbColumn* col, const MdbField& f) {
    if (f.siz < MDB_MEMO_OVERHEAD) {
      sqlite3_bind_zeroblob(stmt, n, 0);
      return;
    }
    // libmdb's reader works through the column's bound buffer: the value's header first,
    // then every chunk it reads (at most a page, or an inline value).
    ole_.assign(kMemoLimit + mdb_->fmt->pg_size, 0);
    std::memcpy(ole_.data(), mdb_->pg_buf + f.start, MDB_MEMO_OVERHEAD);
    col->bind_ptr = ole_.data();
    col->cur_value_start = f.start;
    col->cur_value_len = f.siz;
    size_t size = 0;
    void* data = mdb_ole_read_full(mdb_, col, &size);
    col->bind_ptr = nullptr;
    sqlite3_bind_blob64(stmt, n, data, size, SQLITE_TRANSIENT);
    std::free(data);
  }

  MdbHandle* mdb_;
  Output& out_;
  std::vector<char> text_;
  std::vector<char> ole_;
};

}  // namespace

int main(int argc, char** argv) {
  // Killed with the parent; a parent killed before this call is checked for below.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--cpu-seconds" && has_value) {
      const auto s = ParseCount(argv[++i]);
      ApplyLimit(RLIMIT_CPU, s, s + 1);  // SIGXCPU first, then SIGKILL
    } else if (arg == "--memory-bytes" && has_value) {
      const auto bytes = ParseCount(argv[++i]);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's shadow memory alone exceeds any sane limit
      ApplyLimit(RLIMIT_AS, bytes, bytes);
#else
      (void)bytes;
#endif
    } else if (arg == "--output-bytes" && has_value) {
      const auto bytes = ParseCount(argv[++i]);
      ApplyLimit(RLIMIT_FSIZE, bytes, bytes);
    } else if (arg == "--parent-pid" && has_value) {
      // Another parent means ours is gone already (we were handed on to another process).
      if (static_cast<unsigned long long>(getppid()) != ParseCount(argv[++i])) std::_Exit(1);
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.size() != 2) {
    Fail(JetReadExit::BadArguments,
         "usage: kvsys-jetread [--cpu-seconds N] [--memory-bytes N] [--output-bytes N] "
         "[--parent-pid N] INPUT.mdb OUTPUT");
  }
  ApplyLimit(RLIMIT_CORE, 0, 0);

  // Jet 3 text is in the workstation's code page; plain SHIFT-JIS gets ① and ～ wrong.
  setenv("MDB_JET3_CHARSET", "CP932", 1);
  setenv("MDB_ICONV", "UTF-8", 1);

  MdbHandle* mdb = mdb_open(files[0], MDB_NOFLAGS);
  if (!mdb) Fail(JetReadExit::NotJet, "not a Jet database");
  mdb_set_bind_size(mdb, kMemoLimit);
  struct stat input {};
  const long long page_size = mdb->fmt->pg_size;
  if (stat(files[0], &input) != 0 || input.st_size % page_size != 0) {
    Fail(JetReadExit::Damaged, "file size is not a whole number of pages");
  }
  const unsigned objects = CatalogRowCount(mdb);

  // Reading the catalog frees the previous one: read it once and keep to its entries.
  GPtrArray* catalog = mdb_read_catalog(mdb, MDB_ANY);
  if (!catalog || catalog->len < objects) Fail(JetReadExit::Damaged, "catalog unreadable");
  std::vector<MdbCatalogEntry*> tables;
  for (guint i = 0; i < catalog->len; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
    if (mdb_is_user_table(entry)) tables.push_back(entry);
  }

  Output out(files[1]);
  TableCopier copier(mdb, out);
  for (MdbCatalogEntry* entry : tables) copier.Copy(entry);
  out.Finish();
  mdb_close(mdb);
  return 0;
}
