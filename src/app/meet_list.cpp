#include "app/meet_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include "db/workspace.h"

#include "app/captions.h"
#include "common/dialogs.h"
#include "common/profile.h"
#include "common/text_util.h"
#include "db/database.h"
#include "db/db_error_report.h"
#include "db/work_table.h"

namespace kvsys {

namespace {

QString WithSeparator(QString folder) {
  if (folder.endsWith(QLatin1Char('\\'))) folder.chop(1);
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

// Name and dates of one meet file, or the maintenance row when the results system holds it.
ListedMeet ReadMeet(AppState& state, const QString& path, const QVariant& number) {
  ListedMeet row{number, path, QString(), QString(), QString(), QString()};
  const std::shared_ptr<Database> db = OpenDatabaseTolerating(
      *state.Workspace, state, path, {dberr::kDatabaseExclusive, dberr::kFileInUse});
  state.ExpectedErrorHit = 0;
  if (!db) {
    row.name = kMeetInMaintenance;
    return row;
  }
  auto rs = db->OpenRecordset(QStringLiteral("大会設定"), dbOpenSnapshot);
  if (rs->Eof()) {
    row.name = kNoMeetName;
  } else {
    row.name = NullTo(rs->Field(QStringLiteral("大会名1")), 6, 0).toString();
    if (row.name.trimmed().isEmpty()) row.name = kNoMeetName;
    row.first_day = NullTo(rs->Field(QStringLiteral("始期間")), 6, 0).toString();
    row.last_day = NullTo(rs->Field(QStringLiteral("終期間")), 6, 0).toString();
  }
  rs->Close();
  db->Close();
  return row;
}

// A meet that cannot be read is listed with the reason instead of ending the listing: the
// operator may still choose any other meet. A Jet meet read before comes from the cache.
ListedMeet ReadListedMeet(AppState& state, const QString& path, const QVariant& number,
                          MeetListCache* cache) {
  const QFileInfo file(path);
  const bool jet = cache && IsJetFile(path);
  if (jet) {
    if (std::optional<ListedMeet> known = cache->Find(file)) {
      known->number = number;
      known->path = path;
      return *known;
    }
  }
  ListedMeet meet{number, path, QString(), QString(), QString(), QString()};
  try {
    meet = ReadMeet(state, path, number);
  } catch (const DbError& e) {
    state.ClearExpected();
    meet.unreadable = IsDbLockError(e.number(), state) && !state.LastDbErrorText.isEmpty()
                          ? state.LastDbErrorText
                          : e.text();
    // One line in the grid; the message on choosing the meet keeps the reason's lines.
    meet.name = kUnreadableMeetMark + QString(meet.unreadable).replace(u'\r', u'　');
  }
  // The results system's hold passes without the file changing: it is asked again each time.
  if (jet && meet.name != kMeetInMaintenance) cache->Store(file, meet);
  return meet;
}

// Ver.4.6 sub-folders: plain, writable, visible directories named by a whole number >= 1.
QStringList MeetFolders(const QString& folder) {
  QStringList kept;
  const QFileInfoList entries = QDir(folder).entryInfoList(
      QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
  for (const QFileInfo& entry : entries) {
    if (kept.size() >= kMaxMeetFolders) break;
    // The read-only attribute is the owner's write permission here (root may write anyway).
    const bool read_only = !(entry.permissions() & QFileDevice::WriteOwner);
    if (entry.isSymLink() || entry.isHidden() || read_only) continue;
    if (!IsWholeNumber(entry.fileName(), 1)) continue;
    kept << entry.fileName();
  }
  return kept;
}

}  // namespace

MeetListCache::MeetListCache(QString file) : file_(std::move(file)) {
  if (file_.isEmpty()) return;
  QFile in(file_);
  if (!in.open(QIODevice::ReadOnly)) return;
  // A cache that cannot be read is only a cache: the meets are read again.
  const QJsonArray meets = QJsonDocument::fromJson(in.readAll()).object().value("meets").toArray();
  for (const QJsonValue& v : meets) {
    const QJsonObject o = v.toObject();
    Entry e;
    e.size = o.value("size").toInteger(-1);
    e.modified_ms = o.value("modified").toInteger(-1);
    e.meet.name = o.value("name").toString();
    e.meet.first_day = o.value("first").toString();
    e.meet.last_day = o.value("last").toString();
    const QString path = o.value("path").toString();
    if (!path.isEmpty() && e.size >= 0) entries_.insert(path, e);
  }
}

std::optional<ListedMeet> MeetListCache::Find(const QFileInfo& file) const {
  const auto it = entries_.constFind(file.absoluteFilePath());
  if (it == entries_.cend() || it->size != file.size() ||
      it->modified_ms != file.lastModified().toMSecsSinceEpoch()) {
    ++misses_;
    return std::nullopt;
  }
  ++hits_;
  return it->meet;
}

void MeetListCache::Store(const QFileInfo& file, const ListedMeet& meet) {
  Entry e{file.size(), file.lastModified().toMSecsSinceEpoch(), meet};
  const QString path = file.absoluteFilePath();
  const auto old = entries_.constFind(path);
  if (meet.unreadable.isEmpty() || (old != entries_.cend() && old->meet.unreadable.isEmpty())) {
    changed_ = true;
  }
  entries_.insert(path, e);
}

bool MeetListCache::Save() {
  if (file_.isEmpty() || !changed_) return true;
  QJsonArray meets;
  for (auto it = entries_.cbegin(); it != entries_.cend(); ++it) {
    if (!it->meet.unreadable.isEmpty()) continue;  // this process only
    meets.append(QJsonObject{{"path", it.key()},
                             {"size", it->size},
                             {"modified", it->modified_ms},
                             {"name", it->meet.name},
                             {"first", it->meet.first_day},
                             {"last", it->meet.last_day}});
  }
  QDir().mkpath(QFileInfo(file_).absolutePath());
  QSaveFile out(file_);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.write(QJsonDocument(QJsonObject{{"meets", meets}}).toJson(QJsonDocument::Compact));
  if (!out.commit()) return false;
  changed_ = false;
  return true;
}

void ReportMeetSelectionError(AppState& state, Dialogs& dialogs, const DbError& e,
                              const QString& not_found_text) {
  const int n = e.number();
  if (n == dberr::kBadFileName || n == dberr::kPathNotFound || n == dberr::kFileNotFound) {
    dialogs.MsgBox(not_found_text, MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
  } else if (IsDbLockError(n, state)) {
    ReportDbError(dialogs, state, e, kMeetSelectionTitle);
  } else {
    dialogs.MsgBox(ToFullWidth(e.text()) + QStringLiteral("(%1)").arg(e.number()), MsgButtons::Ok,
                   MsgIcon::Critical, kMeetSelectionTitle);
  }
}

QString FindFileNoCase(const QString& folder, const QString& name) {
  const QDir dir(folder);
  if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
  const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& f : files) {
    if (f.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(f);
  }
  return QString();
}

bool ListMeets(AppState& state, Dialogs& dialogs, QString& folder, const MeetListHooks& hooks) {
  if (hooks.listed) hooks.listed->clear();
  state.ClearExpected();
  bool found = false;
  try {
    auto table = state.LayoutDb->OpenRecordset(QStringLiteral("KVSSEL"), dbOpenDynaset);
    state.Workspace->Idle(dbFreeLocks);
    ClearTable(*state.LayoutDb, QStringLiteral("KVSSEL"));
    folder = WithSeparator(folder);

    std::vector<std::pair<QString, QVariant>> meets;  // path, list number
    if (state.ResultVersion == 1) {
      const QStringList sub_folders = MeetFolders(folder);
      found = !sub_folders.isEmpty();
      for (const QString& name : sub_folders) {
        const QString path = FindFileNoCase(folder + name, QStringLiteral("SWIM.mdb"));
        if (!path.isEmpty()) meets.emplace_back(path, name);
      }
    } else {
      for (int n = 1; n <= 99; ++n) {
        const QString path =
            FindFileNoCase(folder, QStringLiteral("Swim%1.mdb").arg(n, 2, 10, QLatin1Char('0')));
        if (!path.isEmpty()) meets.emplace_back(path, n);
      }
      found = !meets.empty();
    }
    std::vector<ListedMeet> rows;
    rows.reserve(meets.size());
    for (const auto& [path, number] : meets) {
      if (hooks.progress) {
        hooks.progress(static_cast<int>(rows.size()), static_cast<int>(meets.size()),
                       QFileInfo(path).fileName());
      }
      rows.push_back(ReadListedMeet(state, path, number, hooks.cache));
    }
    if (hooks.cache) hooks.cache->Save();
    // One transaction for the rows: one write to disk instead of one a meet.
    state.LayoutDb->BeginTrans();
    for (const ListedMeet& row : rows) {
      table->AddNew();
      table->SetField(QStringLiteral("flda"), row.number);
      table->SetField(QStringLiteral("FLDB"), row.name);
      table->SetField(QStringLiteral("FLDE"), row.first_day);
      table->SetField(QStringLiteral("FLDF"), row.last_day);
      table->Update();
    }
    state.LayoutDb->CommitTrans();
    table->Close();
    if (hooks.listed) *hooks.listed = std::move(rows);
  } catch (const DbError& e) {
    state.ClearExpected();
    if (state.LayoutDb && state.LayoutDb->InTransaction()) {
      try {
        state.LayoutDb->Rollback();
      } catch (const DbError&) {
        // The original error is the one to report.
      }
    }
    ReportMeetSelectionError(state, dialogs, e, kNoMeetFoundText);
    return false;
  }
  if (!found) {
    dialogs.MsgBox(kNoMeetFoundText, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
    return false;
  }
  if (!SetProfileEx(dialogs, state.IniPath, QStringLiteral("D_B"), QStringLiteral("DB_Path"),
                    folder)) {
    return false;
  }
  state.DbFolder = folder;
  return true;
}

}  // namespace kvsys

namespace kvsys {

namespace {

void ReportSelectError(AppState& state, Dialogs& dialogs, const DbError& e) {
  const int n = e.number();
  if (n == dberr::kFileInUse) {
    dialogs.MsgBox(QStringLiteral("リザルト側がこの大会データを保守（初期化など）しています。\r"
                                  "リザルト側の処理を終了して再試行してください。"),
                   MsgButtons::Ok, MsgIcon::Question, kAppTitle);
  } else if (n == dberr::kDuplicateKey || n == dberr::kLocked) {
    dialogs.MsgBox(kBusyMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  } else {
    ReportDbError(dialogs, state, e, kMeetSelectionTitle);
  }
}

}  // namespace

SelectOutcome SelectMeet(AppState& state, Dialogs& dialogs, const QVariant& flda,
                         const QString& meet_name) {
  state.ClearExpected();
  const QString number_text = flda.toString().trimmed();
  bool numeric = false;
  const int number = number_text.toInt(&numeric);
  state.MeetNoText =
      numeric ? QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')) : number_text;

  QString path;
  if (state.ResultVersion == 1) {
    const QString meet_folder = state.DbFolder + state.MeetNoText;
    if (!QFileInfo(meet_folder).isDir()) {
      dialogs.MsgBox(
          QStringLiteral("大会 [") + meet_name + QStringLiteral("] 格納フォルダが見つかりません。"),
          MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
      return SelectOutcome::Stay;
    }
    path = FindFileNoCase(meet_folder, QStringLiteral("SWIM.mdb"));
  } else {
    path = FindFileNoCase(state.DbFolder, QStringLiteral("SWIM") + state.MeetNoText + ".mdb");
  }
  if (path.isEmpty()) {
    dialogs.MsgBox(
        QStringLiteral("大会 [") + meet_name + QStringLiteral("] ファイルが見つかりません。"),
        MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
    return SelectOutcome::Stay;
  }
  state.ResultsDbPath = path;
  state.MeetNo = ToInt(number_text);

  try {
    state.ResultsDb =
        OpenDatabaseTolerating(*state.Workspace, state, path, {dberr::kDatabaseExclusive});
    state.ExpectedErrorHit = 0;
    if (!state.ResultsDb) return SelectOutcome::Exit;
    auto rs = state.ResultsDb->OpenRecordset(QStringLiteral("大会設定"), dbOpenSnapshot);
    rs->Close();
  } catch (const DbError& e) {
    state.ClearExpected();
    if (state.ResultsDb) state.ResultsDb->Close();
    state.ResultsDb.reset();
    ReportSelectError(state, dialogs, e);
    return SelectOutcome::Stay;
  }
  return SelectOutcome::Selected;
}

}  // namespace kvsys
