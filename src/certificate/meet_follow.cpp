// Following a meet as its results come in.
#include "certificate/meet_follow.h"

#include <QFileInfo>

#include "db/database.h"
#include "db/recordset.h"

namespace kvsys {

std::map<int, EventProgress> ReadEventProgress(Database& results_db) {
  std::map<int, EventProgress> progress;
  auto rs = results_db.OpenRecordset(
      QStringLiteral(
          "SELECT 競技番号, count(*), sum(CASE WHEN (ゴール IS NULL OR trim(ゴール) = '') "
          "AND (事由入力ステータス = 0 OR 事由入力ステータス = 4) THEN 1 ELSE 0 END) "
          "FROM 記録マスター GROUP BY 競技番号"),
      dbOpenSnapshot, dbReadOnly);
  for (; !rs->Eof(); rs->MoveNext()) {
    progress[rs->Field(0).toInt()] = {rs->Field(1).toInt(), rs->Field(2).toInt()};
  }
  return progress;
}

FileStamp StampOf(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return {};
  return {info.size(), info.lastModified()};
}

std::vector<int> CompletionWatch::Look(const std::map<int, EventProgress>& now) {
  std::vector<int> newly;
  std::set<int> complete;
  for (const auto& [event, progress] : now) {
    if (!progress.Complete()) continue;
    complete.insert(event);
    if (started_ && complete_.count(event) == 0) newly.push_back(event);
  }
  // An event whose result was taken back is new again once it is complete again.
  complete_ = std::move(complete);
  started_ = true;
  return newly;
}

}  // namespace kvsys
