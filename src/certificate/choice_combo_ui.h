#pragma once

#include <vector>

#include "results/classes.h"

class QComboBox;

namespace kvsys {

// Replaces the combo box's entries by the choices (the item data is the value).
void FillChoices(QComboBox* combo, const std::vector<ListChoice>& choices);

// The class choice of a meet: filled; for a meet without classes emptied, disabled and greyed
// (red 192, green 192, blue 192), so that it reads as not applying. enabled: whether the
// window offers the choice now (class-wise ticked).
void ShowClassChoices(QComboBox* combo, const ClassChoices& classes, bool enabled);

}  // namespace kvsys
