// The preview's controls: made, named as the operator's keys and tests find them, and laid out.
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "certificate/run_labels_ui.h"
#include "common/window_ui.h"
#include "preview/adjust_panel_ui.h"
#include "preview/kvpreview.h"
#include "preview/page_view_ui.h"
#include "preview/print_options_logic.h"

namespace kvsys {

namespace {

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  return Named(new QPushButton(caption, parent), name);
}

QLabel* Note(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setIndent(20);
  label->setStyleSheet(QStringLiteral("color: #404080;"));
  return label;
}

}  // namespace

void KVPreview::BuildControls() {
  VSPRN = Named(new PageView(this), "VSPRN");

  auto* digits4 =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this);
  auto* digits3 =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
  Text12 = Named(new QLineEdit(QStringLiteral("1"), this), "Text12");
  Text12->setValidator(digits4);
  Text12->setMaximumWidth(70);
  Text12->setAlignment(Qt::AlignRight);
  Text11 = Named(new QLineEdit(QStringLiteral("1"), this), "Text11");
  Text11->setValidator(digits3);
  Text11->setMaximumWidth(70);
  Text11->setAlignment(Qt::AlignRight);
  Text15 = Named(new QLineEdit(this), "Text15");
  Text15->setReadOnly(true);
  Text15->setFocusPolicy(Qt::NoFocus);
  Text15->setStyleSheet(QStringLiteral("color: #c00000;"));
  Text15->setVisible(false);
  Command1 = Button(QStringLiteral("|<"), "Command1", this);
  Command2 = Button(QStringLiteral("<"), "Command2", this);
  Command3 = Button(QStringLiteral(">"), "Command3", this);
  Command4 = Button(QStringLiteral(">|"), "Command4", this);
  for (QPushButton* b : {Command1, Command2, Command3, Command4}) b->setMinimumWidth(44);
  Label13 = Named(new QLabel(this), "Label13");
  lblMes = Named(new QLabel(this), "lblMes");
  lblMes->setStyleSheet(QStringLiteral("color: red;"));
  lblMes->setWordWrap(true);
  lblMes->setVisible(false);
  SSCommand1 = Button(QStringLiteral("印刷(F5)"), "SSCommand1", this);
  SSCommand1->setMinimumSize(120, 34);
  lblOutput = Named(new QLabel(this), "lblOutput");
  lblOutput->setWordWrap(true);
  lblRunState = Named(new QLabel(this), "lblRunState");
  lblRunState->setWordWrap(true);
  lblRunState->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblRunState->setVisible(false);
  SSCommand2 = Button(QStringLiteral("閉じる(F10)"), "SSCommand2", this);
  SSCommand2->setMinimumHeight(34);
  cmdPrintAll = Button(QStringLiteral("すべて印刷"), "cmdPrintAll", this);
  cmdStop = Button(QStringLiteral("中止"), "cmdStop", this);
  cmdStop->setEnabled(false);
  ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
  ProgressBar1->setRange(0, 1);
  ProgressBar1->setValue(0);
  ProgressBar1->setFormat(QStringLiteral("%v / %m"));
  ProgressBar1->reset();  // no count before a run
  cmdFit = Button(QStringLiteral("全体"), "cmdFit", this);
  cmdActual = Button(QStringLiteral("100%"), "cmdActual", this);
  lblZoom = Named(new QLabel(this), "lblZoom");
  Command6 = Button(QStringLiteral("オプション"), "Command6", this);
  Frame1 = new AdjustPanel(this);
  lblLayoutNote = Named(new QLabel(this), "lblLayoutNote");
  lblLayoutNote->setStyleSheet(QStringLiteral("color: #c06000;"));
  lblLayoutNote->setWordWrap(true);
  lblLayoutNote->setVisible(false);
  List1 = Named(new QListWidget(this), "List1");
  List1->setMaximumHeight(96);
  SSCommand13 = Button(QStringLiteral("元に戻す"), "SSCommand13", this);
  SSCommand7 = Button(QStringLiteral("変更"), "SSCommand7", this);
  SSCommand7->setToolTip(QStringLiteral("F9"));
  chkUnderlay = Named(new QCheckBox(QStringLiteral("台紙を表示"), this), "chkUnderlay");
  chkUnderlay->setToolTip(QStringLiteral("台紙の画像は画面だけに薄く表示され、印刷されません"));
  cmdUnderlay = Button(QStringLiteral("台紙画像…"), "cmdUnderlay", this);
  cmdNoUnderlay = Button(QStringLiteral("台紙画像なし"), "cmdNoUnderlay", this);
  lblUnderlay = Named(new QLabel(this), "lblUnderlay");
  // A long file name is cut, not a reason for a wider panel.
  lblUnderlay->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  lblUnderlay->setMinimumWidth(40);
  BuildOptionControls();
}

void KVPreview::BuildOptionControls() {
  Frame3 = Named(new QGroupBox(QStringLiteral("オプション"), this), "Frame3");
  Frame3->setVisible(false);
  for (size_t i = 0; i < OptionBoxes().size(); ++i) {
    const OptionBox& box = OptionBoxes()[i];
    option_boxes[i] = Named(new QCheckBox(box.caption, Frame3), box.control);
  }
  txtLatticeX = Named(new QLineEdit(Frame3), "txtLatticeX");
  txtLatticeY = Named(new QLineEdit(Frame3), "txtLatticeY");
  for (QLineEdit* e : {txtLatticeX, txtLatticeY}) {
    e->setMaximumWidth(60);
    e->setAlignment(Qt::AlignRight);
  }
  txtDono = Named(new QLineEdit(Frame3), "txtDono");
  txtDono->setMaximumWidth(100);
  cmdCalibration =
      Named(new QPushButton(QStringLiteral("プリンタの位置合わせ…"), Frame3), "cmdCalibration");
  Command5 = Named(new QPushButton(QStringLiteral("閉じる"), Frame3), "Command5");
}

void KVPreview::LayOutControls() {
  // The side column: what is needed at every certificate stays in view (page, copies, 印刷,
  // すべて印刷, zoom); below it the adjustments or the options, one at a time, scrolling when
  // the window is low; the certificate takes the rest of the width.
  QScrollArea* panel_scroll = SidePanel(LayOutAdjustments(), "AdjustPanel");
  LayOutOptions();
  side_pages_ = Named(new QStackedWidget(this), "SidePanel");
  side_pages_->addWidget(panel_scroll);
  side_pages_->addWidget(SidePanel(Frame3, "OptionsPanel"));

  auto* right = new QVBoxLayout;
  right->setContentsMargins(0, 0, 0, 0);
  right->addLayout(LayOutRunRows());
  right->addWidget(side_pages_, 1);
  right->addWidget(SSCommand2);
  auto* right_widget = new QWidget(this);
  right_widget->setLayout(right);
  // As wide as the panel's rows, no wider: the certificate gets the rest.
  right_widget->setFixedWidth(Frame1->sizeHint().width() +
                              panel_scroll->verticalScrollBar()->sizeHint().width() + 4);

  auto* left = new QVBoxLayout;
  left->addWidget(VSPRN, 1);
  left->addWidget(lblMes);
  left->addWidget(lblLayoutNote);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addWidget(right_widget);
  resize(1400, 900);
}

QScrollArea* KVPreview::SidePanel(QWidget* page, const char* name) {
  auto* scroll = Named(new QScrollArea(this), name);
  scroll->setWidget(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return scroll;
}

QVBoxLayout* KVPreview::LayOutRunRows() {
  auto* page_row = new QHBoxLayout;
  page_row->addWidget(Named(new QLabel(QStringLiteral("ページ"), this), "Label3"));
  page_row->addWidget(Text12);
  page_row->addWidget(Label13);
  page_row->addStretch();
  for (QPushButton* b : {Command1, Command2, Command3, Command4}) page_row->addWidget(b);
  auto* copies_row = new QHBoxLayout;
  copies_row->addWidget(Named(new QLabel(QStringLiteral("枚数指定"), this), "Label1"));
  copies_row->addWidget(Text11);
  copies_row->addWidget(Named(new QLabel(QStringLiteral("枚"), this), "Label2"));
  copies_row->addStretch();
  copies_row->addWidget(SSCommand1);
  auto* all_row = new QHBoxLayout;
  all_row->addWidget(cmdPrintAll);
  all_row->addWidget(cmdStop);
  all_row->addWidget(ProgressBar1, 1);
  auto* zoom_row = new QHBoxLayout;
  zoom_row->addWidget(cmdFit);
  zoom_row->addWidget(cmdActual);
  zoom_row->addWidget(lblZoom, 1);
  zoom_row->addWidget(Command6);

  // The buttons stay where the operator found them: the lines that come and go after a run
  // (the page hint, where it went, what came out) keep their room, under the buttons.
  for (QWidget* w : std::initializer_list<QWidget*>{Text15, lblRunState}) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    w->setSizePolicy(keep);
  }
  for (QLabel* l : {lblOutput, lblRunState}) {
    l->setFixedHeight(l->fontMetrics().lineSpacing() * 3 + 4);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  auto* top = new QVBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->addLayout(page_row);
  top->addLayout(copies_row);
  top->addLayout(all_row);
  top->addLayout(zoom_row);
  top->addWidget(Text15);
  top->addWidget(lblOutput);
  top->addWidget(lblRunState);
  return top;
}

QWidget* KVPreview::LayOutAdjustments() {
  // The saved layouts, then the 19 rows of the panel.
  auto* adjust_page = new QWidget;
  auto* adjust = new QVBoxLayout(adjust_page);
  adjust->setContentsMargins(0, 0, 0, 0);
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(List1, 1);
  auto* list_buttons = new QVBoxLayout;
  list_buttons->addWidget(Named(new QLabel(QStringLiteral("レイアウト"), this), "Label14"));
  list_buttons->addWidget(SSCommand13);
  list_buttons->addWidget(SSCommand7);
  list_buttons->addStretch();
  list_row->addLayout(list_buttons);
  adjust->addLayout(list_row);
  auto* underlay_row = new QHBoxLayout;
  underlay_row->addWidget(chkUnderlay);
  underlay_row->addWidget(lblUnderlay, 1);
  underlay_row->addWidget(cmdUnderlay);
  underlay_row->addWidget(cmdNoUnderlay);
  adjust->addLayout(underlay_row);
  adjust->addWidget(Frame1);
  adjust->addStretch(1);
  return adjust_page;
}

void KVPreview::LayOutOptions() {
  auto* v = new QVBoxLayout(Frame3);
  for (size_t i = 0; i < OptionBoxes().size(); ++i) {
    v->addWidget(option_boxes[i]);
    if (!OptionBoxes()[i].note.isEmpty()) v->addWidget(Note(OptionBoxes()[i].note, Frame3));
  }
  auto* grid = new QHBoxLayout;
  grid->addWidget(Named(new QLabel(QStringLiteral("縦列"), Frame3), "Label6"));
  grid->addWidget(txtLatticeX);
  grid->addWidget(Named(new QLabel(QStringLiteral("横段"), Frame3), "Label7"));
  grid->addWidget(txtLatticeY);
  grid->addStretch();
  v->addLayout(grid);
  auto* note = Note(kLatticeNote, Frame3);
  note->setIndent(0);
  v->addWidget(note);
  auto* dono = new QHBoxLayout;
  dono->addWidget(Named(new QLabel(QStringLiteral("敬称変更："), Frame3), "Label8"));
  dono->addWidget(txtDono);
  dono->addStretch();
  v->addLayout(dono);
  v->addWidget(cmdCalibration);
  v->addWidget(Command5);
  v->addStretch(1);  // a high window leaves the room below, not between the notes
}

}  // namespace kvsys
