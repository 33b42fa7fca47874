#include "common/window_ui.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTextCursor>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>
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

QRect FitRectInto(const QRect& rect, const QRect& area) {
  const int width = std::min(rect.width(), area.width());
  const int height = std::min(rect.height(), area.height());
  const int x = std::clamp(rect.x(), area.x(), area.x() + area.width() - width);
  const int y = std::clamp(rect.y(), area.y(), area.y() + area.height() - height);
  return QRect(x, y, width, height);
}

void KeepOnScreen(QWidget* window) {
  if (!window || !window->isWindow() || !IsNormalState(window)) return;
  QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center());
  if (!screen) screen = window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect frame = window->frameGeometry();
  const QRect fitted = FitRectInto(frame, screen->availableGeometry());
  if (fitted == frame) return;
  // The frame's edges stay as they are around the smaller client area.
  window->resize(window->size() - (frame.size() - fitted.size()));
  window->move(fitted.topLeft());
}

void SelectAllText(QWidget* control) {
  SelectAll(control, true);
}

void SelectAllTextKeep(QWidget* control) {
  SelectAll(control, false);
}

namespace {

// The objects a window's helpers hang on it; ReleaseControls removes them first.
const QString kWindowHook = QStringLiteral("kvsys-window-hook");

// Sees key presses application-wide and hands those aimed inside its window to the handler.
class KeyPreview : public QObject {
 public:
  KeyPreview(QWidget* window, KeyPreviewHandler handler)
      : QObject(window), window_(window), handler_(std::move(handler)) {
    setObjectName(kWindowHook);
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target != window_ && !window_->isAncestorOf(target)) return false;
    // An ignored key travels on to the parents and is seen again; a handler acts only when it
    // takes a key, so seeing one twice does no harm.
    auto* key = static_cast<QKeyEvent*>(event);
    return handler_(key);
  }

 private:
  QWidget* window_;
  KeyPreviewHandler handler_;
};

// Follows the window into the frame the main window puts it in, and out again.
class ActivationWatch : public QObject {
 public:
  ActivationWatch(QWidget* window, std::function<void()> activate)
      : QObject(window), window_(window), activate_(std::move(activate)) {
    setObjectName(kWindowHook);
    window->installEventFilter(this);
    FollowFrame();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    if (event->type() == QEvent::ParentChange) {
      FollowFrame();
    } else if (event->type() == QEvent::ActivationChange && window_->isWindow() &&
               window_->isActiveWindow()) {
      activate_();
    }
    return false;
  }

 private:
  void FollowFrame() {
    auto* frame = qobject_cast<QMdiSubWindow*>(window_->parentWidget());
    if (frame == frame_) return;
    if (frame_) disconnect(frame_, nullptr, this, nullptr);
    frame_ = frame;
    if (frame) connect(frame, &QMdiSubWindow::aboutToActivate, this, [this] { activate_(); });
  }

  QWidget* window_;
  std::function<void()> activate_;
  QPointer<QMdiSubWindow> frame_;
};

}  // namespace

void CallOnActivation(QWidget* window, std::function<void()> activate) {
  new ActivationWatch(window, std::move(activate));
}

void ReleaseControls(QWidget* window) {
  // The helpers call back into the window's members, which are going.
  qDeleteAll(window->findChildren<QObject*>(kWindowHook, Qt::FindDirectChildrenOnly));
  for (QObject* child : window->findChildren<QObject*>()) {
    child->disconnect(window);
    child->removeEventFilter(window);
    if (auto* line = qobject_cast<QLineEdit*>(child)) line->setValidator(nullptr);
  }
}

void CloseForm(QWidget* window) {
  if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    frame->close();
  } else {
    window->close();
  }
}

void InstallKeyPreview(QWidget* window, KeyPreviewHandler handler) {
  new KeyPreview(window, std::move(handler));
}

bool EnterMovesFocus(QWidget* window, QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
  QWidget* focused = QApplication::focusWidget();
  if (!focused || !window->isAncestorOf(focused) || qobject_cast<QAbstractButton*>(focused)) {
    return false;
  }
  QWidget* next = focused->nextInFocusChain();
  // The next control that takes Tab, as the Tab key would choose it.
  while (next != focused && !((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
                              next->isVisibleTo(window) && window->isAncestorOf(next))) {
    next = next->nextInFocusChain();
  }
  next->setFocus(Qt::TabFocusReason);
  return true;
}

void ShowRunProgress(QProgressBar* bar, RunFlag& run, int done, int total) {
  if (!run.ProgressDue(done, total)) return;
  if (bar->maximum() != total) bar->setRange(0, std::max(total, 1));
  bar->setValue(done);
}

bool RunKeyAction(const QKeyEvent* event, std::initializer_list<KeyAction> actions) {
  for (const KeyAction& a : actions) {
    if (a.key == event->key()) {
      a.act();
      return true;
    }
  }
  return false;
}

bool HeldForRun(QCloseEvent* event, RunFlag& run) {
  if (!run.HoldClose()) return false;
  event->ignore();
  return true;
}

}  // namespace kvsys
