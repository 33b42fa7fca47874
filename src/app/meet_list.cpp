#include "app/meet_list.h"

#include <QDir>
#include <QFileInfo>

#include "app/captions.h"
#include "common/dialogs.h"
#include "common/profile.h"
#include "common/text_util.h"
#include "db/database.h"
#include "db/db_error_report.h"
#include "db/work_table.h"

namespace kvsys {

namespace {

struct MeetRow {
  QVariant number;
  QString name;
  QString first_day;
  QString last_day;
};

QString WithSeparator(QString folder) {
  if (folder.endsWith(QLatin1Char('\\'))) folder.chop(1);
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

// Name and dates of one meet file, or the maintenance row when the results system holds it.
MeetRow ReadMeet(AppState& state, const QString& path, const QVariant& number) {
  MeetRow row{number, QString(), QString(), QString()};
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

bool ListMeets(AppState& state, Dialogs& dialogs, QString& folder) {
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
    std::vector<MeetRow> rows;
    rows.reserve(meets.size());
    for (const auto& [path, number] : meets) rows.push_back(ReadMeet(state, path, number));
    // One transaction for the rows: one write to disk instead of one a meet.
    state.LayoutDb->BeginTrans();
    for (const MeetRow& row : rows) {
      table->AddNew();
      table->SetField(QStringLiteral("flda"), row.number);
      table->SetField(QStringLiteral("FLDB"), row.name);
      table->SetField(QStringLiteral("FLDE"), row.first_day);
      table->SetField(QStringLiteral("FLDF"), row.last_day);
      table->Update();
    }
    state.LayoutDb->CommitTrans();
    table->Close();
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
