#pragma once

#include <QGroupBox>
#include <array>

#include "layout/certificate_layout.h"
#include "preview/layout_adjustment.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace kvsys {

// Frame1 of the preview: the selection boxes, the font rows, the arrows, one font for the
// selected items, the show flags and the layout save. It reads and writes its controls and
// leaves every change to the adjuster; changed() says the certificate must be drawn again.
class AdjustPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit AdjustPanel(QWidget* parent = nullptr);

  // The font lists and the size, bold and italic choices; once, when the preview opens.
  void Fill(const QStringList& fonts);
  // The adjustments the panel works on; nullptr leaves every button without effect.
  void SetAdjuster(LayoutAdjuster* adjuster) { adjuster_ = adjuster; }
  // The layout into the font rows and show boxes (after loading, undo and a list click).
  void ShowLayout(const CertificateLayout& layout);
  // The selection boxes from the adjuster's selection (after a click on the certificate).
  void ShowSelection();

  void MoveSelected(MoveDirection direction, int step_mm = kStepMm);
  void Save();  // レイアウト保存(F1)

 signals:
  void changed();           // the layout in memory changed: draw again
  void selectionChanged();  // the ticked items changed: outline them again

 private slots:
  void ItemTicked(int item, bool on);
  void FontsChosen();
  void SizesChosen();
  void TickAll(bool on);   // 全選択 / 全解除
  void ShowAll(bool on);   // the show boxes all ticked / cleared
  void FontGiven();        // 決定: Combo3's font to the ticked items
  void ShowFlagsStored();  // 表示設定

 private:
  void BuildControls();
  void LayOutControls();
  void ConnectControls();
  FontColumn Column(const std::array<QComboBox*, kFontItemCount>& boxes) const;
  void StyleChosen(StyleColumn column);
  void ShowCaptions();
  void ShowSelectedFont();  // Combo3
  void Changed(bool done);

  std::array<QCheckBox*, kLayoutItemCount> Check1{};
  std::array<QComboBox*, kFontItemCount> Combo1{};
  std::array<QComboBox*, kFontItemCount> Combo2{};
  std::array<QComboBox*, kFontItemCount> Combo4{};
  std::array<QComboBox*, kFontItemCount> Combo5{};
  std::array<QCheckBox*, kFontItemCount> Schk{};
  QPushButton* SSCommand8;
  QPushButton* SSCommand9;
  QPushButton* SSCommand3;
  QPushButton* SSCommand4;
  QPushButton* SSCommand5;
  QPushButton* SSCommand6;
  QComboBox* Combo3;
  QPushButton* CmdKettei;
  QPushButton* SSCommand12;
  QPushButton* SSCommand11;
  QPushButton* cmdSorN;
  QPushButton* SSCommand10;

  LayoutAdjuster* adjuster_ = nullptr;
  bool filling_ = false;      // the panel itself writes its boxes
  bool font_chosen_ = false;  // Combo3 holds the operator's choice, not the ticked items' font
};

}  // namespace kvsys
