#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "certificate/draw_certificate.h"
#include "certificate/layout_check.h"
#include "common/dialogs.h"
#include "layout/certificate_layout.h"
#include "layout/layout_fields.h"
#include "layout/layout_store.h"

namespace kvsys {

class Database;

// One box per item of the panel's selection column (0 to 18) and per font row (0 to 17).
using ItemSelection = std::array<bool, kLayoutItemCount>;
using FontColumn = std::array<QString, kFontItemCount>;

enum class MoveDirection { kLeft, kRight, kUp, kDown };
enum class StyleColumn { kBold, kItalic };

inline constexpr int kStepMm = 1;
inline constexpr int kLargeStepMm = 5;  // Shift with the arrow keys on the view

// Moves every selected item step millimetres. A larger X stands further left, a larger Y
// higher. Offsets stop at the 16-bit range instead of wrapping to the other side of the
// sheet. False when nothing is selected (nothing changed).
bool MoveSelected(CertificateLayout& layout, const ItemSelection& selected, MoveDirection direction,
                  int step_mm = kStepMm);

// What the panel shows in font row n (0 to 17): name, size in decimal, "True"/"False" for bold
// and italic, and whether the show box is ticked.
struct FontRowTexts {
  QString name;
  QString size;
  QString bold;
  QString italic;
  bool shown = true;
};
FontRowTexts FontRowOf(const LayoutItem& item);
// The entries of every size box: "1" to "100".
QStringList SizeChoices();
// The caption of a show box: "ON" when ticked, "OFF" when not.
QString ShowCaption(bool ticked);

// What the change of the decided layout came to.
enum class ChangeResult {
  kRefused,  // no entry selected: the window stays
  kChanged,  // 決定 written: the preview closes and the print list must be run again
  kKept,     // the operator said No, or the write failed: the window stays, redraw
};

// The item whose text is at point (twips) of the given page; the one drawn last when texts
// meet there; -1 when none.
int ItemAt(const std::vector<ItemPlacement>& placements, QPoint point_twips, int page = 1);

// The adjustments of the preview on the shared layout: every change acts on the layout at once
// and reaches the database only through the show-flag store, the layout save and the change of
// the decided layout. Messages go through dialogs.
class LayoutAdjuster {
 public:
  LayoutAdjuster(CertificateLayout& layout, Database& layout_db, LayoutStore& store,
                 Dialogs& dialogs, DbErrorState& errors)
      : layout_(layout), db_(layout_db), store_(store), dialogs_(dialogs), errors_(errors) {}

  const CertificateLayout& Layout() const { return layout_; }

  // The ticked selection boxes.
  ItemSelection selection{};
  void SelectAll(bool on) { selection.fill(on); }
  // A click on the certificate: item (-1 for none) becomes the only ticked one; with Shift
  // (add) it is ticked besides the others and a click on nothing keeps them.
  void SelectClicked(int item, bool add);

  // Remembers the layout in memory as read from the store (the window's first load), so a
  // later save can tell whether another workstation changed the rows meanwhile.
  void RememberAsRead();

  // The arrows: false when nothing is selected.
  bool Move(MoveDirection direction, int step_mm = kStepMm);
  // The font name column. A missing name refuses the change with its message.
  bool SetFontNames(const FontColumn& names);
  // The size column. An empty box, or one that is no size from 1 to 100, refuses the change.
  bool SetSizes(const FontColumn& sizes);
  // The bold or italic column: each box "True" or "False".
  bool SetStyles(StyleColumn column, const FontColumn& texts);
  // Combo3 + 決定: the font for the selected items 0 to 17. False when nothing changed.
  bool GiveFontToSelected(const QString& font);
  // cmdSorN: takes the show boxes (ticked = shown) and stores them for the current layout.
  bool StoreShowFlags(const std::array<bool, kFontItemCount>& shown);
  // レイアウト保存: writes the layout in memory over the layout in force after the questions.
  bool Save();
  // 元に戻す: the layout in force read again; every unsaved change is dropped.
  bool Reload();
  // A click in the list: the layout of that number is read and shown; 決定 stays.
  bool LoadListed(int number);
  // 変更: entry is the selected list entry, nullopt when none is selected.
  ChangeResult ChangeDecided(const std::optional<ListEntry>& entry);

  // Whether the layout on show holds changes that were never saved: it is none of the layouts
  // as they were last read or saved here.
  bool Unsaved() const;

  // Ctrl+Z: back to the layout before the last unsaved change. False when there is none.
  bool StepBack();
  bool CanStepBack() const { return !history_.empty(); }

 private:
  using Items = std::array<LayoutItem, kLayoutItemCount>;
  void Remember() { history_.push_back(layout_.Items); }
  // Reads layout number (nullopt: the decided one) into the layout in memory; on failure
  // reports it and keeps the layout.
  bool Load(std::optional<int> number);
  // Whether the stored rows of number still hold what was last read or written here.
  bool ChangedElsewhere(int number);

  CertificateLayout& layout_;
  Database& db_;
  LayoutStore& store_;
  Dialogs& dialogs_;
  DbErrorState& errors_;
  std::vector<Items> history_;
  std::map<int, Items> as_read_;  // by layout number
};

}  // namespace kvsys
