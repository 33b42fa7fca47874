#pragma once

class QWidget;

namespace kvsys {

// Centres a window in its normal state on its screen (the primary screen when it has none);
// a minimised, maximised or full-screen window is left alone. A window inside a workspace
// (an MDI sub-window or another child) is centred in its parent instead. Null is ignored.
void CenterForm(QWidget* window);

// Puts a window in its normal state at the top of its screen (or parent), centred across the
// width.
void TopCenterForm(QWidget* window);

// For a text field (line edit, editable combo box, plain or rich text edit): trims the text of
// blanks, then selects all of it with the caret at the start. Other widgets are left alone.
void SelectAllText(QWidget* control);

// As SelectAllText, without trimming.
void SelectAllTextKeep(QWidget* control);

}  // namespace kvsys
