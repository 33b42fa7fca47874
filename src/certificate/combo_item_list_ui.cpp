#include "certificate/combo_item_list_ui.h"

#include <QColor>
#include <QComboBox>
#include <QPalette>

namespace kvsys {

void ComboItemList::Clear() {
  if (combo_) combo_->clear();
}

void ComboItemList::AddItem(const QString& text, int value) {
  if (combo_) combo_->addItem(text, value);
}

void ComboItemList::SetEnabled(bool enabled) {
  if (combo_) combo_->setEnabled(enabled);
}

void ComboItemList::SetGrey(bool grey) {
  if (!combo_) return;
  if (!grey) {
    combo_->setPalette(QPalette());
    return;
  }
  QPalette palette = combo_->palette();
  const QColor kGrey(192, 192, 192);
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, kGrey);
    palette.setColor(group, QPalette::Button, kGrey);
    palette.setColor(group, QPalette::Window, kGrey);
  }
  combo_->setPalette(palette);
}

}  // namespace kvsys
