#pragma once

#include <QPointer>

#include "results/classes.h"

class QComboBox;

namespace kvsys {

// ItemList over a combo box: the item value is the entry's data.
class ComboItemList : public ItemList {
 public:
  explicit ComboItemList(QComboBox* combo) : combo_(combo) {}

  void Clear() override;
  void AddItem(const QString& text, int value) override;
  void SetEnabled(bool enabled) override;
  void SetGrey(bool grey) override;

 private:
  QPointer<QComboBox> combo_;
};

}  // namespace kvsys
