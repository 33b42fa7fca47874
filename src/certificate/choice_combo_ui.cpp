#include "certificate/choice_combo_ui.h"

#include <QColor>
#include <QComboBox>
#include <QPalette>

namespace kvsys {

void FillChoices(QComboBox* combo, const std::vector<ListChoice>& choices) {
  combo->clear();
  for (const ListChoice& c : choices) combo->addItem(c.text, c.value);
}

void ShowClassChoices(QComboBox* combo, const ClassChoices& classes, bool enabled) {
  FillChoices(combo, classes.choices);
  if (!classes.choices.empty()) combo->setCurrentIndex(0);
  combo->setEnabled(classes.applies && enabled);
  if (classes.applies) {
    combo->setPalette(QPalette());  // a list greyed for an earlier meet
    return;
  }
  QPalette palette = combo->palette();
  const QColor kGrey(192, 192, 192);
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, kGrey);
    palette.setColor(group, QPalette::Button, kGrey);
    palette.setColor(group, QPalette::Window, kGrey);
  }
  combo->setPalette(palette);
}

}  // namespace kvsys
