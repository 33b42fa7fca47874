#include "common/window_ui.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScreen>

namespace kvsys {
namespace {

QRect ScreenArea() {
  return QGuiApplication::primaryScreen()->availableGeometry();
}

TEST(CenterFormTest, CentresANormalWindowOnTheScreen) {
  ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
  QWidget w;
  w.resize(200, 100);
  w.move(3, 4);
  CenterForm(&w);
  const QRect area = ScreenArea();
  EXPECT_EQ(w.pos(),
            QPoint(area.x() + (area.width() - 200) / 2, area.y() + (area.height() - 100) / 2));
}

TEST(CenterFormTest, LeavesMinimisedAndMaximisedWindowsAlone) {
  for (Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
    QWidget w;
    w.resize(200, 100);
    w.move(3, 4);
    w.setWindowState(state);
    const QPoint before = w.pos();
    CenterForm(&w);
    TopCenterForm(&w);
    EXPECT_EQ(w.pos(), before) << state;
  }
}

TEST(CenterFormTest, WindowLargerThanTheScreenAndNullDoNotCrash) {
  CenterForm(nullptr);
  TopCenterForm(nullptr);
  SelectAllText(nullptr);
  SelectAllTextKeep(nullptr);
  const QRect area = ScreenArea();
  QWidget w;
  w.resize(area.width() + 100, 50);
  CenterForm(&w);
  EXPECT_EQ(w.x(), area.x() - 50);
}

TEST(TopCenterFormTest, PutsWindowAtTheTopCentredAcross) {
  QWidget w;
  w.resize(300, 80);
  w.move(7, 9);
  TopCenterForm(&w);
  const QRect area = ScreenArea();
  EXPECT_EQ(w.pos(), QPoint(area.x() + (area.width() - 300) / 2, area.y()));
}

TEST(CenterFormTest, FormInAWorkspaceIsCentredInTheWorkspace) {
  QMdiArea mdi;
  mdi.resize(800, 600);
  mdi.show();
  auto* form = new QWidget;
  QMdiSubWindow* sub = mdi.addSubWindow(form);
  sub->resize(300, 200);
  sub->show();
  CenterForm(form);
  const QRect inside = sub->parentWidget()->rect();
  EXPECT_EQ(sub->pos(), QPoint((inside.width() - 300) / 2, (inside.height() - 200) / 2));
  TopCenterForm(form);
  EXPECT_EQ(sub->pos(), QPoint((inside.width() - 300) / 2, 0));
}

TEST(SelectAllTextTest, TrimsThenSelectsAllWithCaretAtStart) {
  QLineEdit edit(QStringLiteral("  殿 様　"));
  edit.setCursorPosition(3);
  SelectAllText(&edit);
  EXPECT_EQ(edit.text(), QStringLiteral("殿 様"));
  EXPECT_EQ(edit.selectedText(), QStringLiteral("殿 様"));
  EXPECT_EQ(edit.selectionStart(), 0);
  EXPECT_EQ(edit.cursorPosition(), 0);
}

TEST(SelectAllTextTest, KeepVariantDoesNotTrim) {
  QLineEdit edit(QStringLiteral(" 20 "));
  SelectAllTextKeep(&edit);
  EXPECT_EQ(edit.text(), QStringLiteral(" 20 "));
  EXPECT_EQ(edit.selectedText(), QStringLiteral(" 20 "));
  EXPECT_EQ(edit.cursorPosition(), 0);
}

TEST(SelectAllTextTest, EditableComboAndPlainTextEdit) {
  QComboBox combo;
  combo.setEditable(true);
  combo.setEditText(QStringLiteral(" 12 "));
  SelectAllText(&combo);
  EXPECT_EQ(combo.currentText(), QStringLiteral("12"));
  EXPECT_EQ(combo.lineEdit()->selectedText(), QStringLiteral("12"));

  QPlainTextEdit plain(QStringLiteral(" 本文 "));
  SelectAllText(&plain);
  EXPECT_EQ(plain.toPlainText(), QStringLiteral("本文"));
  EXPECT_EQ(plain.textCursor().selectedText(), QStringLiteral("本文"));
  EXPECT_EQ(plain.textCursor().position(), 0);

  QLabel label(QStringLiteral(" x "));
  SelectAllText(&label);
  EXPECT_EQ(label.text(), QStringLiteral(" x "));
}

}  // namespace
}  // namespace kvsys
