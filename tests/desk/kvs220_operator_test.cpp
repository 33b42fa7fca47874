// The print list as the operator drives it: the keyboard on the event grid, the grid's look,
// and a run stopped while printing that says what was output and goes on from there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>

#include "certificate/print_resume.h"
#include "db/work_table_model.h"
#include "desk/kvs220.h"
#include "results/meet_settings.h"
#include "support/desk_records.h"
#include "support/find_child.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

class PrintListOperator : public ::testing::Test {
 protected:
  void SetUp() override {
    // One PDF file a certificate: the files count what was output.
    w.folder_.Write(
        QStringLiteral("KVSYS.ini"),
        "[Prn]\nPrnShozNo=4\n[Output]\nTarget=PDF\nPdfFolder=pdf\nPdfFiles=Certificate\n");
    // Six events of two swimmers each (ranks 1 and 2 print).
    for (int e = 1; e <= 6; ++e) {
      w.Event(e, 1, 1, 2, 2);
      for (int k = 1; k <= 2; ++k) {
        const int swimmer = e * 10 + k;
        w.Swimmer(swimmer, QStringLiteral("E%1S%2").arg(e).arg(k));
        w.Result(e, swimmer, QStringLiteral("00:3%1.00").arg(k));
      }
    }
    meet = LoadMeetSettings(w.Results(), w.state, w.dialogs);
    window =
        std::make_unique<KVS220>(ListRecords(w, meet, w.folder() + QStringLiteral("/KVSYS.ini"),
                                             {QStringLiteral("IPAMincho")}),
                                 w.dialogs);
    window->resize(1200, 800);
    window->Open();
    window->show();
    QApplication::setActiveWindow(window.get());
    QCoreApplication::processEvents();
    grid = Child<QTableView>(window.get(), "PROG_GRID");
  }
  void TearDown() override { EXPECT_TRUE(w.dialogs.AllShown()); }

  QList<int> SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& i : grid->selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  void CtrlClickRow(int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
  }
  QStringList PdfFiles() const {
    return QDir(w.folder() + QStringLiteral("/pdf")).entryList({QStringLiteral("*.pdf")});
  }

  PrintRunWorld w;
  MeetSettings meet;
  std::unique_ptr<KVS220> window;
  QTableView* grid = nullptr;
};

TEST_F(PrintListOperator, OpensOnTheGridWithTheFirstEventChosen) {
  EXPECT_EQ(QApplication::focusWidget(), grid);
  EXPECT_EQ(SelectedRows(), QList<int>{0});
  EXPECT_EQ(grid->currentIndex().row(), 0);
  // The arrow keys work at once.
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(SelectedRows(), QList<int>{1});
}

TEST_F(PrintListOperator, TabLeavesTheGridAndKeepsTheChosenEvents) {
  grid->selectRow(0);
  CtrlClickRow(3);
  CtrlClickRow(5);
  ASSERT_EQ(SelectedRows(), (QList<int>{0, 3, 5}));
  QTest::keyClick(grid, Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), grid);
  EXPECT_EQ(SelectedRows(), (QList<int>{0, 3, 5}));
  // Back with Shift+Tab, still the same three.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(SelectedRows(), (QList<int>{0, 3, 5}));

  // F5 prints the three events: two certificates each.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
  ASSERT_EQ(w.recipients.RecipientCount, 6);
  QStringList names;
  for (int i = 1; i <= 6; ++i) names << w.recipients[i].Name;
  names.sort();
  EXPECT_EQ(names, (QStringList{"E1S1", "E1S2", "E4S1", "E4S2", "E6S1", "E6S2"}));
}

TEST_F(PrintListOperator, GridShowsNumbersRightAlignedWithoutRowNumbersOrSideScrolling) {
  EXPECT_FALSE(grid->verticalHeader()->isVisible());
  const auto align = [&](int column) {
    return grid->model()->index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
  };
  EXPECT_TRUE(align(0) & Qt::AlignRight);  // 競技No.
  EXPECT_TRUE(align(6) & Qt::AlignRight);  // 組数
  EXPECT_TRUE(align(2) & Qt::AlignLeft);   // 種目
  EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
}

TEST_F(PrintListOperator, AStopWhilePrintingSaysWhatWasOutputAndGoesOnFromTheNext) {
  Child<QCheckBox>(window.get(), "Check1")->setChecked(true);
  // 中止 while the third certificate is about to be drawn.
  auto* bar = Child<QProgressBar>(window.get(), "ProgressBar1");
  QMetaObject::Connection stop = QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) {
    if (v == 2) QTest::keyClick(grid, Qt::Key_F9);
  });
  w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  window->Print();
  QObject::disconnect(stop);
  EXPECT_EQ(PdfFiles().size(), 2);
  auto* state = Child<QLabel>(window.get(), "lblRunState");
  EXPECT_FALSE(state->isHidden());
  EXPECT_TRUE(state->text().contains(QStringLiteral("2枚まで出力しました（全12枚）")))
      << state->text().toStdString();
  // The third recipient is rank 1 of the second event.
  EXPECT_TRUE(state->text().contains(QStringLiteral("１位 E2S1"))) << state->text().toStdString();
  EXPECT_EQ(bar->value(), 2);
  auto* resume = Child<QPushButton>(window.get(), "cmdResume");
  ASSERT_TRUE(resume->isEnabled());

  // Going on prints the ten that are left, each once, and then nothing is left to go on with.
  QTest::keyClick(grid, Qt::Key_F6);
  EXPECT_EQ(PdfFiles().size(), 12);
  EXPECT_TRUE(state->isHidden());
  EXPECT_FALSE(resume->isEnabled());
  QTest::keyClick(grid, Qt::Key_F6);  // nothing more
  EXPECT_EQ(PdfFiles().size(), 12);
}

TEST_F(PrintListOperator, ACancelWhileCollectingOffersNothingToGoOnWith) {
  Child<QCheckBox>(window.get(), "Check1")->setChecked(true);
  QTimer::singleShot(0, window.get(), [this] { QTest::keyClick(grid, Qt::Key_F9); });
  w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  window->Print();
  EXPECT_TRUE(PdfFiles().isEmpty());
  EXPECT_FALSE(Child<QPushButton>(window.get(), "cmdResume")->isEnabled());
  EXPECT_TRUE(Child<QLabel>(window.get(), "lblRunState")->isHidden());
}

TEST(PrintResume, TheStopNoteCountsEveryEntryBeforeTheNextAndNamesIt) {
  RecipientTable table;
  table[4] = Recipient{QStringLiteral("山田 花子"),
                       QString(),
                       QStringLiteral("女子100m自由形"),
                       QStringLiteral("中学生"),
                       QStringLiteral("２"),
                       QString(),
                       {}};
  table[9] = Recipient{QStringLiteral("川の会"),
                       QString(),
                       QStringLiteral("混合200mリレー"),
                       QString(),
                       QStringLiteral("OP"),
                       QString(),
                       {}};
  PrintResume r;
  r.Ended(4, 10);  // stopped before entry 4 was drawn
  EXPECT_EQ(DescribePrintStop(r, table),
            QStringLiteral("3枚まで出力しました（全10枚）。次は 女子100m自由形 中学生 ２位 山田 "
                           "花子 です。"));
  // A second part of the same table, from 4, stopped before 9.
  r.Ended(9, 10);
  EXPECT_EQ(r.Output(), 8);
  EXPECT_TRUE(DescribePrintStop(r, table).contains(QStringLiteral("混合200mリレー OP 川の会")));
  // Reaching the end leaves nothing to continue.
  r.Ended(0, 10);
  EXPECT_EQ(r.Output(), 10);
  EXPECT_TRUE(DescribePrintStop(r, table).isEmpty());
}

}  // namespace
}  // namespace kvsys::test
