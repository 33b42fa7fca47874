#pragma once

#include <QString>
#include <array>

#include "common/print_options.h"

namespace kvsys {

class Dialogs;

// The flags of the options panel, in the panel's order from the top.
enum class PrintFlag { Dono, Kako, Length, RankH, Open, OpenRank, Relay, Shrink, Lattice };
inline constexpr size_t kOptionBoxCount = 9;

// One check box of the panel: its control name, the key it is stored under, its caption and
// the note under it (empty when it has none).
struct OptionBox {
  PrintFlag flag;
  const char* control;
  QString key;
  QString caption;
  QString note;
};

const std::array<OptionBox, kOptionBoxCount>& OptionBoxes();
const OptionBox& OptionBoxFor(PrintFlag flag);

bool& FlagOf(PrintOptions& options, PrintFlag flag);
bool FlagOf(const PrintOptions& options, PrintFlag flag);

inline const QString kLatticeNote = QStringLiteral(
    "※格子を付けた時にデータが印字されないときは横段を小さくしてください。　"
    "※格子が表示されないときは表示項目をページ内に収めてください。");

enum class LatticeAxis { X, Y };

// The panel's changes to the print options record: each is written to KVSYS.ini (section Prn)
// at once, atomically through the profile writer. Nothing happens while the activation guard
// is set (the window is copying the record into its controls). Each call returns whether the
// certificate on show must be drawn again.
class PrintOptionsLogic {
 public:
  PrintOptionsLogic(PrintOptions& options, Dialogs& dialogs, QString ini_path);

  void SetGuard(bool guard) { guard_ = guard; }
  bool Guarded() const { return guard_; }

  // A check box other than chkLattice clicked.
  bool FlagClicked(PrintFlag flag, bool checked);
  // chkLattice clicked: the flag, then both counts as the boxes hold them (rows first).
  bool LatticeClicked(bool checked, const QString& x_text, const QString& y_text);
  // Leaving txtLatticeX / txtLatticeY: the count as the text-to-integer routine reads it (the
  // whole number before a point, 0 for anything else).
  bool LatticeCountLeft(LatticeAxis axis, const QString& text);
  // Leaving txtDono: the honorific, trimmed; blank is stored blank (start-up reads "殿" again).
  bool DonoLeft(const QString& text);

  // The box texts of the counts, as they are stored.
  static QString CountText(int32_t count) { return QString::number(count); }

 private:
  void Write(const QString& key, const QString& value);

  PrintOptions& o_;
  Dialogs& dialogs_;
  QString ini_path_;
  bool guard_ = false;
};

}  // namespace kvsys
