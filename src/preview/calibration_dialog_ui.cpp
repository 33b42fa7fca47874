#include "preview/calibration_dialog_ui.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "common/dialogs.h"
#include "common/window_ui.h"

namespace kvsys {

namespace {

const QString kTitle = QStringLiteral("プリンタの位置合わせ");

QDoubleSpinBox* TenthsBox(double low, double high, const QString& suffix, int tenths,
                          const char* name, QWidget* parent) {
  auto* box = Named(new QDoubleSpinBox(parent), name);
  box->setDecimals(1);
  box->setSingleStep(0.1);
  box->setRange(low, high);
  box->setSuffix(suffix);
  box->setValue(tenths / 10.0);
  box->setAlignment(Qt::AlignRight);
  return box;
}

int Tenths(const QDoubleSpinBox* box) {
  return static_cast<int>(std::lround(box->value() * 10));
}

}  // namespace

CalibrationDialog::CalibrationDialog(Dialogs& dialogs, QString ini_file, QString queue,
                                     std::function<void()> print_sheet, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      ini_file_(std::move(ini_file)),
      queue_(std::move(queue)),
      print_sheet_(std::move(print_sheet)) {
  setObjectName(QStringLiteral("CalibrationDialog"));
  setWindowTitle(kTitle);
  QString problem;
  const PrinterCalibration now = LoadCalibration(ini_file_, queue_, &problem);
  const double max = PrinterCalibration::kMaxOffsetTenths / 10.0;
  across_ = TenthsBox(-max, max, QStringLiteral(" mm"), now.offset_x, "txtAcross", this);
  down_ = TenthsBox(-max, max, QStringLiteral(" mm"), now.offset_y, "txtDown", this);
  scale_ = TenthsBox(PrinterCalibration::kMinScaleTenths / 10.0,
                     PrinterCalibration::kMaxScaleTenths / 10.0, QStringLiteral(" %"), now.scale,
                     "txtScale", this);
  auto* which = Named(new QLabel(this), "lblQueue");
  which->setWordWrap(true);
  which->setText(queue_.isEmpty()
                     ? QStringLiteral("プリンタがありません。")
                     : QStringLiteral("プリンタ「%1」（この端末）\n"
                                      "用紙の左上を基準に、すべての項目を動かし拡大縮小します。")
                           .arg(queue_));
  pdf_ = Named(new QCheckBox(QStringLiteral("PDFファイルにもかける"), this), "chkPdf");
  pdf_->setChecked(now.pdf);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("横（右へ）："), across_);
  form->addRow(QStringLiteral("縦（下へ）："), down_);
  form->addRow(QStringLiteral("倍率："), scale_);
  form->addRow(QString(), pdf_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save = Named(
      buttons->addButton(QStringLiteral("保存(&S)"), QDialogButtonBox::AcceptRole), "cmdSave");
  QPushButton* sheet = Named(buttons->addButton(QStringLiteral("位置合わせシートを印刷(&P)"),
                                                QDialogButtonBox::ActionRole),
                             "cmdSheet");
  Named(buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole), "cmdClose");
  save->setDefault(true);
  for (QWidget* w : std::initializer_list<QWidget*>{across_, down_, scale_, pdf_, save, sheet}) {
    w->setEnabled(!queue_.isEmpty());
  }
  connect(save, &QPushButton::clicked, this, [this] {
    if (Save()) accept();
  });
  connect(sheet, &QPushButton::clicked, this, [this] {
    if (Save() && print_sheet_) print_sheet_();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* v = new QVBoxLayout(this);
  v->addWidget(which);
  v->addLayout(form);
  v->addWidget(buttons);
  if (!problem.isEmpty()) {
    // Said once; the boxes start from none and saving writes sound values over the bad ones.
    dialogs_.MsgBox(problem, MsgButtons::Ok, MsgIcon::Exclamation, kTitle);
  }
}

PrinterCalibration CalibrationDialog::Typed() const {
  PrinterCalibration c;
  c.offset_x = Tenths(across_);
  c.offset_y = Tenths(down_);
  c.scale = Tenths(scale_);
  c.pdf = pdf_->isChecked();
  return c;
}

bool CalibrationDialog::Save() {
  if (SaveCalibration(ini_file_, queue_, Typed())) return true;
  dialogs_.MsgBox(QStringLiteral("位置合わせを保存できませんでした。\r") + ini_file_,
                  MsgButtons::Ok, MsgIcon::Exclamation, kTitle);
  return false;
}

}  // namespace kvsys
