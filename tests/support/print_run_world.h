#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <memory>

#include "certificate/print_job.h"
#include "certificate/print_run.h"
#include "certificate/recipient.h"
#include "db/database.h"
#include "db/workspace.h"
#include "layout/certificate_layout.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "support/database_files.h"
#include "support/document_helpers.h"
#include "support/program_folder.h"
#include "support/raw_db.h"
#include "support/scripted_dialogs.h"

namespace kvsys::test {

// A program folder with a KVSYS.mdb whose layout 1 is decided, and an empty meet with the
// results system's tables, filled by the test with plain SQL.
class PrintRunWorld {
 public:
  PrintRunWorld() {
    meet_path_ = WriteMeetFile(
        folder_.File(QStringLiteral("Swim01.mdb")),
        SwimSchemaSql() +
            QStringLiteral(
                "INSERT INTO 大会設定 (大会名1, 始期間, 終期間, クラス分け, 選手使用所属) "
                "VALUES ('テスト大会', '2026/07/18', '2026/07/19', 0, 1)"));
    layout_db = workspace.OpenDatabase(folder_.LayoutDbPath());
    SetLimits(3, 3, 3, 3);
    EXPECT_TRUE(LayoutStore(*layout_db, dialogs, state).DecideLayout(1));
  }

  // Layout 1's rank limits (created the first time).
  void SetLimits(int heats, int timed, int final, int b_final) {
    LayoutSettings s;
    s.rank_heats = heats;
    s.rank_timed_final = timed;
    s.rank_final = final;
    s.rank_b_final = b_final;
    s.title = QStringLiteral("賞状");
    s.meet_name1 = QStringLiteral("テスト大会");  // the meet's own: no notice before a run
    s.body = QStringLiteral("あなたは優秀なる成績を収めました");
    LayoutStore store(*layout_db, dialogs, state);
    if (store.ReadSettings(1)) {
      EXPECT_TRUE(store.ChangeSettings(1, s));
    } else {
      EXPECT_EQ(store.CreateLayout(1, QStringLiteral("標準"), 1, s), 1);
    }
  }

  void Meet(const QString& sql) { ExecSql(meet_path_, sql); }
  void Event(int number, int sex, int stroke, int distance, int stage, int klass = 0,
             const QString& day = QStringLiteral("2026/07/18")) {
    Meet(QStringLiteral("INSERT INTO プログラム VALUES (%1, %2, %3, %4, %5, 1, %6, '%7')")
             .arg(number)
             .arg(sex)
             .arg(stroke)
             .arg(distance)
             .arg(stage)
             .arg(klass)
             .arg(day));
  }
  void Swimmer(int number, const QString& name, int main = 1) {
    Meet(QStringLiteral("INSERT INTO 選手マスター VALUES (%1, '%2', %3, '%2のクラブ', '%2の学校', "
                        "'%2の県')")
             .arg(number)
             .arg(name)
             .arg(main));
  }
  // A result of an individual event; the lane follows the order of the calls.
  void Result(int event, int swimmer, const QString& goal, int status = 0, int klass = 0,
              int heat = 1, const QString& mark = QString()) {
    Meet(QStringLiteral("INSERT INTO 記録マスター VALUES (%1, %2, %3, %4, %5, '%6', %7, 0, 0, 0, "
                        "0, '%8')")
             .arg(event)
             .arg(heat)
             .arg(++lane_)
             .arg(klass)
             .arg(swimmer)
             .arg(goal)
             .arg(status)
             .arg(mark));
  }

  Database& Results() {
    if (!results_db) results_db = workspace.OpenDatabase(meet_path_, false, true);
    return *results_db;
  }

  // The grid's row of an event as the print list shows it.
  ProgramEvent Listed(int number) {
    for (const ProgramEvent& e :
         ReadProgramme(Results(), false, QStringLiteral("WHERE 競技番号>0 "))) {
      if (e.number == number) return e;
    }
    ADD_FAILURE() << "event " << number << " not listed";
    return ProgramEvent{};
  }

  // 印刷(F5) through the print job, the documents going to out.
  PrintJobResult Run(const PrintRequest& request, DocumentOutput& out) {
    PrintJob job(dialogs, folder() + QStringLiteral("/KVSYS.ini"), folder());
    RunOptions opts;
    opts.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
    PrintRunContext context = Context();
    PlainWarningLabel label;
    return job.Run(opts, request, context, label);
  }

  CollectResult Collect(PrintRequest request) {
    PrintRunContext context = Context();
    return CollectRecipients(request, context);
  }
  PrintRunContext Context() {
    return PrintRunContext{*layout_db,  Results(), state,      dialogs,  options,
                           affiliation, layout,    recipients, *observer};
  }

  // "name:rank" of each collected recipient, 1 to count.
  QStringList Collected(int count) const {
    QStringList out;
    for (int i = 1; i <= count; ++i) out << recipients[i].Name + u':' + recipients[i].RankText;
    return out;
  }

  const QString& meet_path() const { return meet_path_; }
  QString folder() const { return folder_.path(); }

  ProgramFolder folder_;
  Workspace workspace;
  std::shared_ptr<Database> layout_db;
  std::shared_ptr<Database> results_db;
  ScriptedDialogs dialogs;
  DbErrorState state;
  PrintOptions options;
  int16_t affiliation = 1;
  CertificateLayout layout;
  RecipientTable recipients;
  PrintRunObserver default_observer;
  PrintRunObserver* observer = &default_observer;

 private:
  QString meet_path_;
  int lane_ = 0;
};

}  // namespace kvsys::test
