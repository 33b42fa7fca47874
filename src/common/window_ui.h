#pragma once

#include <QCloseEvent>
#include <QKeyEvent>
#include <QWidget>
#include <functional>
#include <initializer_list>

#include "common/run_flag.h"

class QProgressBar;

namespace kvsys {

// Centres a window in its normal state on its screen (the primary screen when it has none);
// a minimised, maximised or full-screen window is left alone. A window inside a workspace
// (an MDI sub-window or another child) is centred in its parent instead. Null is ignored.
void CenterForm(QWidget* window);

// Puts a window in its normal state at the top of its screen (or parent), centred across the
// width.
void TopCenterForm(QWidget* window);

// The rect moved, and shrunk where it is larger, so that it lies inside area.
QRect FitRectInto(const QRect& rect, const QRect& area);

// Keeps a shown top-level window, frame and all, inside the available area of its screen (the
// primary screen when it has none): a place remembered on another screen or by a window
// manager that moved it would put its edges, and the status bar, out of reach.
void KeepOnScreen(QWidget* window);

// For a text field (line edit, editable combo box, plain or rich text edit): trims the text of
// blanks, then selects all of it with the caret at the start. Other widgets are left alone.
void SelectAllText(QWidget* control);

// As SelectAllText, without trimming.
void SelectAllTextKeep(QWidget* control);

// For a window's destructor: its controls outlive its members (the base class deletes them),
// and a box that has the focus still validates and signals while it goes. Cuts every tie from
// the controls back to the window (connections, event filters, validators) so that nothing of
// the window answers any more.
void ReleaseControls(QWidget* window);

// Closes a window, or the frame around it when it is a sub-window of the main window (closing
// only the window would leave an empty frame behind).
void CloseForm(QWidget* window);

// Gives a control the object name it is known by (tests and the window's own code find it so).
template <class W>
W* Named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}
template <class W>
W* Named(W* widget, const char* name) {
  return Named(widget, QString::fromLatin1(name));
}

// Key preview: every key press aimed at the window or any control inside it (also controls
// added later) goes to the handler first; a key the handler takes (returns true for) never
// reaches the control. Keys of message boxes and other windows are not seen. The preview ends
// with the window. The handler must change nothing for a key it does not take (it may see
// that key again on its way to the parent controls).
using KeyPreviewHandler = std::function<bool(QKeyEvent* event)>;
void InstallKeyPreview(QWidget* window, KeyPreviewHandler handler);
// The way windows take their keys: a member HandleKey(QKeyEvent*) of the window.
template <class W>
void InstallKeyPreview(W* window, bool (W::*handle_key)(QKeyEvent*)) {
  InstallKeyPreview(static_cast<QWidget*>(window), [window, handle_key](QKeyEvent* event) {
    return (window->*handle_key)(event);
  });
}

// A window's function keys: the action of the key pressed is run. True when the key had one.
struct KeyAction {
  int key;
  std::function<void()> act;
};
bool RunKeyAction(const QKeyEvent* event, std::initializer_list<KeyAction> actions);

// A window's close while a run is inside its loop: the run is cancelled and the window closes
// after it, so this close is ignored. True when it was; the window then does nothing more.
bool HeldForRun(QCloseEvent* event, RunFlag& run);

// Calls activate whenever the window becomes the one the operator works in: inside the main
// window when its frame is about to become the active sub-window, standing alone when it
// becomes the active window. Ends with the window (or with ReleaseControls).
void CallOnActivation(QWidget* window, std::function<void()> activate);

// For entry windows: Enter or Return pressed in a control moves the focus on as Tab does.
// Returns true when it took the key. Buttons keep Enter (they are pressed with it).
bool EnterMovesFocus(QWidget* window, QKeyEvent* event);

// A run's progress on its bar, when the run finds it due.
void ShowRunProgress(QProgressBar* bar, RunFlag& run, int done, int total);

}  // namespace kvsys
