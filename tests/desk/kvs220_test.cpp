// The print list window: opening, its lists, activation, the print run from its controls,
// cancel through the window's own event processing, and closing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

#include "certificate/pre_print_check.h"
#include "certificate/run_log.h"
#include "db/work_table_model.h"
#include "desk/kvs220.h"
#include "desk/print_log.h"
#include "layout/layout_store.h"
#include "results/meet_settings.h"
#include "support/desk_records.h"
#include "support/document_helpers.h"
#include "support/find_child.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

class KVS220Test : public ::testing::Test {
 protected:
  // A look at the meet after a change: the list reads it once the file held still.
  static void FollowSettled(KVS220* k) {
    k->FollowMeet();
    QTest::qWait(static_cast<int>(FileChangeWatch::kSettleMs) + 200);
  }
  void SetUp() override {
    ini = w.folder() + QStringLiteral("/KVSYS.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Prn]\nPrnShozNo=4\n[Output]\nTarget=PDF\nPdfFolder=pdf\nPdfFiles=Certificate\n");
    f.close();
    w.Meet(QStringLiteral("UPDATE 大会設定 SET クラス分け = -1"));
    w.Meet(QStringLiteral("INSERT INTO クラス VALUES (1, '小学生'), (2, '中学生')"));
    w.Event(1, 1, 1, 2, 2, 1);
    w.Event(2, 2, 1, 2, 2, 2, QStringLiteral("2026/07/19"));
    for (int n = 1; n <= 6; ++n) {
      w.Swimmer(n, QStringLiteral("S%1").arg(n));
      w.Result(n <= 3 ? 1 : 2, n, QStringLiteral("00:3%1.00").arg(n), 0, n <= 3 ? 1 : 2);
    }
  }

  // The print list of meet meet_no (the world's layout was made for meet 1).
  KVS220* Make(int meet_no = 1) {
    meet = LoadMeetSettings(w.Results(), w.state, w.dialogs);
    window = std::make_unique<KVS220>(
        ListRecords(w, meet, ini, {QStringLiteral("IPAMincho"), QStringLiteral("ＭＳ　明朝")},
                    meet_no),
        w.dialogs);
    return window.get();
  }
  QStringList PdfFiles() const {
    return QDir(w.folder() + QStringLiteral("/pdf")).entryList({QStringLiteral("*.pdf")});
  }

  PrintRunWorld w;
  QString ini;
  MeetSettings meet;
  std::unique_ptr<KVS220> window;
};

TEST_F(KVS220Test, OpeningFillsTheListsAndBuildsTheEventsOfEveryDay) {
  KVS220* k = Make();
  k->Open();
  ASSERT_EQ(Child<QComboBox>(k, "Combo1")->count(), 3);
  EXPECT_EQ(Child<QComboBox>(k, "Combo1")->itemText(2), QStringLiteral("2日目   2026/07/19"));
  EXPECT_EQ(k->EventCount(), 2);
  EXPECT_EQ(k->GridModel()->rowCount(), 2);
  EXPECT_FALSE(Child<QTableView>(k, "PROG_GRID")->isColumnHidden(5));
  EXPECT_TRUE(Child<QPushButton>(k, "SSCommand4")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(k, "SSCommand2")->isEnabled());
  EXPECT_TRUE(Child<QCheckBox>(k, "chkClass")->isEnabled());
  EXPECT_FALSE(Child<QComboBox>(k, "cmbClass")->isEnabled());
  EXPECT_EQ(Child<QComboBox>(k, "cmbClass")->itemText(0), QStringLiteral("各クラス別一括"));
  EXPECT_EQ(Child<QComboBox>(k, "cmbKumi")->count(), 99);
  EXPECT_EQ(Child<QComboBox>(k, "cmbKumi")->itemText(0), QStringLiteral(" 1"));
  EXPECT_EQ(Child<QComboBox>(k, "cmbShoz")->currentText(), QStringLiteral("設定値"));
  EXPECT_EQ(Child<QComboBox>(k, "Combo2")->count(), 2);

  Child<QComboBox>(k, "Combo1")->setCurrentIndex(2);
  EXPECT_EQ(k->EventCount(), 1);
  EXPECT_EQ(k->GridModel()->Value(0, QStringLiteral("flda")).toString(), QStringLiteral("2"));
  QTest::mouseClick(Child<QCheckBox>(k, "chkClass"), Qt::LeftButton);
  EXPECT_TRUE(Child<QComboBox>(k, "cmbClass")->isEnabled());

  // The affiliation choice is kept at once.
  Child<QComboBox>(k, "cmbShoz")->setCurrentIndex(1);
  emit Child<QComboBox>(k, "cmbShoz")->activated(1);
  EXPECT_EQ(w.options.PrnShozNo, 2);
  EXPECT_TRUE(w.folder_.Ini().contains("PrnShozNo=2"));
}

TEST_F(KVS220Test, AMeetWithoutClassesOrDaysOffersNeither) {
  w.Meet(QStringLiteral("UPDATE 大会設定 SET クラス分け = 0, 始期間 = '2026/07/20'"));
  KVS220* k = Make();
  k->Open();
  EXPECT_TRUE(Child<QTableView>(k, "PROG_GRID")->isColumnHidden(5));
  EXPECT_FALSE(Child<QCheckBox>(k, "chkClass")->isEnabled());
  EXPECT_FALSE(Child<QComboBox>(k, "cmbClass")->isEnabled());
  EXPECT_EQ(Child<QComboBox>(k, "Combo1")->count(), 0);
  EXPECT_EQ(k->EventCount(), 0);
  EXPECT_FALSE(Child<QPushButton>(k, "SSCommand4")->isEnabled());
}

TEST_F(KVS220Test, ActivationInTheMainWindowShowsTheDecisionAndKeepsOneRow) {
  w.layout_db->Execute(
      QStringLiteral("INSERT INTO 全体フォント (全体フォント, 決定) VALUES ('x', 1)"),
      dbFailOnError);
  w.dialogs.Expect(QStringLiteral("何らかの原因でレイアウト変更が複数登録されています。\r\n"
                                  "レイアウトデータを初期状態に戻します。"),
                   MsgButtons::Ok, MsgIcon::Critical, kAppTitle);
  QMdiArea area;
  area.resize(1000, 700);
  area.show();
  KVS220* k = Make();
  QMdiSubWindow* sub = area.addSubWindow(k);
  k->Open();
  sub->show();
  area.setActiveSubWindow(sub);
  QCoreApplication::processEvents();
  // Collapsed to one row without a decision, which holds the first font.
  EXPECT_TRUE(w.dialogs.AllShown());
  EXPECT_EQ(Child<QComboBox>(k, "Combo2")->currentText(), QStringLiteral("IPAMincho"));
  EXPECT_EQ(Child<QLabel>(k, "lblCurR")->text(), QStringLiteral("    "));

  ASSERT_TRUE(LayoutStore(*w.layout_db, w.dialogs, w.state).DecideLayout(1));
  Child<QComboBox>(k, "Combo2")->setCurrentIndex(0);
  emit Child<QComboBox>(k, "Combo2")->activated(0);
  k->Activate();
  EXPECT_EQ(Child<QLabel>(k, "lblCurR")->text(), QStringLiteral("  標準  "));
  EXPECT_EQ(LayoutStore(*w.layout_db, w.dialogs, w.state).KeepOneDecisionRow(QString()).font,
            QStringLiteral("IPAMincho"));
  window.release();  // the area deletes its sub-windows
}

TEST_F(KVS220Test, PrintingEveryEventWritesOnePdfPerCertificate) {
  KVS220* k = Make();
  k->Open();
  k->show();
  Child<QCheckBox>(k, "Check1")->setChecked(true);
  k->Print();
  EXPECT_EQ(Child<QLineEdit>(k, "Text3")->text(), QStringLiteral("6"));
  EXPECT_EQ(PdfFiles().size(), 6);
  EXPECT_EQ(Child<QProgressBar>(k, "ProgressBar1")->maximum(), 6);
  EXPECT_EQ(Child<QProgressBar>(k, "ProgressBar1")->value(), 6);
  EXPECT_TRUE(Child<QPushButton>(k, "SSCommand4")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(k, "SSCommand2")->isEnabled());
  EXPECT_FALSE(k->Running());

  // Rank only 2 of the second day's event, class-wise for class 2.
  Child<QCheckBox>(k, "Check1")->setChecked(false);
  Child<QComboBox>(k, "Combo1")->setCurrentIndex(2);
  Child<QTableView>(k, "PROG_GRID")->selectRow(0);
  Child<QLineEdit>(k, "Text1")->setText(QStringLiteral("2"));
  Child<QCheckBox>(k, "chkClass")->setChecked(true);
  Child<QComboBox>(k, "cmbClass")->setCurrentIndex(Child<QComboBox>(k, "cmbClass")->findData(2));
  k->Print();
  EXPECT_EQ(Child<QLineEdit>(k, "Text3")->text(), QStringLiteral("1"));
  EXPECT_EQ(w.recipients[1].Name, QStringLiteral("S5"));
  EXPECT_EQ(w.recipients[1].ClassName, QStringLiteral("中学生"));
}

// The status column follows the log and the results: certificates apart from the sheets
// reprints add, what an event never printed earns, a recipient newly within the limit as
// unprinted (not as a change), a corrected result as a change; 未印刷を選択 picks the events
// that earn certificates never printed, and a run of events printed before asks first.
TEST_F(KVS220Test, TheStatusColumnAndTheEventsNeverPrinted) {
  KVS220* k = Make();
  k->Open();
  k->show();
  auto* grid = Child<QTableView>(k, "PROG_GRID");
  const auto status = [k](int row) { return k->GridModel()->index(row, 7).data().toString(); };
  EXPECT_EQ(k->GridModel()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("印刷状況"));
  EXPECT_EQ(status(1), QStringLiteral("未印刷 3"));
  grid->selectRow(0);
  QTest::keyClick(k, Qt::Key_F5);
  ASSERT_EQ(PdfFiles().size(), 3);
  EXPECT_TRUE(status(0).startsWith(QStringLiteral("印刷済 3件 "))) << status(0).toStdString();
  EXPECT_FALSE(status(0).contains(QStringLiteral("未印刷"))) << status(0).toStdString();
  EXPECT_EQ(status(1), QStringLiteral("未印刷 3"));

  // A result still to come in event 2, and a late swimmer who ties the third place of event 1:
  // a certificate to print, not a printed one gone wrong.
  w.Swimmer(7, QStringLiteral("S7"));
  w.Result(2, 7, QString(), 0, 2);
  w.Swimmer(8, QStringLiteral("S8"));
  w.Result(1, 8, QStringLiteral("00:33.00"), 0, 1);
  QTest::mouseClick(Child<QPushButton>(k, "cmdUnprinted"), Qt::LeftButton);
  std::vector<int> chosen;
  for (const QModelIndex& i : grid->selectionModel()->selectedRows()) chosen.push_back(i.row());
  EXPECT_EQ(chosen, (std::vector<int>{0, 1}));
  EXPECT_TRUE(status(0).endsWith(QStringLiteral("　未印刷 1"))) << status(0).toStdString();
  EXPECT_FALSE(status(0).contains(QStringLiteral("変更あり"))) << status(0).toStdString();
  EXPECT_EQ(status(1), QStringLiteral("未印刷 3　結果待ち 1"));

  // Event 1 again: only the new certificate, as the question's default answer says.
  grid->clearSelection();
  grid->selectRow(0);
  w.dialogs.ExpectDefault(ReprintQuestion(3), MsgButtons::YesNoCancel, MsgIcon::Question,
                          kPrintTitle, 2, Answer::No);
  QTest::keyClick(k, Qt::Key_F5);
  EXPECT_EQ(PdfFiles().size(), 4);
  EXPECT_TRUE(status(0).startsWith(QStringLiteral("印刷済 4件 "))) << status(0).toStdString();

  // A corrected record changes one printed certificate; printing all again mends it, and the
  // four certificates have come out on eight sheets.
  QThread::msleep(20);
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:32.50' WHERE 選手番号 = 2"));
  FollowSettled(k);
  EXPECT_TRUE(status(0).endsWith(QStringLiteral("　変更あり 1"))) << status(0).toStdString();
  w.dialogs.ExpectDefault(ReprintQuestion(4), MsgButtons::YesNoCancel, MsgIcon::Question,
                          kPrintTitle, 2, Answer::Yes);
  QTest::keyClick(k, Qt::Key_F5);
  EXPECT_EQ(PdfFiles().size(), 8);
  EXPECT_TRUE(status(0).startsWith(QStringLiteral("印刷済 4件（8枚） ")))
      << status(0).toStdString();
  EXPECT_FALSE(status(0).contains(QStringLiteral("変更あり"))) << status(0).toStdString();

  // The whole column is in sight on a screen 1280 pixels wide, with a desk named as Windows
  // names them, a change, a late swimmer and a result to come.
  k->resize(1280, 720);
  w.Swimmer(9, QStringLiteral("S9"));
  w.Result(1, 9, QString(), 0, 1);
  w.Swimmer(10, QStringLiteral("S10"));
  w.Result(1, 10, QStringLiteral("00:31.00"), 0, 1);
  QThread::msleep(20);
  LogEnvironment desk = LogEnvironment::System();
  desk.host = [] { return QStringLiteral("DESKTOP-7K3J9QF"); };
  std::vector<PrintLogRow> reprint{LogRowOf(w.recipients[1], LoggedMeetOf(w.meet_path(), meet), 1)};
  PrintLog(*w.layout_db, desk).Add(reprint);
  FollowSettled(k);
  QCoreApplication::processEvents();
  EXPECT_TRUE(
      status(0).contains(QStringLiteral("DESKTOP-7K3J9QF　未印刷 1　変更あり 3　結果待ち 1")))
      << status(0).toStdString();
  EXPECT_GE(grid->columnWidth(7), grid->fontMetrics().horizontalAdvance(status(0)));
  EXPECT_LE(grid->columnViewportPosition(7) + grid->columnWidth(7), grid->viewport()->width());
}

// 自動印刷: what is complete when it is ticked is listed, not printed; an event is printed once
// its last result is in, and only once.
TEST_F(KVS220Test, AutoPrintingWaitsForAnEventsLastResult) {
  KVS220* k = Make();
  k->Open();
  Child<QCheckBox>(k, "chkAuto")->setChecked(true);
  auto* list = Child<QListWidget>(k, "lstAuto");
  ASSERT_EQ(list->count(), 1);
  EXPECT_TRUE(list->item(0)->text().endsWith(QStringLiteral("（自動では印刷しません）：1, 2")))
      << list->item(0)->text().toStdString();
  EXPECT_TRUE(Child<QLabel>(k, "lblAuto")->isVisibleTo(k));

  w.Event(3, 1, 1, 2, 2, 1);
  for (int n = 7; n <= 9; ++n) w.Swimmer(n, QStringLiteral("S%1").arg(n));
  w.Result(3, 7, QStringLiteral("00:30.00"), 0, 1);
  w.Result(3, 8, QStringLiteral("00:31.00"), 0, 1);
  w.Result(3, 9, QString(), 0, 1);
  // A swim-off completes with it: it earns nothing, and no box may stop the list.
  w.Event(4, 1, 1, 2, 6, 1);
  w.Swimmer(10, QStringLiteral("S10"));
  w.Result(4, 10, QString(), 0, 1);
  // The list of the day is built again with the new event in it.
  Child<QComboBox>(k, "Combo1")->setCurrentIndex(1);
  k->FollowMeet();
  EXPECT_TRUE(PdfFiles().isEmpty());
  QThread::msleep(20);
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:32.00' WHERE 選手番号 IN (9, 10)"));
  k->FollowMeet();
  // Read once the file held still (the list looks again by itself).
  QTRY_COMPARE_WITH_TIMEOUT(PdfFiles().size(), 3, 5000);
  ASSERT_GE(list->count(), 3);
  EXPECT_TRUE(list->item(list->count() - 2)->text().contains(QStringLiteral("競技番号 3 ")));
  const QString swim_off = list->item(list->count() - 1)->text();
  EXPECT_TRUE(swim_off.contains(QStringLiteral("競技番号 4 男子50m自由形 スイムオフ")) &&
              swim_off.endsWith(QStringLiteral("：賞状なし")))
      << swim_off.toStdString();
  // Printed whole, it is no longer new.
  EXPECT_TRUE(
      k->GridModel()->index(1, 7).data().toString().startsWith(QStringLiteral("印刷済 3件")));
  EXPECT_EQ(Child<QLabel>(k, "lblFresh")->text(), QString());
  QThread::msleep(20);
  w.Meet(QStringLiteral("UPDATE 記録マスター SET 新記録印刷マーク = '' WHERE 選手番号 = 9"));
  k->FollowMeet();
  QTest::qWait(2 * FileChangeWatch::kSettleMs);
  EXPECT_EQ(PdfFiles().size(), 3);
}

// The list's own look at the meet is watched by nobody: a meet it cannot read (the results
// system rebuilding its tables) is said in the list, never in a box.
TEST_F(KVS220Test, ALookAtTheMeetNeverOpensABox) {
  KVS220* k = Make();
  k->Open();
  QThread::msleep(20);
  w.Meet(QStringLiteral("ALTER TABLE 記録マスター RENAME TO 記録控え"));
  FollowSettled(k);
  auto* list = Child<QListWidget>(k, "lstAuto");
  bool said = false;
  for (int i = 0; i < list->count(); ++i) {
    said = said || list->item(i)->text().contains(QStringLiteral("印刷状況："));
  }
  EXPECT_TRUE(said);
}

// 新着 marks an event that became complete while it has certificates to print; one that earns
// none (its only swimmer disqualified) is not new.
TEST_F(KVS220Test, AnEventIsNewOnlyWhileItHasCertificatesToPrint) {
  w.Event(3, 1, 1, 2, 2, 1);
  w.Event(4, 1, 1, 2, 2, 1);
  for (int n = 7; n <= 9; ++n) w.Swimmer(n, QStringLiteral("S%1").arg(n));
  w.Result(3, 7, QStringLiteral("00:30.00"), 0, 1);
  w.Result(3, 8, QString(), 0, 1);
  w.Result(4, 9, QString(), 0, 1);
  KVS220* k = Make();
  k->Open();
  ASSERT_EQ(k->GridModel()->rowCount(), 4);
  const auto status = [k](int row) { return k->GridModel()->index(row, 7).data().toString(); };
  QThread::msleep(20);
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:31.00' WHERE 選手番号 = 8"));
  w.Meet(QStringLiteral("UPDATE 記録マスター SET 事由入力ステータス = 1 WHERE 選手番号 = 9"));
  FollowSettled(k);
  EXPECT_EQ(status(2), QStringLiteral("新着　未印刷 2"));
  EXPECT_EQ(status(3), QString());
  EXPECT_EQ(Child<QLabel>(k, "lblFresh")->text(), QStringLiteral("新着 1 種目"));
}

// Another desk printed the chosen event first: the check before printing says so, this desk
// prints nothing of it and says that nothing came out and why.
TEST_F(KVS220Test, ADeskThatFindsItsCertificatesPrintedElsewhereSaysNothingCameOut) {
  KVS220* k = Make();
  k->Open();
  k->show();
  PrintRequest request;
  request.events = {w.Listed(1)};
  const CollectResult collected = w.Collect(request);
  ASSERT_EQ(collected.count, 3);
  std::vector<PrintLogRow> rows;
  for (int i = 1; i <= collected.count; ++i) {
    rows.push_back(LogRowOf(w.recipients[i], LoggedMeetOf(w.meet_path(), meet), 1));
  }
  LogEnvironment desk2 = LogEnvironment::System();
  desk2.host = [] { return QStringLiteral("DESK2"); };
  PrintLog(*w.layout_db, desk2).Add(rows);

  Child<QTableView>(k, "PROG_GRID")->selectRow(0);
  w.dialogs.ExpectTable(true);
  w.dialogs.ExpectDefault(ReprintQuestion(3), MsgButtons::YesNoCancel, MsgIcon::Question,
                          kPrintTitle, 2, Answer::No);
  k->Print();
  EXPECT_TRUE(w.dialogs.AllShown());
  EXPECT_TRUE(PdfFiles().isEmpty());
  ASSERT_EQ(w.dialogs.tables().size(), 1u);
  EXPECT_EQ(w.dialogs.tables()[0].title,
            QStringLiteral("印刷前の確認（賞状 3 枚、うち印刷済み 3 枚）"));
  EXPECT_EQ(w.dialogs.tables()[0].rows.at(0).value(4), QStringLiteral("3（印刷済 3）"));
  auto* result = Child<QLabel>(k, "lblResult");
  EXPECT_FALSE(result->isHidden());
  EXPECT_TRUE(result->text().startsWith(
      QStringLiteral("0枚を出力しました。印刷済みの3枚は、この端末では出力していません。")))
      << result->text().toStdString();
  auto* bar = Child<QProgressBar>(k, "ProgressBar1");
  EXPECT_EQ(bar->value(), 0);
  EXPECT_EQ(bar->maximum(), 3);
  EXPECT_TRUE(k->GridModel()->index(0, 7).data().toString().contains(QStringLiteral("DESK2")));
}

// Two meets share one program folder and desks share its decision: the list marks a layout
// made for another meet, and a run says it (or a layout another desk decided since the list
// showed its own) before the table, where 戻る prints nothing.
TEST_F(KVS220Test, ARunNamesAnotherMeetsLayoutAndOneDecidedElsewhere) {
  KVS220* k = Make(2);
  k->Open();
  k->Activate();
  EXPECT_EQ(Child<QLabel>(k, "lblCurR")->text(), QStringLiteral("  標準　※大会No.1 用  "));
  Child<QCheckBox>(k, "Check1")->setChecked(true);
  w.dialogs.ExpectTable(false);
  k->Print();
  ASSERT_EQ(w.dialogs.tables().size(), 1u);
  EXPECT_EQ(w.dialogs.tables()[0].title,
            QStringLiteral("印刷前の確認（賞状 6 枚）\nレイアウト「標準」は 大会No.1（テスト大会）"
                           "用です。\n大会名：大会No.2 テスト大会"));
  EXPECT_TRUE(PdfFiles().isEmpty());

  // Another desk makes and decides meet 2's layout after this list showed 標準.
  LayoutStore store(*w.layout_db, w.dialogs, w.state);
  LayoutSettings mine = *store.ReadSettings(1);
  mine.title = QStringLiteral("表彰状");
  ASSERT_EQ(store.CreateLayout(2, QStringLiteral("第2大会"), 2, mine), 2);
  ASSERT_TRUE(store.DecideLayout(2));
  w.dialogs.ExpectTable(false);
  k->Print();
  ASSERT_EQ(w.dialogs.tables().size(), 2u);
  EXPECT_EQ(w.dialogs.tables()[1].title,
            QStringLiteral("印刷前の確認（賞状 6 枚）\n決定レイアウトが別の端末で「標準」から"
                           "「第2大会」に変わりました。"));
  // Shown again, it is this meet's: nothing to say, and the run prints.
  k->Activate();
  EXPECT_EQ(Child<QLabel>(k, "lblCurR")->text(), QStringLiteral("  第2大会  "));
  w.dialogs.ExpectTable(true);
  k->Print();
  EXPECT_EQ(w.dialogs.tables()[2].title, QStringLiteral("印刷前の確認（賞状 6 枚）"));
  EXPECT_EQ(PdfFiles().size(), 6);
}

TEST_F(KVS220Test, TheCheckBeforePrintingNamesWhatRunsOffTheSheetAndBackPrintsNothing) {
  LayoutStore store(*w.layout_db, w.dialogs, w.state);
  std::optional<LayoutSettings> s = store.ReadSettings(1);
  ASSERT_TRUE(s);
  s->meet_name1 = QStringLiteral("第７０回記念全国ジュニアオリンピックカップ夏季水泳競技大会");
  ASSERT_TRUE(store.ChangeSettings(1, *s));
  w.options.Shrink = false;
  KVS220* k = Make();
  k->Open();
  Child<QCheckBox>(k, "Check1")->setChecked(true);
  // The layout's findings are in the table, event by event; no separate question is asked.
  w.dialogs.ExpectTable(false);
  k->Print();
  EXPECT_TRUE(PdfFiles().isEmpty());
  EXPECT_FALSE(Child<QPushButton>(k, "cmdResume")->isEnabled());
  ASSERT_EQ(w.dialogs.tables().size(), 1u);
  const ShownTable& shown = w.dialogs.tables()[0];
  // The layout names another meet: said first, before the table.
  EXPECT_EQ(shown.title,
            QStringLiteral(
                "印刷前の確認（賞状 6 枚）\nレイアウト「標準」の大会名は「第７０回記念全国"
                "ジュニアオリンピックカップ夏季水泳競技大会」です。\n大会名：大会No.1 テスト大会"));
  EXPECT_EQ(shown.accept, QStringLiteral("印刷"));
  EXPECT_EQ(shown.reject, QStringLiteral("戻る"));
  EXPECT_EQ(shown.headers, PrePrintCheckHeaders());
  ASSERT_EQ(shown.rows.size(), 2u);
  for (const QStringList& row : shown.rows) {
    EXPECT_EQ(row.value(4), QStringLiteral("3"));
    EXPECT_EQ(row.value(9), QStringLiteral("大会名前段が用紙からはみ出します（3枚）"));
  }
  w.dialogs.ExpectTable(true);
  k->Print();
  EXPECT_EQ(PdfFiles().size(), 6);

  // Drawn smaller to fit, nothing runs off: the table says nothing of the layout, and the
  // question about printing them again is asked.
  w.options.Shrink = true;
  w.dialogs.ExpectDefault(ReprintQuestion(6), MsgButtons::YesNoCancel, MsgIcon::Question,
                          kPrintTitle, 2, Answer::Yes);
  k->Print();
  EXPECT_TRUE(w.dialogs.AllShown());
  EXPECT_EQ(PdfFiles().size(), 12);
  ASSERT_EQ(w.dialogs.tables().size(), 3u);
  EXPECT_EQ(w.dialogs.tables()[2].rows.at(0).value(9), QString());
}

TEST_F(KVS220Test, NothingChosenAndThePreviewWithoutItsWindow) {
  KVS220* k = Make();
  k->Open();
  // The list opens with its first event chosen; the operator takes it away.
  Child<QTableView>(k, "PROG_GRID")->clearSelection();
  w.dialogs.Expect(kNoSelectionMessage, MsgButtons::Ok, MsgIcon::Information, kNoSelectionTitle);
  k->Print();
  EXPECT_TRUE(Child<QPushButton>(k, "SSCommand4")->isEnabled());

  Child<QCheckBox>(k, "PRV_CHK")->setChecked(true);
  EXPECT_FALSE(Child<QLabel>(k, "lblPreviewNote")->isHidden());
  Child<QTableView>(k, "PROG_GRID")->selectRow(0);
  k->Print();
  EXPECT_EQ(PdfFiles().size(), 3);
  EXPECT_TRUE(Child<QLabel>(k, "lblPreviewNote")->text().contains(QStringLiteral("pdf")));

  int opened = 0;
  k->SetPreviewOpener([&] { ++opened; });
  EXPECT_TRUE(Child<QLabel>(k, "lblPreviewNote")->isHidden());
  Child<QTableView>(k, "PROG_GRID")->selectRow(0);
  k->Print();
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(PdfFiles().size(), 3);
  EXPECT_EQ(w.recipients.RecipientCount, 3);
}

// The window says where 印刷 sends the certificates before anything is printed; a printer
// that is not there is reported once, and only the operator's yes sends the run to PDF files.
TEST_F(KVS220Test, TheDestinationIsShownAndAMissingPrinterStopsTheRunUnlessPdfIsChosen) {
  KVS220* k = Make();
  k->Open();
  const QString pdf = QDir::toNativeSeparators(w.folder() + QStringLiteral("/pdf"));
  EXPECT_EQ(Child<QLabel>(k, "lblOutput")->text(),
            QStringLiteral("出力先：PDFファイル（1枚1ファイル）　") + pdf);

  QFile f(ini);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[Prn]\nPrnShozNo=4\n[Output]\nPrinter=kvsys-no-such-queue\nPdfFiles=Certificate\n");
  f.close();
  const QString missing = test::AbsentPrinterText(QStringLiteral("kvsys-no-such-queue"));
  k->Activate();  // the window in front again reads the settings again
  EXPECT_EQ(Child<QLabel>(k, "lblOutput")->text(),
            QStringLiteral("出力先：プリンタ「kvsys-no-such-queue」\n") + missing);

  const QString question =
      missing + QStringLiteral("\r\rPDFファイルに出力しますか？\r（") + pdf + QStringLiteral("）");
  w.dialogs.ExpectDefault(question, MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2,
                          Answer::No);
  QTest::keyClick(Child<QTableView>(k, "PROG_GRID"), Qt::Key_F5);
  EXPECT_TRUE(w.dialogs.AllShown());
  EXPECT_EQ(Child<QLineEdit>(k, "Text3")->text(), QStringLiteral("0"));  // nothing collected
  EXPECT_TRUE(PdfFiles().isEmpty());
  EXPECT_FALSE(k->Running());

  w.dialogs.ExpectDefault(question, MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2,
                          Answer::Yes);
  k->Print();
  EXPECT_EQ(PdfFiles().size(), 3);
  // The printer is still the destination; where the files went is shown beside it.
  EXPECT_EQ(Child<QLabel>(k, "lblOutput")->text(),
            QStringLiteral("出力先：プリンタ「kvsys-no-such-queue」\n") + missing +
                QStringLiteral("\n前回のPDF出力：") + pdf);

  // With the preview the run prints nothing yet: no question.
  k->SetPreviewOpener([] {});
  Child<QCheckBox>(k, "PRV_CHK")->setChecked(true);
  EXPECT_TRUE(
      Child<QLabel>(k, "lblOutput")->text().startsWith(QStringLiteral("出力先：プレビュー画面\n")));
  k->Print();
  EXPECT_EQ(PdfFiles().size(), 3);
}

TEST_F(KVS220Test, CancelAndCloseArePressedWhileTheRunProcessesEvents) {
  KVS220* k = Make();
  k->Open();
  k->show();
  Child<QCheckBox>(k, "Check1")->setChecked(true);
  // F9 on the grid, taken by the window while the first recipient is collected.
  QTimer::singleShot(0, k, [k] { QTest::keyClick(Child<QTableView>(k, "PROG_GRID"), Qt::Key_F9); });
  w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  k->Print();
  EXPECT_EQ(Child<QLineEdit>(k, "Text3")->text(), QStringLiteral("1"));
  EXPECT_TRUE(PdfFiles().isEmpty());
  EXPECT_TRUE(Child<QPushButton>(k, "SSCommand4")->isEnabled());

  // Esc (閉じる) during a run cancels it and closes the window after it; KVS30 is emptied.
  w.layout_db->Execute(QStringLiteral("INSERT INTO KVS30 (flda) VALUES ('1')"), dbFailOnError);
  QTimer::singleShot(0, k, [k] { QTest::keyClick(Child<QLineEdit>(k, "Text1"), Qt::Key_Escape); });
  w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  k->Print();
  EXPECT_FALSE(k->isVisible());
  auto rs = w.layout_db->OpenRecordset(QStringLiteral("KVS30"), dbOpenSnapshot);
  EXPECT_TRUE(rs->Eof());
}

}  // namespace
}  // namespace kvsys::test
