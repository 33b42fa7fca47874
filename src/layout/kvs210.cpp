#include "layout/kvs210.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "common/window_ui.h"
#include "layout/paper_size.h"

namespace kvsys {

namespace {

QString TextOf(const QWidget* field) {
  if (auto* line = qobject_cast<const QLineEdit*>(field)) return line->text();
  if (auto* box = qobject_cast<const QPlainTextEdit*>(field)) return box->toPlainText();
  return QString();
}

}  // namespace

KVS210::KVS210(LayoutEditorRecords records, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), session_(std::move(records), dialogs) {
  setObjectName(QStringLiteral("KVS210"));
  setWindowTitle(kKvs210Caption);
  BuildControls();
  LayOutControls();
  ConnectControls();
}

KVS210::~KVS210() {
  ReleaseControls(this);
}

QWidget* KVS210::BuildField(int f) {
  const LayoutFieldRule& rule = kLayoutFieldRules[f];
  QWidget* field = nullptr;
  if (rule.lines) {
    auto* box = new QPlainTextEdit(this);
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setInputMethodHints(Qt::ImhMultiLine);
    // Several visible lines of the field's font.
    const int rows = f == kFieldBody ? 4 : 2;
    box->setFixedHeight(box->fontMetrics().lineSpacing() * rows + 14);
    field = box;
  } else {
    auto* line = new QLineEdit(this);
    if (rule.rank) {
      line->setAlignment(Qt::AlignRight);
      line->setValidator(new RankDigitsValidator(line));
      line->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhPreferNumbers);
      // No Japanese input in a number.
      line->setAttribute(Qt::WA_InputMethodEnabled, false);
      line->setMaximumWidth(80);
    } else {
      line->setValidator(new ByteLimitValidator(
          rule.max_bytes, [this, f] { return shown_texts_[f]; }, line));
    }
    field = line;
  }
  field->installEventFilter(this);
  return Named(field, rule.control);
}

void KVS210::BuildControls() {
  List1 = Named(new QListWidget(this), "List1");
  List1->setMinimumWidth(240);
  lblCurR = Named(new QLabel(this), "lblCurR");
  lblCurR->setFrameShape(QFrame::Panel);
  lblCurR->setFrameShadow(QFrame::Sunken);
  lblCurR->setMinimumHeight(26);

  for (int f = 0; f < kLayoutFieldCount; ++f) fields_[f] = BuildField(f);
  fields_[kFieldTitle]->setMaximumWidth(220);
  fields_[kFieldPresenter]->setMaximumWidth(220);

  SHEET_COMBO = Named(new QComboBox(this), "SHEET_COMBO");
  SHEET_COMBO->installEventFilter(this);

  SSCommand1 = Named(new QPushButton(QStringLiteral("新規(F5)"), this), "SSCommand1");
  SSCommand4 = Named(new QPushButton(QStringLiteral("変更(F6)"), this), "SSCommand4");
  SSCommand2 = Named(new QPushButton(QStringLiteral("決定(F9)"), this), "SSCommand2");
  SSCommand3 = Named(new QPushButton(QStringLiteral("閉じる(F10)"), this), "SSCommand3");
  SSCommand5 = Named(new QPushButton(QStringLiteral("名前の変更"), this), "SSCommand5");
  SSDelete = Named(new QPushButton(QStringLiteral("削除"), this), "SSDelete");
  cmdDef = Named(new QPushButton(QStringLiteral("ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ"), this), "cmdDef");
  cmdMeet = Named(new QPushButton(QStringLiteral("大会名取込"), this), "cmdMeet");
  cmdMeet->setToolTip(QStringLiteral("選択している大会の大会回数・大会名を取り込みます"));
  SSCommand1->setEnabled(false);
  SetEntryButtons(false);
}

void KVS210::LayOutControls() {
  auto label = [this](const char16_t* text, QWidget* buddy) {
    auto* l = Named(new QLabel(QString::fromUtf16(text), this),
                    QStringLiteral("Label_") + buddy->objectName());
    l->setBuddy(buddy);
    return l;
  };

  // Left: the saved layouts.
  auto* left = new QVBoxLayout;
  left->addWidget(label(u"保存されているレイアウト", List1));
  left->addWidget(List1, 1);
  left->addWidget(label(u"選択レイアウト名", lblCurR));
  left->addWidget(lblCurR);
  auto* list_buttons = new QHBoxLayout;
  list_buttons->addWidget(SSCommand5);
  list_buttons->addWidget(SSDelete);
  left->addLayout(list_buttons);

  // Right: the rank limits, then the texts in their tab order.
  auto* ranks = Named(new QGroupBox(QStringLiteral("対象順位"), this), "Frame_Ranks");
  auto* rank_grid = new QGridLayout(ranks);
  for (int f = kFieldHeats; f <= kFieldBFinal; ++f) {
    rank_grid->addWidget(label(kLayoutFieldRules[f].label, fields_[f]), 0, f, Qt::AlignHCenter);
    rank_grid->addWidget(fields_[f], 1, f, Qt::AlignHCenter);
  }
  auto* texts = new QGridLayout;
  int row = 0;
  for (int f = kFieldTitle; f < kLayoutFieldCount; ++f, ++row) {
    texts->addWidget(label(kLayoutFieldRules[f].label, fields_[f]), row, 0,
                     Qt::AlignRight | Qt::AlignTop);
    texts->addWidget(fields_[f], row, 1);
  }
  texts->addWidget(label(u"用紙サイズ", SHEET_COMBO), row, 0, Qt::AlignRight);
  auto* paper = new QHBoxLayout;
  paper->addWidget(SHEET_COMBO);
  paper->addStretch();
  texts->addLayout(paper, row, 1);
  texts->setColumnStretch(1, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(ranks);
  right->addLayout(texts);
  right->addStretch();

  auto* middle = new QHBoxLayout;
  middle->addLayout(left, 2);
  middle->addSpacing(12);
  middle->addLayout(right, 5);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdDef);
  buttons->addWidget(cmdMeet);
  buttons->addStretch();
  for (QPushButton* b : {SSCommand1, SSCommand4, SSCommand2, SSCommand3}) {
    b->setMinimumSize(110, 36);
    buttons->addWidget(b);
  }
  cmdDef->setMinimumHeight(36);
  cmdMeet->setMinimumHeight(36);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(middle, 1);
  layout->addLayout(buttons);
  resize(900, 600);

  // Focus moves through the fields in their order, then the paper size and the buttons.
  QWidget* previous = fields_[0];
  for (QWidget* w : std::initializer_list<QWidget*>{
           fields_[1], fields_[2], fields_[3],  fields_[4],  fields_[5],  fields_[6], fields_[7],
           fields_[8], fields_[9], fields_[10], fields_[11], SHEET_COMBO, SSCommand1, SSCommand4,
           SSCommand2, SSCommand3, cmdDef,      cmdMeet,     List1,       SSCommand5, SSDelete}) {
    setTabOrder(previous, w);
    previous = w;
  }
}

void KVS210::ConnectControls() {
  for (int f = 0; f < kLayoutFieldCount; ++f) {
    if (auto* box = qobject_cast<QPlainTextEdit*>(fields_[f])) {
      connect(box, &QPlainTextEdit::textChanged, this, [this, f] { BoxChanged(f); });
    } else if (auto* line = qobject_cast<QLineEdit*>(fields_[f])) {
      connect(line, &QLineEdit::textChanged, this,
              [this, f](const QString& text) { LineChanged(f, text); });
    }
  }
  connect(List1, &QListWidget::currentRowChanged, this, &KVS210::SelectEntry);
  connect(SHEET_COMBO, &QComboBox::activated, this, &KVS210::PaperChosen);
  connect(SSCommand1, &QPushButton::clicked, this, &KVS210::NewLayout);
  connect(SSCommand4, &QPushButton::clicked, this, &KVS210::ChangeLayout);
  connect(SSCommand2, &QPushButton::clicked, this, &KVS210::DecideLayout);
  connect(SSCommand3, &QPushButton::clicked, this, &KVS210::CloseWindow);
  connect(SSCommand5, &QPushButton::clicked, this, &KVS210::RenameLayout);
  connect(SSDelete, &QPushButton::clicked, this, &KVS210::DeleteLayout);
  connect(cmdDef, &QPushButton::clicked, this, &KVS210::DefaultTexts);
  connect(cmdMeet, &QPushButton::clicked, this, &KVS210::TakeMeetTexts);

  InstallKeyPreview(this, &KVS210::HandleKey);
}

void KVS210::BoxChanged(int field) {
  auto* box = static_cast<QPlainTextEdit*>(fields_[field]);
  const QString text = box->toPlainText();
  if (!loading_) {
    // Line breaks and what passes the byte limit are not taken from the operator.
    int cursor = 0;
    const QString fitted =
        FitFieldEdit(shown_texts_[field], text, kLayoutFieldRules[field].max_bytes, &cursor);
    if (fitted != text) {
      const QSignalBlocker block(box);
      box->setPlainText(fitted);
      QTextCursor c = box->textCursor();
      c.setPosition(cursor);
      box->setTextCursor(c);
    }
    shown_texts_[field] = fitted;
  } else {
    shown_texts_[field] = text;
  }
  FieldChanged();
}

void KVS210::LineChanged(int field, const QString& text) {
  shown_texts_[field] = text;
  FieldChanged();
}

void KVS210::PaperChosen() {
  flags_.key_seen = true;
  FieldChanged();
}

bool KVS210::HandleKey(QKeyEvent* event) {
  const auto close = [this] { CloseWindow(); };
  return RunKeyAction(event, {{Qt::Key_F5, [this] { NewLayout(); }},
                              {Qt::Key_F6, [this] { ChangeLayout(); }},
                              {Qt::Key_F9, [this] { DecideLayout(); }},
                              {Qt::Key_F10, close},
                              {Qt::Key_Escape, close}}) ||
         EnterMovesFocus(this, event);
}

bool KVS210::IsRankField(const QObject* control) const {
  for (int f = 0; f < kLayoutFieldCount; ++f) {
    if (fields_[f] == control) return kLayoutFieldRules[f].rank;
  }
  return false;
}

bool KVS210::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    flags_.key_seen = true;
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // A typed character other than a digit is discarded; keys that move or delete pass.
    if (IsRankField(watched) && key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab &&
        text.size() == 1 && text[0].isPrint() && !IsRankKeyAccepted(text[0])) {
      return true;
    }
  } else if (event->type() == QEvent::InputMethod) {
    // Japanese input arrives composed, without key presses.
    const auto* im = static_cast<QInputMethodEvent*>(event);
    if (!im->commitString().isEmpty() || !im->preeditString().isEmpty()) flags_.key_seen = true;
  }
  return QWidget::eventFilter(watched, event);
}

LayoutFieldTexts KVS210::FieldTexts() const {
  LayoutFieldTexts texts;
  for (int f = 0; f < kLayoutFieldCount; ++f) texts[f] = TextOf(fields_[f]);
  return texts;
}

EditorFields KVS210::Fields() const {
  return EditorFields{FieldTexts(), SHEET_COMBO->currentText(), flags_.modified};
}

void KVS210::SetFieldText(int field, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(fields_[field])) {
    // The limits are the operator's: a stored text longer than them is shown whole, so that
    // saving it again loses nothing.
    const QValidator* validator = line->validator();
    line->setValidator(nullptr);
    line->setText(text);
    line->setValidator(validator);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(fields_[field])) {
    box->setPlainText(text);
  }
}

void KVS210::ShowSettings(const LayoutSettings& settings) {
  const bool was_loading = loading_;
  loading_ = true;
  const LayoutFieldTexts texts = FieldTextsOf(settings);
  for (int f = 0; f < kLayoutFieldCount; ++f) SetFieldText(f, texts[f]);
  SHEET_COMBO->setCurrentIndex(SHEET_COMBO->findText(PaperSizeText(settings.paper_code)));
  loading_ = was_loading;
  loaded_texts_ = FieldTexts();
  loaded_paper_ = SHEET_COMBO->currentText();
}

void KVS210::FieldChanged() {
  // What the program writes into the fields is no change of the operator's.
  if (loading_) return;
  if (flags_.FieldChanged()) SSCommand1->setEnabled(true);
}

void KVS210::Focus(int field) {
  fields_[field]->setFocus(Qt::OtherFocusReason);
  SelectAllTextKeep(fields_[field]);
}

void KVS210::SetEntryButtons(bool enabled) {
  const QWidget* focused = focusWidget();
  bool focus_lost = false;
  for (QPushButton* b : {SSDelete, SSCommand5, SSCommand4, SSCommand2}) {
    focus_lost = focus_lost || (!enabled && b == focused);
    b->setEnabled(enabled);
  }
  // A disabled button that kept the focus (削除 after the layout in force went) would take the
  // window's keys with it until the operator clicked somewhere: the list takes them instead.
  if (focus_lost) List1->setFocus(Qt::OtherFocusReason);
}

void KVS210::Open() {
  if (!session_.HasDatabase()) return;
  loading_ = true;
  SHEET_COMBO->clear();
  SHEET_COMBO->addItems(PaperSizeTexts());
  SHEET_COMBO->setCurrentIndex(0);
  loading_ = false;
  if (const std::optional<EditorEntry> shown = session_.Open()) {
    ShowList();
    if (shown->row >= 0) {
      SelectRow(shown->row, false);
    } else {
      // A decided layout without a name, or none: its row, or the first default set.
      lblCurR->clear();
    }
    ShowSettings(shown->fields);
  }
  flags_.Clear();
  SSCommand1->setEnabled(true);
}

void KVS210::ShowEntry(const std::optional<EditorEntry>& entry) {
  ShowList();
  if (!entry) {
    // Gone meanwhile: the selection's own message, as for a click beside the entries.
    SelectRow(-1);
    return;
  }
  SelectRow(entry->row, false);
  ShowSettings(entry->fields);
}

void KVS210::ShowList() {
  const bool was_loading = loading_;
  loading_ = true;
  List1->clear();
  for (const SavedLayout& saved : session_.Layouts()) {
    List1->addItem(ListEntryText(saved.number, saved.name));
  }
  List1->setCurrentRow(-1);
  loading_ = was_loading;
}

void KVS210::SelectRow(int row, bool reload) {
  {
    const QSignalBlocker block(List1);
    List1->setCurrentRow(row);
  }
  if (reload) {
    SelectEntry(row);
  } else if (const std::optional<SavedLayout> entry = session_.Choose(row)) {
    lblCurR->setText(entry->name);
    SetEntryButtons(entry->number != 0);
  }
}

void KVS210::ClearSelection() {
  {
    const QSignalBlocker block(List1);
    List1->setCurrentRow(-1);
  }
  SetEntryButtons(false);
  lblCurR->clear();
}

void KVS210::SelectEntry(int row) {
  if (loading_) return;
  const std::optional<SavedLayout> entry = session_.SelectEntry(row);
  SetEntryButtons(entry && entry->number != 0);
  if (!entry) return;
  lblCurR->setText(entry->name);
  if (const std::optional<LayoutSettings> fields = session_.ReadFields(entry->number)) {
    ShowSettings(*fields);
  }
}

void KVS210::NewLayout() {
  const EditorWrite write = session_.NewLayout(Fields());
  if (write.focus) Focus(*write.focus);
  if (!write.written) return;
  ShowEntry(write.entry);
  flags_.Clear();
}

void KVS210::ChangeLayout() {
  const EditorWrite write = session_.ChangeLayout(List1->currentRow(), Fields());
  if (write.focus) Focus(*write.focus);
  if (write.written) ShowEntry(write.entry);
}

void KVS210::DecideLayout() {
  session_.DecideLayout(List1->currentRow());
}

void KVS210::RenameLayout() {
  const int row = List1->currentRow();
  if (!session_.RenameLayout(row)) return;
  session_.ReadList();
  ShowList();
  // Only the name changed: what the operator has typed in the fields stays.
  SelectRow(std::min(row, List1->count() - 1), false);
}

void KVS210::DeleteLayout() {
  const int row = List1->currentRow();
  const DeleteOutcome outcome = session_.DeleteLayout(row);
  if (outcome == DeleteOutcome::kKept) return;
  {
    const QSignalBlocker block(List1);
    delete List1->takeItem(row);
  }
  if (outcome == DeleteOutcome::kDeleted && List1->count() > 0) {
    SelectRow(0);
  } else {
    ClearSelection();
  }
}

void KVS210::DefaultTexts() {
  const std::optional<LayoutSettings> defaults = session_.DefaultTexts(flags_.modified);
  if (!defaults) return;
  ShowSettings(*defaults);
  lblCurR->setText(QStringLiteral("  "));
}

void KVS210::TakeMeetTexts() {
  const MeetTexts meet = session_.TakeMeetTexts();
  // The operator's change: 新規 and 変更 save it, closing asks about it.
  flags_.key_seen = true;
  SetFieldText(kFieldEdition, meet.edition);
  flags_.key_seen = true;
  SetFieldText(kFieldMeetName1, meet.name1);
  flags_.key_seen = true;
  SetFieldText(kFieldMeetName2, meet.name2);
  Focus(kFieldEdition);
}

void KVS210::CloseWindow() {
  if (!session_.ConfirmClose(FieldTexts() != loaded_texts_ ||
                             SHEET_COMBO->currentText() != loaded_paper_)) {
    return;
  }
  CloseForm(this);
}

}  // namespace kvsys
