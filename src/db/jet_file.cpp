#include "db/jet_file.h"

#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "db/db_error.h"
#include "db/jet_copy_format.h"
#include "db/jet_lock_file.h"
#include "db/jet_reader_process.h"
#include "db/jet_work_files.h"

namespace kvsys {

namespace {

constexpr auto kReaderName = "kvsys-jetread";

QString SystemText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

DbError Damaged(const QString& name, const QString& detail) {
  return DbError(
      dberr::kNotADatabase,
      QStringLiteral("データベースファイル（%1）が壊れているため読み込めません。").arg(name),
      detail);
}

DbError NoWorkSpace(const QString& name, const QString& detail) {
  return DbError(dberr::kResourceExceeded,
                 QStringLiteral("データベースファイル（%1）を読み込むための作業ファイルを作成でき"
                                "ません。一時フォルダ（%2）の空き容量を確認してください。")
                     .arg(name, QDir::toNativeSeparators(QDir::tempPath())),
                 detail);
}

DbError InUse(const QString& path, const QString& name, int error) {
  QString text =
      QStringLiteral("データベースファイル（%1）は他のプログラムが使用中のため開けません。")
          .arg(name);
  const QStringList holders = JetLockHolders(path);
  if (!holders.isEmpty()) {
    text += QStringLiteral("（使用中の端末：%1）").arg(holders.join(QStringLiteral("、")));
  }
  return DbError(dberr::kFileInUse, text, SystemText(error));
}

// An error of the database file itself, by what the system said.
DbError SourceError(const QString& path, const QString& name, int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return DbError(dberr::kFileNotFound,
                     QStringLiteral("データベースファイル（%1）が見つかりません。").arg(name),
                     SystemText(error));
    case EACCES:
    case EPERM:
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
    case ENOLCK:
      return InUse(path, name, error);
    case EISDIR:
      return DbError(dberr::kNotADatabase,
                     QStringLiteral("データベースファイル（%1）の形式を認識できません。").arg(name),
                     SystemText(error));
    default:
      return DbError(dberr::kDiskError,
                     QStringLiteral("データベースファイル（%1）の読み込み中にディスクまたは"
                                    "ネットワークのエラーが発生しました。")
                         .arg(name),
                     SystemText(error));
  }
}

DbError TookTooLong(const QString& name, int seconds, const QString& detail) {
  return DbError(dberr::kNotADatabase,
                 QStringLiteral("データベースファイル（%1）の読み込みが%2秒以内に終わらないため"
                                "中止しました。ファイルが壊れている可能性があります。")
                     .arg(name)
                     .arg(seconds),
                 detail);
}

DbError ReaderMissing(const QString& detail) {
  return DbError(dberr::kEngineFailure,
                 QStringLiteral("Jetデータベースを読み込むプログラム（%1）が見つかりません。"
                                "プログラムフォルダを確認してください。")
                     .arg(QLatin1String(kReaderName)),
                 detail);
}

// The helper's end, as an error; nothing when it wrote its file.
void CheckRun(const detail::JetReaderRun& run, const QString& name, const JetReadLimits& limits) {
  using End = detail::JetReaderRun::End;
  const QString said = QString::fromUtf8(run.message).trimmed();
  switch (run.end) {
    case End::NotStarted:
      if (run.status == ENOENT || run.status == EACCES || run.status == ENOEXEC) {
        throw ReaderMissing(SystemText(run.status));
      }
      throw NoWorkSpace(name, SystemText(run.status));
    case End::TimedOut:
      throw TookTooLong(name, limits.wall_seconds,
                        QStringLiteral("killed after %1 ms").arg(run.elapsed_ms));
    case End::Signaled:
      if (run.status == SIGXCPU) {
        throw TookTooLong(name, limits.cpu_seconds, QStringLiteral("CPU time limit"));
      }
      throw Damaged(name, QStringLiteral("reader ended by signal %1").arg(run.status));
    case End::Exited:
      break;
  }
  switch (static_cast<JetReadExit>(run.status)) {
    case JetReadExit::Written:
      return;
    case JetReadExit::NotJet:
      throw DbError(dberr::kNotADatabase,
                    QStringLiteral("データベースファイル（%1）の形式を認識できません。").arg(name),
                    said);
    case JetReadExit::Damaged:
      throw Damaged(name, said);
    case JetReadExit::OutputFailed:
      throw NoWorkSpace(name, said);
    default:
      throw DbError(dberr::kEngineFailure,
                    QStringLiteral("Jetデータベースを読み込むプログラム（%1）が正しく動作しません"
                                   "でした。")
                        .arg(QLatin1String(kReaderName)),
                    QStringLiteral("exit %1: %2").arg(run.status).arg(said));
  }
}

QString PragmaText(sqlite3* db, const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  QString value;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW) {
    value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
  }
  sqlite3_finalize(stmt);
  return value;
}

// The helper's file, checked whole, becomes target's read-only main database.
void LoadCopy(const QString& file, sqlite3* target, const QString& name,
              const JetReadLimits& limits) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) throw Damaged(name, QStringLiteral("no copy written"));
  const qint64 size = in.size();
  if (size <= 0 || size > limits.output_bytes) {
    throw Damaged(name, QStringLiteral("copy of %1 bytes").arg(size));
  }
  auto* bytes = static_cast<unsigned char*>(sqlite3_malloc64(static_cast<sqlite3_uint64>(size)));
  if (!bytes) throw NoWorkSpace(name, QStringLiteral("no memory for %1 bytes").arg(size));
  if (in.read(reinterpret_cast<char*>(bytes), size) != size) {
    sqlite3_free(bytes);
    throw NoWorkSpace(name, in.errorString());
  }
  // Frees the bytes on failure too.
  const int rc = sqlite3_deserialize(target, "main", bytes, size, size,
                                     SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
  if (rc != SQLITE_OK) throw NoWorkSpace(name, QString::fromUtf8(sqlite3_errstr(rc)));
  if (PragmaText(target, "PRAGMA user_version").toInt() != kJetCopyMarker ||
      PragmaText(target, "PRAGMA quick_check") != QLatin1String("ok")) {
    throw Damaged(name, QStringLiteral("copy incomplete"));
  }
}

}  // namespace

QString JetReaderPath() {
  const QString folder =
      QCoreApplication::instance()
          ? QCoreApplication::applicationDirPath()
          : QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).path();
  const QString beside = folder + QLatin1Char('/') + QLatin1String(kReaderName);
  if (QFileInfo(beside).isExecutable()) return beside;
#ifdef KVSYS_JETREAD_INSTALLED
  // Installed, the helper is no command of the user's: it lies in the package's own folder.
  const QString installed =
      QDir::cleanPath(folder + QLatin1Char('/') + QStringLiteral(KVSYS_JETREAD_INSTALLED));
  if (QFileInfo(installed).isExecutable()) return installed;
#endif
#ifdef KVSYS_JETREAD_BUILD_PATH
  // Only for programs of the build tree (tests, benchmarks): an installed program never runs a
  // helper out of some build tree that happens to lie on the machine.
  const QString build_tree = QStringLiteral(KVSYS_BUILD_TREE) + QLatin1Char('/');
  const QString built = QStringLiteral(KVSYS_JETREAD_BUILD_PATH);
  if ((folder + QLatin1Char('/')).startsWith(build_tree) && QFileInfo(built).isExecutable()) {
    return built;
  }
#endif
  return {};
}

void LoadJetFile(const QString& path, sqlite3* target, const JetReadLimits& limits) {
  const QString name = QFileInfo(path).fileName();
  const QString reader = JetReaderPath();
  if (reader.isEmpty()) throw ReaderMissing(QString());

  detail::JetWorkFolder work;
  if (!work.ok()) throw NoWorkSpace(name, SystemText(work.error()));
  const QString copy = work.File(QStringLiteral("source.mdb"));
  const detail::JetSnapshot snapshot = detail::CopyStableSnapshot(path, copy);
  switch (snapshot.result) {
    case detail::JetSnapshot::Result::Copied:
      break;
    case detail::JetSnapshot::Result::SourceError:
      throw SourceError(path, name, snapshot.error);
    case detail::JetSnapshot::Result::TargetError:
      throw NoWorkSpace(name, SystemText(snapshot.error));
    case detail::JetSnapshot::Result::KeptChanging:
      throw DbError(
          dberr::kFileInUse,
          QStringLiteral("データベースファイル（%1）はリザルト側が書き込み中のため読み込め"
                         "ません。しばらくしてから再試行してください。")
              .arg(name),
          QStringLiteral("changed during every copy"));
  }

  const QString out = work.File(QStringLiteral("tables.sqlite"));
  const QStringList args = {QStringLiteral("--cpu-seconds"),
                            QString::number(limits.cpu_seconds),
                            QStringLiteral("--memory-bytes"),
                            QString::number(limits.memory_bytes),
                            QStringLiteral("--output-bytes"),
                            QString::number(limits.output_bytes),
                            QStringLiteral("--parent-pid"),
                            QString::number(::getpid()),
                            copy,
                            out};
  CheckRun(detail::RunJetReader(reader, args, limits.wall_seconds * 1000), name, limits);
  LoadCopy(out, target, name, limits);
}

}  // namespace kvsys
