// The preview window: opening and activation, the page box and its buttons, copies, keys, the
// options panel, すべて印刷, closing, one preview at a time in the main window's area, and the
// view painting the certificate where the document puts it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <memory>

#include "certificate/draw_certificate.h"
#include "preview/calibration_dialog_ui.h"
#include "preview/kvpreview.h"
#include "preview/page_view_ui.h"
#include "preview/preview_window_ui.h"
#include "preview_world.h"
#include "print/calibration.h"
#include "print/calibration_sheet.h"
#include "support/find_child.h"

namespace kvsys::test {
namespace {

class KVPreviewTest : public ::testing::Test {
 protected:
  KVPreview* Make(int count) {
    p = std::make_unique<PreviewWorld>(count);
    window = std::make_unique<KVPreview>(p->Records(), p->w.dialogs);
    window->Session().SetOutput(p->Factory());
    EXPECT_TRUE(window->Open());
    return window.get();
  }
  QStringList OnShow() const { return Texts(window->Session().Held()); }
  bool Enabled(const char* name) const { return Child<QPushButton>(*window, name)->isEnabled(); }
  QString Navigation() const {
    QString s;
    for (const char* name : {"Command1", "Command2", "Command3", "Command4", "SSCommand1"}) {
      s += Enabled(name) ? u'1' : u'0';
    }
    return s;
  }
  void TypePage(const QString& text) {
    auto* box = Child<QLineEdit>(*window, "Text12");
    box->clear();
    QTest::keyClicks(box, text);
  }

  std::unique_ptr<PreviewWorld> p;
  std::unique_ptr<KVPreview> window;
};

TEST_F(KVPreviewTest, AOneCertificateRunCanGoNowhere) {
  KVPreview* k = Make(1);
  EXPECT_EQ(k->windowTitle(), QStringLiteral("標準  プレビュー画面"));
  EXPECT_EQ(Child<QLabel>(*k, "Label13")->text(), QStringLiteral("1ﾃﾞｰﾀ"));
  EXPECT_TRUE(Child<QLabel>(*k, "lblOutput")->text().startsWith(QStringLiteral("出力先：PDF")))
      << Child<QLabel>(*k, "lblOutput")->text().toStdString();
  EXPECT_EQ(Navigation(), QStringLiteral("00001"));
  EXPECT_TRUE(Child<QLineEdit>(*k, "Text15")->isHidden());
  EXPECT_TRUE(Child<QGroupBox>(*k, "Frame3")->isHidden());
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S1")));
  TypePage(QStringLiteral("1"));
  EXPECT_EQ(Navigation(), QStringLiteral("00001"));
}

TEST_F(KVPreviewTest, PagesOutsideTheRunAreToldAndCorrected) {
  KVPreview* k = Make(4);
  EXPECT_EQ(Child<QLabel>(*k, "Label13")->text(), QStringLiteral("4ﾃﾞｰﾀ"));
  EXPECT_EQ(Navigation(), QStringLiteral("00111"));

  p->w.dialogs.Expect(kNoRecordMessage, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  TypePage(QStringLiteral("0"));
  EXPECT_EQ(Child<QLineEdit>(*k, "Text12")->text(), QStringLiteral("1"));
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S1")));

  p->w.dialogs.Expect(kNoRecordMessage, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  TypePage(QStringLiteral("9"));
  EXPECT_EQ(Child<QLineEdit>(*k, "Text12")->text(), QStringLiteral("4"));
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S4")));
  EXPECT_EQ(Navigation(), QStringLiteral("11001"));
  EXPECT_TRUE(p->w.dialogs.AllShown());

  // The buttons move one at a time and to the ends.
  QTest::mouseClick(Child<QPushButton>(*k, "Command2"), Qt::LeftButton);
  EXPECT_EQ(Child<QLineEdit>(*k, "Text12")->text(), QStringLiteral("3"));
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S3")));
  EXPECT_EQ(Navigation(), QStringLiteral("11111"));
  QTest::mouseClick(Child<QPushButton>(*k, "Command1"), Qt::LeftButton);
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S1")));
  QTest::mouseClick(Child<QPushButton>(*k, "Command3"), Qt::LeftButton);
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S2")));
  QTest::mouseClick(Child<QPushButton>(*k, "Command4"), Qt::LeftButton);
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S4")));
}

TEST_F(KVPreviewTest, AnEmptyPageBoxStopsMovingAndPrintingUntilANumberComes) {
  KVPreview* k = Make(3);
  TypePage(QStringLiteral("2"));
  Child<QLineEdit>(*k, "Text12")->clear();
  EXPECT_EQ(Navigation(), QStringLiteral("00000"));
  EXPECT_FALSE(Enabled("cmdPrintAll"));
  EXPECT_FALSE(Child<QLineEdit>(*k, "Text15")->isHidden());
  EXPECT_EQ(Child<QLineEdit>(*k, "Text15")->text(), kPageHint);
  // F5 with nothing on show prints nothing.
  QTest::keyClick(Child<QLineEdit>(*k, "Text12"), Qt::Key_F5);
  EXPECT_TRUE(p->output.written.empty());
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S2")));

  QTest::keyClicks(Child<QLineEdit>(*k, "Text12"), QStringLiteral("3"));
  EXPECT_EQ(Navigation(), QStringLiteral("11001"));
  EXPECT_TRUE(Child<QLineEdit>(*k, "Text15")->isHidden());
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S3")));
}

// The buttons stay where the operator found them: neither what a print says afterwards nor
// the page hint moves any of them.
TEST_F(KVPreviewTest, NoButtonMovesAfterAPrintOrAHint) {
  KVPreview* k = Make(3);
  k->show();
  QCoreApplication::processEvents();
  const auto places = [k] {
    std::map<QString, QPoint> at;
    for (QPushButton* b : k->findChildren<QPushButton*>()) {
      if (b->isVisible()) at[b->objectName()] = b->mapTo(k, QPoint(0, 0));
    }
    return at;
  };
  const std::map<QString, QPoint> before = places();
  ASSERT_GT(before.size(), 8u);
  QTest::mouseClick(Child<QPushButton>(*k, "SSCommand1"), Qt::LeftButton);
  ASSERT_EQ(p->output.written.size(), 1u);
  EXPECT_FALSE(Child<QLabel>(*k, "lblRunState")->isHidden());
  QCoreApplication::processEvents();
  EXPECT_EQ(places(), before);
  Child<QLineEdit>(*k, "Text12")->clear();
  QCoreApplication::processEvents();
  EXPECT_FALSE(Child<QLineEdit>(*k, "Text15")->isHidden());
  EXPECT_EQ(places(), before);
}

TEST_F(KVPreviewTest, CopiesPrintTheCertificateOnShowThatManyTimes) {
  KVPreview* k = Make(3);
  TypePage(QStringLiteral("2"));
  auto* copies = Child<QLineEdit>(*k, "Text11");
  copies->setText(QStringLiteral("3"));
  QTest::mouseClick(Child<QPushButton>(*k, "SSCommand1"), Qt::LeftButton);
  ASSERT_EQ(p->output.written.size(), 3u);
  for (const PrintDocument& doc : p->output.written) {
    EXPECT_TRUE(Texts(&doc).contains(QStringLiteral("S2")));
  }

  for (const QString& none : {QString(), QStringLiteral("0")}) {
    copies->setText(none);
    p->w.dialogs.Expect(kCopiesMessage, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
    QTest::keyClick(Child<QLineEdit>(*k, "Text12"), Qt::Key_F5);
    EXPECT_EQ(p->output.written.size(), 3u);
  }
  // Letters are refused by the box.
  copies->clear();
  QTest::keyClicks(copies, QStringLiteral("a2"));
  EXPECT_EQ(copies->text(), QStringLiteral("2"));
  QTest::keyClick(copies, Qt::Key_F5);
  EXPECT_EQ(p->output.written.size(), 5u);
}

// 「プリンタの位置合わせ」 from the options: the workstation printer's values typed in tenths,
// saved for its queue, and the calibration sheet printed with them saved first.
TEST_F(KVPreviewTest, ThePrintersCalibrationIsTypedSavedAndItsSheetPrinted) {
  KVPreview* k = Make(1);
  QFile ini(p->ini);
  ASSERT_TRUE(ini.open(QIODevice::Append));
  ini.write("Printer=office\n");  // in [Output]
  ini.close();
  QString shown;
  QTimer::singleShot(0, [&] {
    auto* dialog = dynamic_cast<CalibrationDialog*>(QApplication::activeModalWidget());
    ASSERT_TRUE(dialog);
    shown = Child<QLabel>(*dialog, "lblQueue")->text();
    auto* across = Child<QDoubleSpinBox>(*dialog, "txtAcross");
    across->selectAll();
    QTest::keyClicks(across, QStringLiteral("-1.5"));
    Child<QDoubleSpinBox>(*dialog, "txtScale")->setValue(100.3);
    Child<QCheckBox>(*dialog, "chkPdf")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(*dialog, "cmdSheet"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(*dialog, "cmdClose"), Qt::LeftButton);
  });
  QTest::mouseClick(Child<QPushButton>(*k, "cmdCalibration"), Qt::LeftButton);
  EXPECT_TRUE(shown.startsWith(QStringLiteral("プリンタ「office」（この端末）")))
      << shown.toStdString();
  PrinterCalibration expected;
  expected.offset_x = -15;
  expected.scale = 1003;
  expected.pdf = true;
  EXPECT_EQ(LoadCalibration(p->ini, QStringLiteral("office"), nullptr), expected);
  ASSERT_EQ(p->output.written.size(), 5u);
  for (const PrintDocument& sheet : p->output.written) EXPECT_EQ(sheet.name, kCalibrationSheetName);
}

TEST_F(KVPreviewTest, ViewKeysMoveAndZoomAndCloseKeysClose) {
  KVPreview* k = Make(4);
  PageView* view = Child<PageView>(*k, "VSPRN");
  QTest::keyClick(view, Qt::Key_End);
  EXPECT_EQ(Child<QLineEdit>(*k, "Text12")->text(), QStringLiteral("4"));
  QTest::keyClick(view, Qt::Key_PageUp);
  EXPECT_EQ(Child<QLineEdit>(*k, "Text12")->text(), QStringLiteral("3"));
  QTest::keyClick(view, Qt::Key_Home);
  EXPECT_EQ(Child<QLineEdit>(*k, "Text12")->text(), QStringLiteral("1"));
  // At the first certificate PageUp has nowhere to go and shows no message.
  QTest::keyClick(view, Qt::Key_PageUp);
  QTest::keyClick(view, Qt::Key_PageDown);
  EXPECT_EQ(Child<QLineEdit>(*k, "Text12")->text(), QStringLiteral("2"));
  EXPECT_TRUE(OnShow().contains(QStringLiteral("S2")));

  k->resize(900, 700);
  k->show();
  EXPECT_TRUE(view->Fitting());
  const double fit = view->Scale();
  QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_FALSE(view->Fitting());
  EXPECT_NEAR(view->Scale(), fit * 1.25, fit * 0.01);
  QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_NEAR(view->Scale(), fit, fit * 0.01);
  QTest::mouseClick(Child<QPushButton>(*k, "cmdActual"), Qt::LeftButton);
  EXPECT_NEAR(view->Scale(), view->logicalDpiX() / 1440.0, 1e-9);
  QTest::mouseClick(Child<QPushButton>(*k, "cmdFit"), Qt::LeftButton);
  EXPECT_TRUE(view->Fitting());

  QTest::keyClick(Child<QLineEdit>(*k, "Text11"), Qt::Key_Escape);
  EXPECT_FALSE(k->isVisible());
  EXPECT_EQ(p->w.recipients[1], Recipient());
}

TEST_F(KVPreviewTest, ThePageHasHalfTheWidthAndPageKeysTurnItFromAnywhereButATextBox) {
  KVPreview* k = Make(4);
  k->resize(1280, 960);
  k->show();
  k->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(k));
  // The certificate takes at least half the window; the page box, the copies and 印刷 are in
  // view without scrolling.
  EXPECT_GE(k->View()->width(), k->width() / 2);
  for (const char* name : {"Text12", "Text11", "SSCommand1"}) {
    EXPECT_FALSE(Child<QWidget>(*k, name)->visibleRegion().isEmpty()) << name;
  }
  auto* page = Child<QLineEdit>(*k, "Text12");
  Child<QCheckBox>(*k, "Check1_0")->setChecked(true);
  Child<QPushButton>(*k, "SSCommand4")->click();  // an adjustment not saved yet
  // In the layout list, on a box of the panel, on a button: PageDown and PageUp turn pages.
  for (const char* name : {"List1", "Check1_0", "SSCommand1"}) {
    auto* control = Child<QWidget>(*k, name);
    control->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), control) << name;
    QTest::keyClick(control, Qt::Key_PageDown);
    QTest::keyClick(control, Qt::Key_PageDown);
    EXPECT_EQ(page->text(), QStringLiteral("3")) << name;
    QTest::keyClick(control, Qt::Key_PageUp);
    QTest::keyClick(control, Qt::Key_PageUp);
    EXPECT_EQ(page->text(), QStringLiteral("1")) << name;
  }
  // The list took the focus without reading a layout over the adjustment.
  EXPECT_TRUE(k->Session().Adjuster()->Unsaved());
  // In a box being typed in the key stays the box's.
  auto* copies = Child<QLineEdit>(*k, "Text11");
  copies->setFocus();
  QTest::keyClick(copies, Qt::Key_PageDown);
  EXPECT_EQ(page->text(), QStringLiteral("1"));
}

TEST_F(KVPreviewTest, ClosingWithUnsavedAdjustmentsAsksAndNoKeepsTheWindow) {
  KVPreview* k = Make(2);
  k->show();
  // Looking is no change: it closes without a word.
  ASSERT_FALSE(k->Session().Adjuster()->Unsaved());
  Child<QCheckBox>(*k, "Check1_0")->setChecked(true);
  Child<QPushButton>(*k, "SSCommand4")->click();  // the title 1 mm up
  ASSERT_TRUE(k->Session().Adjuster()->Unsaved());
  auto expect_question = [this](Answer answer) {
    p->w.dialogs.ExpectDefault(kUnsavedAdjustmentsQuestion, MsgButtons::YesNo, MsgIcon::Question,
                               kAppTitle, 2, answer);
  };
  expect_question(Answer::No);
  QTest::keyClick(k->View(), Qt::Key_Escape);
  EXPECT_TRUE(k->isVisible());
  expect_question(Answer::No);
  QTest::mouseClick(Child<QPushButton>(*k, "SSCommand2"), Qt::LeftButton);
  EXPECT_TRUE(k->isVisible());
  // Stepped back to the layout as read, nothing is unsaved any more.
  QTest::keyClick(k->View(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(k->Session().Adjuster()->Unsaved());
  Child<QPushButton>(*k, "SSCommand4")->click();
  expect_question(Answer::Yes);
  QTest::keyClick(k->View(), Qt::Key_F10);
  EXPECT_FALSE(k->isVisible());
  EXPECT_TRUE(p->w.dialogs.AllShown());
}

TEST_F(KVPreviewTest, ChangingTheDecidedLayoutClosesWithoutTheQuestion) {
  KVPreview* k = Make(2);
  k->show();
  Child<QCheckBox>(*k, "Check1_0")->setChecked(true);
  Child<QPushButton>(*k, "SSCommand4")->click();
  ASSERT_TRUE(k->Session().Adjuster()->Unsaved());
  auto* list = Child<QListWidget>(*k, "List1");
  {
    const QSignalBlocker quiet(list);  // chosen, not read: the adjustment stays on show
    list->setCurrentRow(0);
    list->item(0)->setSelected(true);
  }
  p->w.dialogs.Expect(
      QStringLiteral(
          "標準に変更しますか？\r\n変更する場合、もう一度データを読み直す必要があります。"),
      MsgButtons::YesNo, MsgIcon::Question, kAppTitle, Answer::Yes);
  QTest::keyClick(k->View(), Qt::Key_F9);
  EXPECT_FALSE(k->isVisible());
  EXPECT_TRUE(p->w.dialogs.AllShown());
}

TEST_F(KVPreviewTest, OptionClicksAreSavedAndRedrawnButActivationWritesNothing) {
  KVPreview* k = Make(2);
  QTest::mouseClick(Child<QPushButton>(*k, "Command6"), Qt::LeftButton);
  EXPECT_FALSE(Child<QGroupBox>(*k, "Frame3")->isHidden());
  EXPECT_FALSE(Enabled("Command6"));
  auto* dono = Child<QCheckBox>(*k, "chkDono");
  ASSERT_TRUE(dono->isChecked());
  EXPECT_FALSE(OnShow().contains(QStringLiteral("殿")));
  dono->click();
  EXPECT_FALSE(p->w.options.Dono);
  EXPECT_TRUE(OnShow().contains(QStringLiteral("殿")));
  EXPECT_FALSE(ReadPrintOptions(p->w.dialogs, p->ini).Dono);

  // The honorific box, left by Tab.
  k->show();
  auto* honorific = Child<QLineEdit>(*k, "txtDono");
  honorific->setFocus();
  honorific->setText(QStringLiteral(" 様 "));
  emit honorific->editingFinished();
  EXPECT_EQ(honorific->text(), QStringLiteral("様"));
  EXPECT_TRUE(OnShow().contains(QStringLiteral("様")));
  EXPECT_EQ(ReadPrintOptions(p->w.dialogs, p->ini).DonoStr, QStringLiteral("様"));

  // The grid on with a count of 0: the drawing's message, no grid.
  Child<QLineEdit>(*k, "txtLatticeY")->setText(QStringLiteral("0"));
  p->w.dialogs.Expect(kLatticeMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  Child<QCheckBox>(*k, "chkLattice")->click();
  EXPECT_EQ(LineCount(k->Session().Held()), 0);
  EXPECT_EQ(ReadPrintOptions(p->w.dialogs, p->ini).LatticeY, 0);
  EXPECT_TRUE(p->w.dialogs.AllShown());

  // Another part of the program changes the record; activation shows it and writes nothing.
  const QByteArray before = p->w.folder_.Ini();
  p->w.options.Lattice = false;
  p->w.options.Kako = false;
  p->w.options.LatticeX = 7;
  k->Activate();
  EXPECT_FALSE(Child<QCheckBox>(*k, "chkKakko")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(*k, "chkLattice")->isChecked());
  EXPECT_EQ(Child<QLineEdit>(*k, "txtLatticeX")->text(), QStringLiteral("7"));
  EXPECT_EQ(p->w.folder_.Ini(), before);

  QTest::mouseClick(Child<QPushButton>(*k, "Command5"), Qt::LeftButton);
  EXPECT_TRUE(Child<QGroupBox>(*k, "Frame3")->isHidden());
  EXPECT_TRUE(Enabled("Command6"));
}

TEST_F(KVPreviewTest, EnteringABoxSelectsItsTextAndTheGridBoxesAreTrimmedFirst) {
  KVPreview* k = Make(2);
  k->show();
  k->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(k));
  QTest::mouseClick(Child<QPushButton>(*k, "Command6"), Qt::LeftButton);
  auto* copies = Child<QLineEdit>(*k, "Text11");
  copies->setText(QStringLiteral("12"));
  copies->setFocus();
  QTest::qWait(20);
  EXPECT_EQ(copies->selectedText(), QStringLiteral("12"));
  auto* columns = Child<QLineEdit>(*k, "txtLatticeX");
  columns->setText(QStringLiteral(" 15 "));
  columns->setFocus();
  QTest::qWait(20);
  EXPECT_EQ(columns->text(), QStringLiteral("15"));
  EXPECT_EQ(columns->selectedText(), QStringLiteral("15"));
  // Typing replaces the count; leaving the box stores it.
  QTest::keyClicks(columns, QStringLiteral("6"));
  Child<QLineEdit>(*k, "txtDono")->setFocus();
  QTest::qWait(20);
  EXPECT_EQ(p->w.options.LatticeX, 6);
  EXPECT_EQ(ReadPrintOptions(p->w.dialogs, p->ini).LatticeX, 6);
  EXPECT_EQ(Child<QLineEdit>(*k, "txtDono")->selectedText(), p->w.options.DonoStr);
}

TEST_F(KVPreviewTest, ActivationRedrawsOnlyWhatChangedSoADrawingsMessageIsNotRepeated) {
  KVPreview* k = Make(2);
  p->w.options.Lattice = true;
  p->w.options.LatticeX = 0;
  p->w.dialogs.Expect(kLatticeMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  k->Activate();  // the options changed: drawn again, the message once
  k->Activate();  // the box closed and the window is active again: nothing new to draw
  EXPECT_TRUE(p->w.dialogs.AllShown());
}

TEST_F(KVPreviewTest, PrintAllPrintsEveryCertificateWithTheOptionChangedHere) {
  KVPreview* k = Make(3);
  QTest::mouseClick(Child<QPushButton>(*k, "Command6"), Qt::LeftButton);
  Child<QCheckBox>(*k, "chkRankH")->click();  // "第 1 位" instead of the bare number
  ASSERT_FALSE(p->w.options.RankH);
  auto* progress = Child<QProgressBar>(*k, "ProgressBar1");
  EXPECT_EQ(progress->text(), QString());  // no count before a run
  QTest::mouseClick(Child<QPushButton>(*k, "cmdPrintAll"), Qt::LeftButton);
  ASSERT_EQ(p->output.written.size(), 3u);
  EXPECT_EQ(progress->text(), QStringLiteral("3 / 3"));
  for (int i = 0; i < 3; ++i) {
    const QStringList texts = Texts(&p->output.written[static_cast<size_t>(i)]);
    EXPECT_TRUE(texts.contains(QStringLiteral("S%1").arg(i + 1)));
    EXPECT_TRUE(
        texts.contains(QStringLiteral("第 ") + QString(QChar(0xFF11 + i)) + QStringLiteral(" 位")))
        << texts.join(u'|').toStdString();
  }
  EXPECT_FALSE(Enabled("cmdStop"));
  EXPECT_TRUE(Enabled("cmdPrintAll"));
}

TEST_F(KVPreviewTest, StopAndCloseWhilePrintingAll) {
  KVPreview* k = Make(3);
  k->show();
  // 中止 pressed while the first certificate is drawn.
  QTimer::singleShot(0, k,
                     [k] { QTest::mouseClick(Child<QPushButton>(*k, "cmdStop"), Qt::LeftButton); });
  p->w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  k->PrintAll();
  EXPECT_LT(p->output.written.size(), 3u);
  EXPECT_TRUE(Enabled("cmdPrintAll"));

  // Esc while printing stops the run, then the window closes.
  QTimer::singleShot(0, k,
                     [k] { QTest::keyClick(Child<QLineEdit>(*k, "Text11"), Qt::Key_Escape); });
  p->w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  k->PrintAll();
  EXPECT_FALSE(k->isVisible());
  EXPECT_EQ(p->w.recipients[1], Recipient());
}

TEST_F(KVPreviewTest, ViewPaintsInkWhereTheDocumentPutsTheTitle) {
  KVPreview* k = Make(1);
  PageView* view = Child<PageView>(*k, "VSPRN");
  k->resize(900, 800);
  k->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(k));
  const PrintDocument* doc = k->Session().Held();
  ASSERT_NE(doc, nullptr);
  const TextRun* title = nullptr;
  for (const PageElement& e : doc->Page(1)->elements) {
    const auto* run = std::get_if<TextRun>(&e);
    if (run && run->text == QStringLiteral("賞状")) title = run;
  }
  ASSERT_NE(title, nullptr);

  const QImage image = view->viewport()->grab().toImage();
  const QRectF sheet = view->SheetRect();
  const double s = sheet.width() / doc->width;
  const QRect where = QRectF(sheet.x() + title->x * s, sheet.y() + title->y * s, title->width * s,
                             title->height * s)
                          .toAlignedRect();
  const QRect ink = InkBox(image, where.adjusted(-2, -2, 2, 2));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GT(ink.width(), where.width() / 2);
  // Above the title the sheet is blank.
  const QRect above(where.x(), static_cast<int>(sheet.y()) + 4, where.width(),
                    where.y() - static_cast<int>(sheet.y()) - 8);
  ASSERT_GT(above.height(), 10);
  EXPECT_TRUE(InkBox(image, above).isEmpty());
}

// The main window's area with a preview opened through the opener, as the print run does.
class PreviewInAreaTest : public ::testing::Test {
 protected:
  KVPreview* OpenIn() {
    return OpenPreview(area, p.Records(), p.w.dialogs,
                       [this](const QString& name, const std::function<QWidget*()>& create) {
                         QWidget* page = create();
                         page->setObjectName(name);
                         QMdiSubWindow* sub = area.addSubWindow(page);
                         sub->setAttribute(Qt::WA_DeleteOnClose);
                         page->show();
                         return sub;
                       });
  }
  int Previews() const {
    int n = 0;
    for (QMdiSubWindow* sub : area.subWindowList())
      n += qobject_cast<KVPreview*>(sub->widget()) != nullptr;
    return n;
  }

  PreviewWorld p{3};
  QMdiArea area;
};

TEST_F(PreviewInAreaTest, ASecondRunAsksBeforeItReplacesThePreviewOnShow) {
  KVPreview* first = OpenIn();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Previews(), 1);

  // A second run with other swimmers; the operator keeps the preview on show.
  p.w.Meet(QStringLiteral("UPDATE 選手マスター SET 氏名 = '別人' || 選手番号"));
  p.Run();
  p.w.dialogs.Expect(kReplacePreviewMessage, MsgButtons::YesNo, MsgIcon::Question, kPreviewTitle,
                     Answer::No);
  EXPECT_EQ(OpenIn(), nullptr);
  EXPECT_EQ(Previews(), 1);
  first->Activate();
  EXPECT_TRUE(Texts(first->Session().Held()).contains(QStringLiteral("S1")));

  // Again, with an adjustment not saved: Yes, then No to closing without saving keeps it.
  Child<QCheckBox>(*first, "Check1_0")->setChecked(true);
  Child<QPushButton>(*first, "SSCommand4")->click();
  p.w.dialogs.Expect(kReplacePreviewMessage, MsgButtons::YesNo, MsgIcon::Question, kPreviewTitle,
                     Answer::Yes);
  p.w.dialogs.Expect(kUnsavedAdjustmentsQuestion, MsgButtons::YesNo, MsgIcon::Question, kAppTitle,
                     Answer::No);
  EXPECT_EQ(OpenIn(), nullptr);
  ASSERT_EQ(Previews(), 1);
  EXPECT_EQ(area.subWindowList()[0]->widget(), first);

  // Again, and this time the old one goes and the new run is on show.
  p.Run();
  p.w.dialogs.Expect(kReplacePreviewMessage, MsgButtons::YesNo, MsgIcon::Question, kPreviewTitle,
                     Answer::Yes);
  p.w.dialogs.Expect(kUnsavedAdjustmentsQuestion, MsgButtons::YesNo, MsgIcon::Question, kAppTitle,
                     Answer::Yes);
  KVPreview* second = OpenIn();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Previews(), 1);
  EXPECT_TRUE(Texts(second->Session().Held()).contains(QStringLiteral("別人1")));
  EXPECT_EQ(second->Session().Count(), 3);
  EXPECT_TRUE(p.w.dialogs.AllShown());
}

TEST_F(PreviewInAreaTest, ClosingThePreviewBringsBackTheWindowItCameFrom) {
  area.resize(1000, 700);
  area.show();
  QMdiSubWindow* menu = area.addSubWindow(new QWidget);
  QMdiSubWindow* list = area.addSubWindow(new QWidget);
  menu->show();
  list->show();
  area.setActiveSubWindow(menu);
  area.setActiveSubWindow(list);
  KVPreview* preview = OpenIn();
  ASSERT_NE(preview, nullptr);
  area.setActiveSubWindow(menu);  // a message box or a click elsewhere on the way
  area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(preview->parentWidget()));
  QTest::keyClick(preview->View(), Qt::Key_Escape);
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Previews(), 0);
  EXPECT_EQ(area.activeSubWindow(), list);
}

TEST_F(PreviewInAreaTest, APreviewPrintingAllIsNotReplaced) {
  KVPreview* first = OpenIn();
  ASSERT_NE(first, nullptr);
  first->Session().SetOutput(p.Factory());
  KVPreview* second = reinterpret_cast<KVPreview*>(1);
  // The print list's run ends while the preview prints all of its certificates.
  QTimer::singleShot(0, &area, [&] {
    second = OpenIn();
    EXPECT_TRUE(StopPreviewRun(area));
  });
  p.w.dialogs.Expect(kPreviewBusyMessage, MsgButtons::Ok, MsgIcon::Exclamation, kPreviewTitle);
  p.w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  first->PrintAll();
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(Previews(), 1);
  EXPECT_FALSE(StopPreviewRun(area));
}

}  // namespace
}  // namespace kvsys::test
