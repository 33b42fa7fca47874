#include "common/window_util.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextCursor>
#include <QTextEdit>
#include <QWidget>
#include <optional>

#include "common/text_util.h"

namespace kvsys {

namespace {

// The widget that is actually moved: the MDI frame around a form shown in a workspace.
QWidget* MovedWidget(QWidget* window) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) return sub;
  return window;
}

// The area to place the widget in, in the coordinates that move() takes.
std::optional<QRect> PlacementArea(QWidget* moved) {
  if (!moved->isWindow()) {
    if (QWidget* parent = moved->parentWidget()) return parent->rect();
    return std::nullopt;
  }
  QScreen* screen = moved->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  return screen->availableGeometry();
}

bool IsNormalState(const QWidget* w) {
  return !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void SelectAll(QWidget* control, bool trim) {
  if (!control) return;
  QLineEdit* edit = qobject_cast<QLineEdit*>(control);
  if (!edit) {
    if (auto* combo = qobject_cast<QComboBox*>(control)) edit = combo->lineEdit();
  }
  if (edit) {
    if (trim) {
      const QString trimmed = TrimBlanks(edit->text());
      if (trimmed != edit->text()) edit->setText(trimmed);
    }
    // Selected from the end back to the start, so the caret stands at the start.
    const int length = static_cast<int>(edit->text().size());
    edit->setSelection(length, -length);
    return;
  }
  auto select_document = [trim](auto* text_edit) {
    if (trim) {
      const QString text = text_edit->toPlainText();
      const QString trimmed = TrimBlanks(text);
      if (trimmed != text) text_edit->setPlainText(trimmed);
    }
    QTextCursor cursor = text_edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
    text_edit->setTextCursor(cursor);
  };
  if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
    select_document(plain);
  } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
    select_document(rich);
  }
}

}  // namespace

void CenterForm(QWidget* window) {
  if (!window) return;
  QWidget* moved = MovedWidget(window);
  if (!IsNormalState(window) || !IsNormalState(moved)) return;
  const auto area = PlacementArea(moved);
  if (!area) return;
  const QSize size = moved->frameGeometry().size();
  moved->move(area->x() + (area->width() - size.width()) / 2,
              area->y() + (area->height() - size.height()) / 2);
}

void TopCenterForm(QWidget* window) {
  if (!window) return;
  QWidget* moved = MovedWidget(window);
  if (!IsNormalState(window) || !IsNormalState(moved)) return;
  const auto area = PlacementArea(moved);
  if (!area) return;
  const QSize size = moved->frameGeometry().size();
  moved->move(area->x() + (area->width() - size.width()) / 2, area->y());
}

void SelectAllText(QWidget* control) {
  SelectAll(control, true);
}

void SelectAllTextKeep(QWidget* control) {
  SelectAll(control, false);
}

}  // namespace kvsys
