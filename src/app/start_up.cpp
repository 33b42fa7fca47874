#include "app/start_up.h"

#include <QDir>

#include "app/captions.h"
#include "app/instance_guard.h"
#include "app/meet_list.h"
#include "common/dialogs.h"
#include "common/profile.h"
#include "common/profile_file.h"
#include "common/text_util.h"
#include "common/wait_cursor.h"
#include "db/work_table.h"
#include "layout/layout_db_open.h"
#include "layout/layout_jet_import.h"

namespace kvsys {

namespace {

// A version option index that does not exist is reported as the window system would.
constexpr int kNoSuchOption = 340;

QString StripTrailingSeparator(QString folder) {
  if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))) folder.chop(1);
  return folder;
}

}  // namespace

void SetProgramFolder(AppState& state, const QString& program_folder) {
  state.AppFolder = StripTrailingSeparator(QDir::fromNativeSeparators(program_folder));
  state.IniPath = state.AppFolder + QStringLiteral("/KVSYS.ini");
  state.LayoutDbPath = state.AppFolder + QStringLiteral("/KVSYS.mdb");
}

SettingsReadResult ReadSettings(AppState& state, Dialogs& dialogs) {
  // Not read at all: say why rather than that the database folder is missing from it.
  if (CheckProfileFile(state.IniPath) == ProfileFileState::TooLarge) {
    return {true, QStringLiteral("（ファイルが大きすぎます）")};
  }
  state.ResultVersion =
      ToInt(GetProfileEx(dialogs, state.IniPath, QStringLiteral("Ver"), QStringLiteral("Ver")));
  state.DbFolder =
      GetProfileEx(dialogs, state.IniPath, QStringLiteral("D_B"), QStringLiteral("DB_Path"));
  if (state.DbFolder.trimmed().isEmpty()) {
    return {true, QStringLiteral("（競泳リザルトパス識別不能）")};
  }
  WriteFirstPrintOptions(dialogs, state.IniPath);
  state.Prn = ReadPrintOptions(dialogs, state.IniPath);
  return {};
}

StartUpOutcome StartUp(AppState& state, Dialogs& dialogs, InstanceGuard& guard,
                       const QString& program_folder, StartUpView& view) {
  if (!guard.Acquire()) {
    dialogs.MsgBox(QStringLiteral("このシステムは２重起動できません。"), MsgButtons::Ok,
                   MsgIcon::Exclamation, kKvsselCaption);
    return StartUpOutcome::Exit;
  }
  WaitCursor wait;
  view.CenterOnScreen();
  view.ShowWindow();
  state.ClearExpected();
  SetProgramFolder(state, program_folder);

  const SettingsReadResult settings = ReadSettings(state, dialogs);
  view.ShowDbFolder(state.DbFolder);
  if (settings.fatal) {
    wait.Restore();
    dialogs.MsgBox(QStringLiteral("初期設定ファイルのエラー") + settings.detail, MsgButtons::Ok,
                   MsgIcon::Critical, kMeetSelectionTitle);
    return StartUpOutcome::Exit;
  }

  try {
    state.Workspace = std::make_unique<kvsys::Workspace>();
    ConvertJetLayoutDatabase(state.LayoutDbPath, dialogs);
    LayoutDbOpening opened = OpenLayoutDbForWriting(*state.Workspace, state.LayoutDbPath);
    if (!opened.db) {
      wait.Restore();
      dialogs.MsgBox(opened.refusal, MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
      state.CloseDatabases();
      return StartUpOutcome::Exit;
    }
    state.LayoutDb = std::move(opened.db);
    ClearTable(*state.LayoutDb, QStringLiteral("KVSSEL"));
    if (!view.SelectVersionOption(state.ResultVersion)) {
      throw DbError(kNoSuchOption, QStringLiteral("コントロール配列の要素が存在しません。"));
    }
  } catch (const DbError& e) {
    wait.Restore();
    ReportMeetSelectionError(
        state, dialogs, e,
        QStringLiteral("競泳ＤＢ（SWIM.mdb）、または、汎用ＤＢ（KVSYS.mdb）が見つかりません｡ "));
    state.CloseDatabases();
    return StartUpOutcome::Exit;
  }
  return StartUpOutcome::Listed;
}

}  // namespace kvsys
