// The picture of the blank stock under the preview: which file the settings choose, reading it
// once and saying once that it cannot be read, and the view drawing it faintly while nothing
// printed carries it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTest>
#include <utility>

#include "common/profile_file.h"
#include "common/text_util.h"
#include "preview/kvpreview.h"
#include "preview/page_view_ui.h"
#include "preview/underlay.h"
#include "preview_world.h"
#include "support/find_child.h"
#include "support/temp_folder.h"

namespace kvsys::test {
namespace {

QString SavePicture(const QString& path, QColor colour, QSize size = QSize(40, 60)) {
  QDir().mkpath(QFileInfo(path).path());
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  EXPECT_TRUE(image.save(path)) << path.toStdString();
  return path;
}

void ExpectSaid(ScriptedDialogs& dialogs, const QString& path, const QString& reason) {
  dialogs.Expect(
      kUnderlayUnreadableMessage + QStringLiteral("\r") + path + QStringLiteral("\r") + reason,
      MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
}

TEST(UnderlayTest, SettingsChooseThePictureAndOneThatCannotBeReadIsSaidOnce) {
  TempFolder folder;
  const QString base = folder.path();
  EXPECT_EQ(ChooseUnderlay(QStringLiteral("own.png"), QStringLiteral("frame.png"), base),
            folder.File(QStringLiteral("own.png")));
  EXPECT_EQ(ChooseUnderlay(QStringLiteral(" "), QStringLiteral("stock/../frame.jpg"), base),
            folder.File(QStringLiteral("frame.jpg")));
  EXPECT_EQ(ChooseUnderlay(folder.File(QStringLiteral("a/b.pdf")), QString(), QStringLiteral("x")),
            folder.File(QStringLiteral("a/b.pdf")));
  EXPECT_EQ(ChooseUnderlay(QStringLiteral("-"), QStringLiteral("frame.png"), base), QString());
  EXPECT_EQ(ChooseUnderlay(QString(), QString(), base), QString());

  const QString ini = folder.Write(QStringLiteral("KVSYS.ini"),
                                   "[Underlay]\nFile=frame.png\nLayout3=stock/three.png\n");
  ScriptedDialogs dialogs;
  EXPECT_EQ(UnderlayFor(dialogs, ini, base, 3), folder.File(QStringLiteral("stock/three.png")));
  EXPECT_EQ(UnderlayFor(dialogs, ini, base, 4), folder.File(QStringLiteral("frame.png")));
  EXPECT_TRUE(StoreUnderlay(dialogs, ini, 4, kUnderlayNone));
  EXPECT_EQ(UnderlayFor(dialogs, ini, base, 4), QString());
  // A path the settings file would cut is refused, and the picture set before stays.
  const QString long_path = QStringLiteral("/") + QString(300, u'a') + QStringLiteral(".png");
  dialogs.Expect(kUnderlayPathTooLongMessage + QStringLiteral("\r") + long_path, MsgButtons::Ok,
                 MsgIcon::Exclamation, kAppTitle);
  EXPECT_FALSE(StoreUnderlay(dialogs, ini, 3, long_path));
  EXPECT_EQ(UnderlayFor(dialogs, ini, base, 3), folder.File(QStringLiteral("stock/three.png")));
  EXPECT_TRUE(UnderlayShown(dialogs, ini));
  EXPECT_TRUE(StoreUnderlayShown(dialogs, ini, false));
  EXPECT_FALSE(UnderlayShown(dialogs, ini));

  UnderlayPictures pictures;
  const QString frame = SavePicture(folder.File(QStringLiteral("frame.png")), Qt::red);
  EXPECT_EQ(pictures.Picture(frame, dialogs).pixelColor(5, 5), QColor(Qt::red));
  // Changed on disk, it is read again.
  SavePicture(frame, Qt::green, QSize(50, 70));
  EXPECT_EQ(pictures.Picture(frame, dialogs).size(), QSize(50, 70));
  // A PDF file's first page.
  const QString pdf = folder.File(QStringLiteral("frame.pdf"));
  {
    QPdfWriter writer(pdf);
    QPainter painter(&writer);
    painter.fillRect(QRect(QPoint(0, 0), painter.viewport().size()), Qt::blue);
  }
  const QImage page = pictures.Picture(pdf, dialogs);
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(page.pixelColor(page.width() / 2, page.height() / 2), QColor(Qt::blue));

  // Each file that cannot be read is said once, however often it is asked for.
  const QString missing = folder.File(QStringLiteral("gone.png"));
  const QString text = folder.Write(QStringLiteral("notes.png"), "not a picture");
  const QString broken = folder.Write(QStringLiteral("broken.pdf"), "%PDF-1.4\nnothing\n");
  ExpectSaid(dialogs, missing, QStringLiteral("ファイルがありません。"));
  ExpectSaid(dialogs, text, QStringLiteral("PNG・JPEGの画像として読めません。"));
  ExpectSaid(dialogs, broken, QStringLiteral("PDFファイルの1ページ目を描けません。"));
  for (int round = 0; round < 2; ++round) {
    for (const QString& path : {missing, text, broken}) {
      EXPECT_TRUE(pictures.Picture(path, dialogs).isNull()) << path.toStdString();
    }
  }
  EXPECT_TRUE(dialogs.AllShown());
}

// The colours of the view a little inside the sheet's top-left and bottom-right corners, where
// the certificate has no ink: a picture stretched onto the sheet covers both.
std::pair<QColor, QColor> SheetCorners(PageView* view) {
  const QImage image = view->viewport()->grab().toImage();
  const QRectF sheet = view->SheetRect();
  const auto at = [&](double fx, double fy) {
    return image.pixelColor(
        QPointF(sheet.x() + sheet.width() * fx, sheet.y() + sheet.height() * fy).toPoint());
  };
  return {at(0.03, 0.03), at(0.97, 0.97)};
}

// A picture's colour at the underlay's opacity over white paper, within a step of rounding.
void ExpectFaint(std::pair<QColor, QColor> corners, QColor picture) {
  for (const QColor& seen : {corners.first, corners.second}) {
    for (auto [s, p] : {std::pair{seen.red(), picture.red()},
                        {seen.green(), picture.green()},
                        {seen.blue(), picture.blue()}}) {
      EXPECT_NEAR(s, 255 - (255 - p) * kUnderlayOpacity, 3) << seen.name().toStdString();
    }
  }
}

void ExpectWhite(std::pair<QColor, QColor> corners) {
  EXPECT_EQ(corners.first, QColor(Qt::white));
  EXPECT_EQ(corners.second, QColor(Qt::white));
}

TEST(UnderlayTest, TheViewDrawsThePictureFaintlyAndPrintingLeavesItOut) {
  PreviewWorld p(1);
  const QString red =
      SavePicture(p.w.folder() + QStringLiteral("/stock/red.png"), QColor(255, 0, 0));
  ASSERT_TRUE(WriteProfileValue(p.ini, kUnderlaySection, kUnderlayFileKey,
                                QStringLiteral("stock/red.png")));
  KVPreview k(p.Records(), p.w.dialogs);  // printing goes to the workstation's PDF files
  ASSERT_TRUE(k.Open());
  k.resize(900, 800);
  k.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&k));
  PageView* view = k.View();
  ASSERT_FALSE(view->Underlay().isNull());
  ExpectFaint(SheetCorners(view), QColor(255, 0, 0));
  auto* shown = Child<QCheckBox>(k, "chkUnderlay");
  ASSERT_TRUE(shown->isChecked());
  shown->click();
  ExpectWhite(SheetCorners(view));
  EXPECT_EQ(ReadProfileValue(p.ini, kUnderlaySection, kUnderlayShowKey), kFalseText);
  shown->click();

  // Printed with the picture on show: the PDF file holds no image at all.
  QTest::mouseClick(Child<QPushButton>(k, "SSCommand1"), Qt::LeftButton);
  const QStringList pdfs =
      QDir(p.w.folder() + QStringLiteral("/pdf")).entryList({QStringLiteral("*.pdf")});
  ASSERT_EQ(pdfs.size(), 1);
  Poppler poppler;
  const QString file = p.w.folder() + QStringLiteral("/pdf/") + pdfs[0];
  EXPECT_EQ(poppler.Pages(file), 1);
  const QByteArray images =
      poppler.Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file});
  EXPECT_EQ(images.trimmed().split('\n').size(), 2) << images.toStdString();  // the heading only

  // Reached with Tab after the layout list's buttons.
  k.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&k));
  QWidget* focus = Child<QPushButton>(k, "SSCommand7");
  focus->setFocus();
  for (const char* name : {"chkUnderlay", "cmdUnderlay", "cmdNoUnderlay"}) {
    QTest::keyClick(focus, Qt::Key_Tab);
    focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->objectName().toStdString(), name);
  }

  // The layout's own picture, chosen here, over the workstation's; then none for it.
  const int number = k.Session().Layout().CurrentLayoutNumber;
  const QString blue = SavePicture(p.w.folder() + QStringLiteral("/blue.jpg"), QColor(0, 0, 255));
  p.w.dialogs.ExpectFile(blue);
  QTest::mouseClick(Child<QPushButton>(k, "cmdUnderlay"), Qt::LeftButton);
  EXPECT_EQ(ReadProfileValue(p.ini, kUnderlaySection, UnderlayLayoutKey(number)), blue);
  ExpectFaint(SheetCorners(view), QColor(0, 0, 255));
  // A file that is no picture is said and not kept.
  const QString text = p.w.folder() + QStringLiteral("/notes.png");
  QFile empty(text);
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  // Chosen again, it is said again: the operator is waiting for an answer.
  for (int round = 0; round < 2; ++round) {
    p.w.dialogs.ExpectFile(text);
    ExpectSaid(p.w.dialogs, text, QStringLiteral("PNG・JPEGの画像として読めません。"));
    QTest::mouseClick(Child<QPushButton>(k, "cmdUnderlay"), Qt::LeftButton);
  }
  EXPECT_EQ(ReadProfileValue(p.ini, kUnderlaySection, UnderlayLayoutKey(number)), blue);
  QTest::mouseClick(Child<QPushButton>(k, "cmdNoUnderlay"), Qt::LeftButton);
  EXPECT_TRUE(view->Underlay().isNull());
  ExpectWhite(SheetCorners(view));
  EXPECT_TRUE(p.w.dialogs.AllShown());
}

}  // namespace
}  // namespace kvsys::test
