#pragma once

#include <QLabel>
#include <QString>

#include "print/warning_label.h"

namespace kvsys {

// A window's warning line as the drawing sees it.
class LabelWarning : public WarningLabel {
 public:
  explicit LabelWarning(QLabel* label) : label_(label) {}
  void SetWarningVisible(bool visible) override { label_->setVisible(visible); }
  void SetWarningCaption(const QString& caption) override { label_->setText(caption); }

 private:
  QLabel* label_;
};

// A long path in a narrow label wraps between its folders' names, not inside one.
inline QString BreakablePaths(QString text) {
  return text.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
}

// The destination line under a window's print buttons: red when the printer cannot take a run.
inline void ShowDestinationLine(QLabel* label, const QString& text, bool problem) {
  label->setText(text);
  label->setStyleSheet(problem ? QStringLiteral("color: red;") : QString());
}

}  // namespace kvsys
