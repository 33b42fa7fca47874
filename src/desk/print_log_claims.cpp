// Claims of the print log: leases taken, placed, marked out, released, renewed and settled.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "db/database.h"
#include "db/recordset.h"
#include "db/workspace.h"
#include "desk/print_log.h"
#include "desk/print_log_sql.h"
#include "layout/store_transaction.h"

namespace kvsys {

using namespace logsql;

namespace {

QString BootId() {
  QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromLatin1(file.readAll()).trimmed();
}

// The process's start in clock ticks since boot (field 22 of its stat); empty when it is gone.
QString ProcessStart(qint64 pid) {
  if (pid <= 0) return QString();
  QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  const QByteArray stat = file.readAll();
  // The command name may hold blanks and parentheses: fields are counted after its last ')'.
  const qsizetype close = stat.lastIndexOf(')');
  if (close < 0) return QString();
  const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
  // Field 3 (state) is the first after the name; the start time is field 22.
  if (fields.size() < 20) return QString();
  return QString::fromLatin1(fields[19]);
}

// Claims are looked up with the state written out, so that the index of claims alone serves.
const QString kIsClaim = QStringLiteral("状態 = '") + kLogClaimed + QLatin1Char('\'');
const QString kOwnClaim = QStringLiteral(" AND ") + kIsClaim +
                          QStringLiteral(" AND 端末 = ? AND プロセス = ? AND 起動 = ?");

}  // namespace

LogEnvironment LogEnvironment::System() {
  LogEnvironment env;
  env.host = [] { return QSysInfo::machineHostName(); };
  env.pid = [] { return static_cast<qint64>(QCoreApplication::applicationPid()); };
  env.started = [](qint64 pid) {
    static const QString boot = BootId();
    const QString start = ProcessStart(pid);
    return start.isEmpty() ? QString() : boot + QLatin1Char('/') + start;
  };
  env.now_ms = [] {
    static QElapsedTimer clock = [] {
      QElapsedTimer t;
      t.start();
      return t;
    }();
    return clock.elapsed();
  };
  env.file_exists = [](const QString& path) { return QFileInfo(path).isFile(); };
  return env;
}

bool PrintLog::Own(const PrintLogRow& row) const {
  return row.host == env_.host() && row.pid == env_.pid() && row.started == self_started_;
}

bool PrintLog::ClaimAlive(const PrintLogRow& row) {
  if (row.host == env_.host()) {
    const QString now = env_.started(row.pid);
    // A claim written before processes were told apart by their start has none.
    return !now.isEmpty() && (row.started.isEmpty() || row.started == now);
  }
  // Another machine's clock is never read: a claim lives while this desk sees it renewed.
  const qint64 now = env_.now_ms();
  const auto [it, first] = sightings_.try_emplace(row.id, Sighting{row.renewal, now});
  if (first) return true;
  if (it->second.renewal != row.renewal) {
    it->second = {row.renewal, now};
    return true;
  }
  return now - it->second.since_ms < expire_ms_;
}

bool PrintLog::SettleRow(const PrintLogRow& row) {
  const bool there = row.output == kLogPdf && !row.where.isEmpty() && env_.file_exists(row.where);
  if (row.output == kLogPrinter && !row.where.isEmpty()) {
    db_.ExecuteWithParams(
        QStringLiteral("UPDATE %1 SET 状態 = ? WHERE 番号 = ? AND 状態 = ?").arg(kPrintLogTable),
        {kLogUnknown, row.id, kLogClaimed});
    return true;
  }
  if (there) {
    db_.ExecuteWithParams(
        QStringLiteral("UPDATE %1 SET 状態 = ? WHERE 番号 = ? AND 状態 = ?").arg(kPrintLogTable),
        {kLogOut, row.id, kLogClaimed});
    return true;
  }
  db_.ExecuteWithParams(
      QStringLiteral("DELETE FROM %1 WHERE 番号 = ? AND 状態 = ?").arg(kPrintLogTable),
      {row.id, kLogClaimed});
  sightings_.erase(row.id);
  return false;
}

int PrintLog::Settle() {
  const QString claims = SelectRows() + QStringLiteral(" WHERE ") + kIsClaim;
  std::vector<qint64> ended;
  {
    auto rs = db_.OpenRecordset(claims, dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) {
      const PrintLogRow row = ReadRow(*rs);
      if (!Own(row) && !ClaimAlive(row)) ended.push_back(row.id);
    }
  }
  if (ended.empty()) return 0;
  StoreTransaction tx(db_);
  int settled = 0;
  for (qint64 id : ended) {
    // Looked at again under the write lock: renewed meanwhile, its desk lives after all.
    auto rs =
        db_.OpenRecordsetWithParams(claims + QStringLiteral(" AND 番号 = ?"), {id}, dbOpenSnapshot);
    if (rs->Eof()) continue;
    const PrintLogRow row = ReadRow(*rs);
    rs.reset();
    if (ClaimAlive(row)) continue;
    SettleRow(row);
    ++settled;
  }
  tx.Commit();
  return settled;
}

void PrintLog::Claim(std::vector<ClaimItem>& items, bool new_only) {
  if (items.empty()) return;
  StoreTransaction tx(db_);
  const QDateTime now = QDateTime::currentDateTime();
  // Asked once: each asks the system, and a run claims thousands of certificates.
  const QString host = env_.host();
  const qint64 pid = env_.pid();
  const QString find =
      SelectRows() + QStringLiteral(
                         " WHERE 大会番号 = ? AND 競技番号 = ? AND クラス番号 = ? AND "
                         "組 = ? AND リレー = ? AND 選手番号 = ? AND 同番号順 = ?");
  for (ClaimItem& item : items) {
    PrintLogRow& row = item.row;
    // Certificates of a recipients file belong to no meet and are never taken already.
    const qint64 meet = row.meet.file.isEmpty() ? 0 : MeetNumber(row.meet);
    item.fate = ClaimFate::kClaimed;
    item.id = 0;
    if (new_only && row.key.event != 0) {
      auto rs =
          db_.OpenRecordsetWithParams(find,
                                      {meet, row.key.event, row.key.class_no, row.key.heat,
                                       row.key.relay ? 1 : 0, row.key.entrant, row.key.occurrence},
                                      dbOpenSnapshot);
      std::vector<PrintLogRow> ended;
      for (; !rs->Eof() && item.fate == ClaimFate::kClaimed; rs->MoveNext()) {
        const PrintLogRow taken = ReadRow(*rs);
        if (taken.Printed() || taken.state == kLogUnknown) {
          item.fate = ClaimFate::kPrinted;
        } else if (taken.state == kLogClaimed) {
          if (Own(taken) || ClaimAlive(taken)) {
            item.fate = ClaimFate::kHeld;
          } else {
            ended.push_back(taken);
          }
        }
      }
      rs.reset();
      if (item.fate != ClaimFate::kClaimed) continue;
      bool came_out = false;
      for (const PrintLogRow& taken : ended) came_out = SettleRow(taken) || came_out;
      if (came_out) {
        item.fate = ClaimFate::kPrinted;
        continue;
      }
    }
    row.host = host;
    row.pid = pid;
    row.started = self_started_;
    row.time = now;
    row.state = kLogClaimed;
    item.id = row.id = Insert(row, meet);
  }
  tx.Commit();
}

std::vector<qint64> PrintLog::WritePlaces(const std::vector<LogPlace>& places, bool out) {
  std::vector<qint64> lost;
  if (places.empty()) return lost;
  StoreTransaction tx(db_);
  const QString sql =
      QStringLiteral("UPDATE %1 SET 出力 = ?, 出力先 = ?, ページ = ?, ジョブ = ?%2 WHERE 番号 = ?")
          .arg(kPrintLogTable, out ? QStringLiteral(", 状態 = ?, 時刻 = ?") : QString()) +
      kOwnClaim;
  const QString now = QDateTime::currentDateTime().toString(kTimeFormat);
  const QString host = env_.host();
  const qint64 pid = env_.pid();
  for (const LogPlace& p : places) {
    QVariantList params = {p.output, p.where, p.page, p.job};
    if (out) params << kLogOut << now;
    params << p.id << host << pid << self_started_;
    db_.ExecuteWithParams(sql, params);
    if (db_.RowsAffected() == 0) lost.push_back(p.id);
  }
  tx.Commit();
  return lost;
}

std::vector<qint64> PrintLog::Place(const std::vector<LogPlace>& places) {
  return WritePlaces(places, false);
}

std::vector<qint64> PrintLog::MarkOut(const std::vector<LogPlace>& places) {
  return WritePlaces(places, true);
}

void PrintLog::Release(const std::vector<qint64>& ids) {
  if (ids.empty()) return;
  StoreTransaction tx(db_);
  for (qint64 id : ids) {
    db_.ExecuteWithParams(
        QStringLiteral("DELETE FROM %1 WHERE 番号 = ?").arg(kPrintLogTable) + kOwnClaim,
        {id, env_.host(), env_.pid(), self_started_});
  }
  tx.Commit();
}

int PrintLog::Renew() {
  db_.ExecuteWithParams(
      QStringLiteral("UPDATE %1 SET 更新 = 更新 + 1 WHERE 番号 > 0").arg(kPrintLogTable) +
          kOwnClaim,
      {env_.host(), env_.pid(), self_started_});
  return db_.RowsAffected();
}

struct LeaseKeeper::Thread {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  std::thread thread;
};

LeaseKeeper::LeaseKeeper(QString database_path, int every_ms)
    : thread_(std::make_unique<Thread>()) {
  Thread* t = thread_.get();
  t->thread = std::thread([t, path = std::move(database_path), every_ms] {
    std::unique_ptr<Workspace> workspace;
    std::shared_ptr<Database> db;
    std::unique_ptr<PrintLog> log;
    std::unique_lock lock(t->mutex);
    while (!t->wake.wait_for(lock, std::chrono::milliseconds(every_ms), [t] { return t->stop; })) {
      lock.unlock();
      try {
        if (!log) {
          workspace = std::make_unique<Workspace>();
          db = workspace->OpenDatabase(path);
          log = std::make_unique<PrintLog>(*db);
        }
        log->Renew();
      } catch (const DbError&) {
        // Busy: the next round tries again; a lease outlives several missed renewals.
      }
      lock.lock();
    }
  });
}

LeaseKeeper::~LeaseKeeper() {
  {
    std::lock_guard lock(thread_->mutex);
    thread_->stop = true;
  }
  thread_->wake.notify_all();
  thread_->thread.join();
}

}  // namespace kvsys
