#include "preview/adjust_panel_ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/text_util.h"
#include "common/window_ui.h"

namespace kvsys {

namespace {

QString BoxName(const char* array, int n) {
  return QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(n);
}

QComboBox* Box(const char* array, int n, int width, QWidget* parent) {
  auto* box = Named(new QComboBox(parent), BoxName(array, n));
  box->setFixedWidth(width);
  // A long font list must not make the panel wider than the window.
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return box;
}

void SetBold(QWidget* w, bool bold) {
  QFont f = w->font();
  f.setBold(bold);
  w->setFont(f);
}

// A box shows text; a name not in its list (a font this machine lacks) is added to it.
void ShowText(QComboBox* box, const QString& text) {
  if (box->isEditable()) {
    box->setEditText(text);
    return;
  }
  int i = box->findText(text);
  if (i < 0) {
    box->addItem(text);
    i = box->count() - 1;
  }
  box->setCurrentIndex(i);
}

}  // namespace

AdjustPanel::AdjustPanel(QWidget* parent) : QGroupBox(QStringLiteral("レイアウト調整"), parent) {
  setObjectName(QStringLiteral("Frame1"));
  BuildControls();
  LayOutControls();
  ConnectControls();
  ShowCaptions();
}

void AdjustPanel::BuildControls() {
  const auto& captions = SelectionCaptions();
  for (int n = 0; n < kLayoutItemCount; ++n) {
    Check1[n] = Named(new QCheckBox(captions[n], this), BoxName("Check1", n));
    if (n >= kFontItemCount) continue;  // the honorific can only be moved
    Combo1[n] = Box("Combo1", n, 140, this);
    Combo2[n] = Box("Combo2", n, 56, this);
    Combo2[n]->setEditable(true);
    Combo2[n]->setInsertPolicy(QComboBox::NoInsert);
    Combo4[n] = Box("Combo4", n, 62, this);
    Combo5[n] = Box("Combo5", n, 62, this);
    Schk[n] = Named(new QCheckBox(this), BoxName("Schk", n));
  }
  SSCommand8 = Named(new QPushButton(QStringLiteral("全て選択"), this), "SSCommand8");
  SSCommand9 = Named(new QPushButton(QStringLiteral("全てはずす"), this), "SSCommand9");
  SSCommand12 = Named(new QPushButton(QStringLiteral("全て選択"), this), "SSCommand12");
  SSCommand11 = Named(new QPushButton(QStringLiteral("全てはずす"), this), "SSCommand11");
  cmdSorN = Named(new QPushButton(QStringLiteral("決定"), this), "cmdSorN");
  SSCommand3 = Named(new QPushButton(QStringLiteral("←"), this), "SSCommand3");
  SSCommand4 = Named(new QPushButton(QStringLiteral("↑"), this), "SSCommand4");
  SSCommand5 = Named(new QPushButton(QStringLiteral("↓"), this), "SSCommand5");
  SSCommand6 = Named(new QPushButton(QStringLiteral("→"), this), "SSCommand6");
  for (QPushButton* b : {SSCommand3, SSCommand4, SSCommand5, SSCommand6}) b->setFixedWidth(40);
  Combo3 = Named(new QComboBox(this), "Combo3");
  Combo3->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  Combo3->setMinimumWidth(150);
  CmdKettei = Named(new QPushButton(QStringLiteral("決定"), this), "CmdKettei");
  SSCommand10 = Named(new QPushButton(QStringLiteral("レイアウト保存(F1)"), this), "SSCommand10");
}

void AdjustPanel::LayOutControls() {
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(2);
  grid->setHorizontalSpacing(4);
  const char* heads[] = {"FontName", "Size", "Bold", "Italic", "ShowOrNot"};
  for (int c = 0; c < 5; ++c) {
    auto* head = Named(new QLabel(QLatin1String(heads[c]), this),
                       QStringLiteral("Head_%1").arg(QLatin1String(heads[c])));
    grid->addWidget(head, 0, c + 1);
  }
  for (int n = 0; n < kLayoutItemCount; ++n) {
    grid->addWidget(Check1[n], n + 1, 0);
    if (n >= kFontItemCount) continue;
    grid->addWidget(Combo1[n], n + 1, 1);
    grid->addWidget(Combo2[n], n + 1, 2);
    grid->addWidget(Combo4[n], n + 1, 3);
    grid->addWidget(Combo5[n], n + 1, 4);
    grid->addWidget(Schk[n], n + 1, 5);
  }

  auto* select_row = new QHBoxLayout;
  select_row->addWidget(SSCommand8);
  select_row->addWidget(SSCommand9);
  select_row->addStretch(1);
  select_row->addWidget(new QLabel(QStringLiteral("ShowOrNot:"), this));
  select_row->addWidget(SSCommand12);
  select_row->addWidget(SSCommand11);
  select_row->addWidget(cmdSorN);

  auto* arrows = new QGridLayout;
  arrows->setSpacing(2);
  arrows->addWidget(SSCommand4, 0, 1);
  arrows->addWidget(SSCommand3, 1, 0);
  arrows->addWidget(SSCommand6, 1, 2);
  arrows->addWidget(SSCommand5, 2, 1);
  arrows->addWidget(new QLabel(QStringLiteral("1mm"), this), 1, 1, Qt::AlignCenter);

  auto* font_row = new QHBoxLayout;
  font_row->addWidget(new QLabel(QStringLiteral("選択項目のフォント"), this));
  font_row->addWidget(Combo3, 1);
  font_row->addWidget(CmdKettei);
  auto* tools = new QVBoxLayout;
  tools->addLayout(font_row);
  tools->addStretch(1);
  tools->addWidget(SSCommand10);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(arrows);
  bottom->addSpacing(12);
  bottom->addLayout(tools, 1);

  auto* v = new QVBoxLayout(this);
  v->addLayout(grid);
  v->addLayout(select_row);
  v->addLayout(bottom);
  v->addStretch(1);
}

void AdjustPanel::ConnectControls() {
  for (int n = 0; n < kLayoutItemCount; ++n) {
    connect(Check1[n], &QCheckBox::toggled, this, [this, n](bool on) { ItemTicked(n, on); });
    if (n >= kFontItemCount) continue;
    connect(Combo1[n], &QComboBox::activated, this, &AdjustPanel::FontsChosen);
    connect(Combo2[n], &QComboBox::activated, this, &AdjustPanel::SizesChosen);
    connect(Combo2[n]->lineEdit(), &QLineEdit::returnPressed, this, &AdjustPanel::SizesChosen);
    connect(Combo4[n], &QComboBox::activated, this, [this] { StyleChosen(StyleColumn::kBold); });
    connect(Combo5[n], &QComboBox::activated, this, [this] { StyleChosen(StyleColumn::kItalic); });
    connect(Schk[n], &QCheckBox::toggled, this, &AdjustPanel::ShowCaptions);
  }
  connect(SSCommand8, &QPushButton::clicked, this, [this] { TickAll(true); });
  connect(SSCommand9, &QPushButton::clicked, this, [this] { TickAll(false); });
  connect(SSCommand12, &QPushButton::clicked, this, [this] { ShowAll(true); });
  connect(SSCommand11, &QPushButton::clicked, this, [this] { ShowAll(false); });
  connect(SSCommand3, &QPushButton::clicked, this, [this] { MoveSelected(MoveDirection::kLeft); });
  connect(SSCommand4, &QPushButton::clicked, this, [this] { MoveSelected(MoveDirection::kUp); });
  connect(SSCommand5, &QPushButton::clicked, this, [this] { MoveSelected(MoveDirection::kDown); });
  connect(SSCommand6, &QPushButton::clicked, this, [this] { MoveSelected(MoveDirection::kRight); });
  connect(Combo3, &QComboBox::activated, this, [this] { font_chosen_ = true; });
  connect(CmdKettei, &QPushButton::clicked, this, &AdjustPanel::FontGiven);
  connect(cmdSorN, &QPushButton::clicked, this, &AdjustPanel::ShowFlagsStored);
  connect(SSCommand10, &QPushButton::clicked, this, &AdjustPanel::Save);
}

void AdjustPanel::ItemTicked(int item, bool on) {
  if (!adjuster_ || filling_) return;
  adjuster_->selection[item] = on;
  ShowSelectedFont();
  emit selectionChanged();
}

void AdjustPanel::FontsChosen() {
  if (adjuster_) Changed(adjuster_->SetFontNames(Column(Combo1)));
}

void AdjustPanel::SizesChosen() {
  if (adjuster_) Changed(adjuster_->SetSizes(Column(Combo2)));
}

void AdjustPanel::TickAll(bool on) {
  for (QCheckBox* b : Check1) b->setChecked(on);
}

void AdjustPanel::ShowAll(bool on) {
  for (QCheckBox* b : Schk) b->setChecked(on);
}

void AdjustPanel::FontGiven() {
  if (adjuster_) Changed(adjuster_->GiveFontToSelected(Combo3->currentText()));
}

void AdjustPanel::ShowFlagsStored() {
  if (!adjuster_) return;
  std::array<bool, kFontItemCount> shown{};
  for (int n = 0; n < kFontItemCount; ++n) shown[n] = Schk[n]->isChecked();
  adjuster_->StoreShowFlags(shown);
  // Drawn again even when the store failed: the flags in memory changed.
  Changed(true);
}

void AdjustPanel::Fill(const QStringList& fonts) {
  filling_ = true;
  Combo3->clear();
  Combo3->addItems(fonts);
  Combo3->setCurrentIndex(-1);  // nothing ticked yet, so no font to show
  QStringList sizes = SizeChoices();
  for (int n = 0; n < kFontItemCount; ++n) {
    Combo1[n]->clear();
    Combo1[n]->addItems(fonts);
    Combo2[n]->clear();
    Combo2[n]->addItems(sizes);
    for (QComboBox* box : {Combo4[n], Combo5[n]}) {
      box->clear();
      box->addItems({kTrueText, kFalseText});
      box->setCurrentIndex(1);
    }
  }
  filling_ = false;
}

void AdjustPanel::ShowLayout(const CertificateLayout& layout) {
  filling_ = true;
  for (int n = 0; n < kFontItemCount; ++n) {
    const FontRowTexts row = FontRowOf(layout.Items[n]);
    ShowText(Combo1[n], row.name);
    ShowText(Combo2[n], row.size);
    ShowText(Combo4[n], row.bold);
    ShowText(Combo5[n], row.italic);
    SetBold(Combo4[n], row.bold == kTrueText);
    SetBold(Combo5[n], row.italic == kTrueText);
    Schk[n]->setChecked(row.shown);
  }
  filling_ = false;
  ShowCaptions();
}

void AdjustPanel::ShowSelection() {
  if (!adjuster_) return;
  filling_ = true;
  for (int n = 0; n < kLayoutItemCount; ++n) Check1[n]->setChecked(adjuster_->selection[n]);
  filling_ = false;
  ShowSelectedFont();
  emit selectionChanged();
}

void AdjustPanel::ShowSelectedFont() {
  // The font the ticked items share, empty when they have none in common or none is ticked;
  // until the operator chooses one, which then stays for the next items ticked.
  if (font_chosen_) return;
  QString font;
  for (int n = 0; n < kFontItemCount; ++n) {
    if (!adjuster_->selection[n]) continue;
    const QString& name = adjuster_->Layout().Items[n].FontName;
    if (!font.isEmpty() && name != font) {
      font.clear();
      break;
    }
    font = name;
  }
  if (font.isEmpty()) {
    Combo3->setCurrentIndex(-1);
  } else {
    ShowText(Combo3, font);
  }
}

void AdjustPanel::MoveSelected(MoveDirection direction, int step_mm) {
  if (!adjuster_) return;
  adjuster_->Move(direction, step_mm);
  // Nothing ticked moves nothing, but the certificate is drawn again all the same.
  emit changed();
}

void AdjustPanel::Save() {
  if (adjuster_ && isEnabled()) adjuster_->Save();
}

FontColumn AdjustPanel::Column(const std::array<QComboBox*, kFontItemCount>& boxes) const {
  FontColumn texts;
  for (int n = 0; n < kFontItemCount; ++n) texts[n] = boxes[n]->currentText();
  return texts;
}

void AdjustPanel::StyleChosen(StyleColumn column) {
  if (!adjuster_) return;
  Changed(adjuster_->SetStyles(column, Column(column == StyleColumn::kBold ? Combo4 : Combo5)));
}

void AdjustPanel::ShowCaptions() {
  for (QCheckBox* box : Schk) {
    box->setText(ShowCaption(box->isChecked()));
    SetBold(box, box->isChecked());
  }
}

void AdjustPanel::Changed(bool done) {
  if (!done) return;
  ShowLayout(adjuster_->Layout());
  emit changed();
}

}  // namespace kvsys
