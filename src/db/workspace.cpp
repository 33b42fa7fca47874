#include "db/workspace.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "db/jet_reader.h"
#include "db/jet_work_files.h"
#include "db/sqlite_connection.h"

namespace kvsys {

namespace {

enum class FileKind { kSqlite, kJet, kOther };

FileKind Sniff(const QByteArray& head) {
  static const QByteArray kSqlite("SQLite format 3\0", 16);
  if (head.startsWith(kSqlite)) return FileKind::kSqlite;
  const QByteArray sig = head.mid(4, 15);
  if (sig == "Standard Jet DB" || sig == "Standard ACE DB") return FileKind::kJet;
  return FileKind::kOther;
}

DbError WithPath(int number, const QString& path) {
  return DbError(number, DbErrorText(number), path);
}

// Held by another program: the operator is told which file, as for a Jet file.
DbError InUse(const QString& path) {
  return DbError(
      dberr::kFileInUse,
      QStringLiteral("データベースファイル（%1）は他のプログラムが使用中のため開けません。")
          .arg(QFileInfo(path).fileName()),
      path);
}

// No database: the operator is told which file, as for a Jet file.
DbError NotADatabase(const QString& path) {
  return DbError(dberr::kNotADatabase,
                 QStringLiteral("データベースファイル（%1）の形式を認識できません。")
                     .arg(QFileInfo(path).fileName()),
                 path);
}

std::shared_ptr<detail::Connection> OpenSqlite(const QString& path, bool exclusive, bool read_only,
                                               int busy_ms) {
  // Never SQLITE_OPEN_CREATE: a missing or empty file must not become a new database.
  const int flags =
      (read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw InUse(path);
  }
  sqlite3_extended_result_codes(db, 1);
  auto conn = std::make_shared<detail::Connection>(
      db, path, read_only || sqlite3_db_readonly(db, "main") == 1);
  // Opening waits for another connection's lock as long as a write does: a desk busy writing
  // to a shared file only delays the others. A file held past that is in use.
  conn->SetBusyTimeoutMs(busy_ms);
  try {
    // The probe read: garbage and foreign formats fail here, a file another program holds
    // locked reports busy.
    detail::Exec(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!conn->ReadOnly()) {
      QString mode;
      {
        detail::Statement st(db, QStringLiteral("PRAGMA journal_mode"));
        if (st.Step()) mode = st.Column(0).toString();
      }
      // The folder may be a network share, where a write-ahead log is unsafe.
      if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0) {
        detail::Exec(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
      }
    }
    if (exclusive) {
      detail::Exec(db, QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
      detail::Exec(db, QStringLiteral("BEGIN EXCLUSIVE"));
      detail::Exec(db, QStringLiteral("COMMIT"));
    }
  } catch (const DbError& e) {
    conn->Close();
    if (e.number() == dberr::kLocked) throw InUse(path);
    if (e.number() == dberr::kNotADatabase) throw NotADatabase(path);
    throw;
  }
  return conn;
}

std::shared_ptr<detail::Connection> OpenJet(const QString& path) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(
      ":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw DbError(dberr::kResourceExceeded);
  }
  auto conn = std::make_shared<detail::Connection>(db, path, true);
  ReadJetDatabase(path, db);  // on failure conn closes the memory database
  return conn;
}

// The first bytes of a regular file; anything else (a folder, a FIFO, a device) is no
// database.
QByteArray ReadHead(const QString& path) {
  bool regular = false;
  int error = 0;
  const QByteArray head = RegularFileHead(path, 100, &regular, &error);
  if (error == ENOENT) throw WithPath(dberr::kFileNotFound, path);
  if (error != 0) throw InUse(path);
  if (!regular) throw NotADatabase(path);
  return head;
}

}  // namespace

QByteArray RegularFileHead(const QString& path, qint64 bytes, bool* regular, int* error) {
  *regular = false;
  *error = 0;
  // Opened without O_NONBLOCK, a FIFO would wait for a writer forever; the type is checked on
  // what was opened, so a file swapped meanwhile cannot slip past.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return {};
  }
  struct stat st {};
  QByteArray head;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    *regular = true;
    head.resize(bytes);
    const ssize_t n = ::read(fd, head.data(), static_cast<size_t>(bytes));
    head.resize(n > 0 ? n : 0);
  }
  ::close(fd);
  return head;
}

bool IsJetFile(const QString& path) {
  bool regular = false;
  int error = 0;
  const QByteArray sig = RegularFileHead(path, 19, &regular, &error).mid(4);
  return sig == "Standard Jet DB" || sig == "Standard ACE DB";
}

Workspace::Workspace() {
  detail::RemoveDeadJetWorkFolders();
}

Workspace::~Workspace() {
  Close();
}

std::shared_ptr<Database> Workspace::OpenDatabase(const QString& path, bool exclusive,
                                                  bool read_only) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists()) throw WithPath(dberr::kFileNotFound, path);
  const QByteArray head = ReadHead(path);

  std::shared_ptr<detail::Connection> conn;
  switch (Sniff(head)) {
    case FileKind::kSqlite:
      conn = OpenSqlite(path, exclusive, read_only, busy_timeout_ms_);
      break;
    case FileKind::kJet:
      conn = OpenJet(path);
      break;
    case FileKind::kOther:
      throw NotADatabase(path);
  }
  auto db = std::make_shared<Database>(Database::Passkey{}, std::move(conn));
  std::erase_if(databases_, [](const std::weak_ptr<Database>& w) { return w.expired(); });
  databases_.push_back(db);
  return db;
}

void Workspace::Close() {
  for (const auto& weak : databases_) {
    if (auto db = weak.lock()) db->Close();
  }
  databases_.clear();
}

void Workspace::Idle(int /*option*/) {}

void Workspace::SetBusyTimeoutMs(int ms) {
  busy_timeout_ms_ = ms;
  for (const auto& weak : databases_) {
    if (auto db = weak.lock()) {
      if (db->IsOpen()) db->SetBusyTimeoutMs(ms);
    }
  }
}

}  // namespace kvsys
