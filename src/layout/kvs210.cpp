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
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "common/dialogs.h"
#include "common/window_ui.h"
#include "db/database.h"
#include "db/db_error_report.h"
#include "layout/layout_store.h"
#include "layout/paper_size.h"

namespace kvsys {

namespace {

const QString kSelectList = QStringLiteral("リストを選択してください。");
const QString kInForceQuestion =
    QStringLiteral("削除しようとしているレイアウトが、現在のレイアウトに設定されています。") +
    u'\r' +
    QStringLiteral("削除を実行した後、レイアウトを決定しないと、デフォルト設定になります。") +
    QStringLiteral("\r\r") + QString(24, u' ') + QStringLiteral("削除を実行しますか？");

QString TextOf(const QWidget* field) {
  if (auto* line = qobject_cast<const QLineEdit*>(field)) return line->text();
  if (auto* box = qobject_cast<const QPlainTextEdit*>(field)) return box->toPlainText();
  return QString();
}

}  // namespace

KVS210::KVS210(LayoutEditorRecords records, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), r_(std::move(records)), dialogs_(dialogs) {
  setObjectName(QStringLiteral("KVS210"));
  setWindowTitle(kKvs210Caption);
  BuildControls();
}

KVS210::~KVS210() {
  ReleaseControls(this);
}

void KVS210::BuildControls() {
  List1 = Named(new QListWidget(this), "List1");
  List1->setMinimumWidth(240);
  lblCurR = Named(new QLabel(this), "lblCurR");
  lblCurR->setFrameShape(QFrame::Panel);
  lblCurR->setFrameShadow(QFrame::Sunken);
  lblCurR->setMinimumHeight(26);

  for (int f = 0; f < kLayoutFieldCount; ++f) {
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
      connect(box, &QPlainTextEdit::textChanged, this, [this, box, f, rule] {
        const QString text = box->toPlainText();
        if (!loading_) {
          // Line breaks and what passes the byte limit are not taken from the operator.
          int cursor = 0;
          const QString fitted = FitFieldEdit(shown_texts_[f], text, rule.max_bytes, &cursor);
          if (fitted != text) {
            const QSignalBlocker block(box);
            box->setPlainText(fitted);
            QTextCursor c = box->textCursor();
            c.setPosition(cursor);
            box->setTextCursor(c);
          }
          shown_texts_[f] = fitted;
        } else {
          shown_texts_[f] = text;
        }
        FieldChanged();
      });
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
      connect(line, &QLineEdit::textChanged, this, [this, f](const QString& text) {
        shown_texts_[f] = text;
        FieldChanged();
      });
      field = line;
    }
    field->setObjectName(QString::fromLatin1(rule.control));
    field->installEventFilter(this);
    fields_[f] = field;
  }
  TXT_H = static_cast<QLineEdit*>(fields_[kFieldHeats]);
  TXT_T = static_cast<QLineEdit*>(fields_[kFieldTimedFinal]);
  TXT_F = static_cast<QLineEdit*>(fields_[kFieldFinal]);
  TXT_B = static_cast<QLineEdit*>(fields_[kFieldBFinal]);
  TXT_TITLE = static_cast<QLineEdit*>(fields_[kFieldTitle]);
  TXT_KAISU = static_cast<QLineEdit*>(fields_[kFieldEdition]);
  TXT_TAIKAI = static_cast<QPlainTextEdit*>(fields_[kFieldMeetName1]);
  TXT_TAIKAI2 = static_cast<QLineEdit*>(fields_[kFieldMeetName2]);
  TXT_BUN = static_cast<QPlainTextEdit*>(fields_[kFieldBody]);
  TXT_YMD = static_cast<QLineEdit*>(fields_[kFieldDate]);
  TXT_PRTTL = static_cast<QLineEdit*>(fields_[kFieldPresenterTitle]);
  TXT_PRS = static_cast<QLineEdit*>(fields_[kFieldPresenter]);

  SHEET_COMBO = Named(new QComboBox(this), "SHEET_COMBO");
  SHEET_COMBO->installEventFilter(this);

  SSCommand1 = Named(new QPushButton(QStringLiteral("新規(F5)"), this), "SSCommand1");
  SSCommand4 = Named(new QPushButton(QStringLiteral("変更(F6)"), this), "SSCommand4");
  SSCommand2 = Named(new QPushButton(QStringLiteral("決定(F9)"), this), "SSCommand2");
  SSCommand3 = Named(new QPushButton(QStringLiteral("閉じる(F10)"), this), "SSCommand3");
  SSCommand5 = Named(new QPushButton(QStringLiteral("名前の変更"), this), "SSCommand5");
  SSDelete = Named(new QPushButton(QStringLiteral("削除"), this), "SSDelete");
  cmdDef = Named(new QPushButton(QStringLiteral("ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ"), this), "cmdDef");
  SSCommand1->setEnabled(false);
  SetEntryButtons(false);

  auto label = [this](const char16_t* text, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf16(text), this);
    l->setObjectName(QStringLiteral("Label_") + buddy->objectName());
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
  auto* ranks = new QGroupBox(QStringLiteral("対象順位"), this);
  ranks->setObjectName(QStringLiteral("Frame_Ranks"));
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
  TXT_TITLE->setMaximumWidth(220);
  TXT_PRS->setMaximumWidth(220);

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
  buttons->addStretch();
  for (QPushButton* b : {SSCommand1, SSCommand4, SSCommand2, SSCommand3}) {
    b->setMinimumSize(110, 36);
    buttons->addWidget(b);
  }
  cmdDef->setMinimumHeight(36);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(middle, 1);
  layout->addLayout(buttons);
  resize(900, 600);

  // Focus moves through the fields in their order, then the paper size and the buttons.
  QWidget* previous = fields_[0];
  for (QWidget* w : std::initializer_list<QWidget*>{
           fields_[1], fields_[2], fields_[3],  fields_[4],  fields_[5],  fields_[6], fields_[7],
           fields_[8], fields_[9], fields_[10], fields_[11], SHEET_COMBO, SSCommand1, SSCommand4,
           SSCommand2, SSCommand3, cmdDef,      List1,       SSCommand5,  SSDelete}) {
    setTabOrder(previous, w);
    previous = w;
  }

  connect(List1, &QListWidget::currentRowChanged, this, &KVS210::SelectEntry);
  connect(SHEET_COMBO, &QComboBox::activated, this, [this] {
    flags_.key_seen = true;
    FieldChanged();
  });
  connect(SSCommand1, &QPushButton::clicked, this, &KVS210::NewLayout);
  connect(SSCommand4, &QPushButton::clicked, this, &KVS210::ChangeLayout);
  connect(SSCommand2, &QPushButton::clicked, this, &KVS210::DecideLayout);
  connect(SSCommand3, &QPushButton::clicked, this, &KVS210::CloseWindow);
  connect(SSCommand5, &QPushButton::clicked, this, &KVS210::RenameLayout);
  connect(SSDelete, &QPushButton::clicked, this, &KVS210::DeleteLayout);
  connect(cmdDef, &QPushButton::clicked, this, &KVS210::DefaultTexts);

  InstallKeyPreview(this, [this](QKeyEvent* e) { return HandleKey(e); });
}

LayoutStore KVS210::Store() {
  return LayoutStore(*r_.layout_db, dialogs_, r_.state);
}

bool KVS210::HandleKey(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_F5:
      NewLayout();
      return true;
    case Qt::Key_F6:
      ChangeLayout();
      return true;
    case Qt::Key_F9:
      DecideLayout();
      return true;
    case Qt::Key_F10:
    case Qt::Key_Escape:
      CloseWindow();
      return true;
    default:
      return EnterMovesFocus(this, event);
  }
}

bool KVS210::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    flags_.key_seen = true;
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool rank = watched == TXT_H || watched == TXT_T || watched == TXT_F || watched == TXT_B;
    // A typed character other than a digit is discarded; keys that move or delete pass.
    if (rank && key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab && text.size() == 1 &&
        text[0].isPrint() && !IsRankKeyAccepted(text[0])) {
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
  if (!r_.layout_db) return;
  loading_ = true;
  SHEET_COMBO->clear();
  SHEET_COMBO->addItems(PaperSizeTexts());
  SHEET_COMBO->setCurrentIndex(0);
  loading_ = false;
  const std::optional<LayoutStore::EditorView> view =
      ReadView([](const LayoutStore::EditorView& v) { return v.decided; });
  if (view) {
    r_.current_layout = static_cast<int16_t>(view->decided);
    ShowList(view->layouts);
    const int row = view->decided != 0 ? RowOfNumber(view->decided) : -1;
    if (row >= 0) {
      SelectRow(row, false);
    } else {
      // A decided layout without a name, or none: its row, or the first default set.
      lblCurR->clear();
    }
    ShowLoaded(view->settings);
  }
  flags_.Clear();
  SSCommand1->setEnabled(true);
}

std::optional<LayoutStore::EditorView> KVS210::ReadView(
    const std::function<int(const LayoutStore::EditorView&)>& pick) {
  try {
    return Store().ReadEditorView(pick);
  } catch (const DbError& e) {
    // Reported after the read has let go of the file.
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    return std::nullopt;
  }
}

void KVS210::ShowEntry(const std::function<int(const LayoutStore::EditorView&)>& row_of) {
  int row = -1;
  const std::optional<LayoutStore::EditorView> view =
      ReadView([&](const LayoutStore::EditorView& v) {
        row = row_of(v);
        return row >= 0 ? v.layouts[row].number : 0;
      });
  ShowList(view ? view->layouts : std::vector<SavedLayout>());
  if (!view || row < 0) {
    // Gone meanwhile: the selection's own message, as for a click beside the entries.
    SelectRow(-1);
    return;
  }
  SelectRow(row, false);
  ShowLoaded(view->settings);
}

void KVS210::ShowList(const std::vector<SavedLayout>& layouts) {
  const bool was_loading = loading_;
  loading_ = true;
  List1->clear();
  for (const SavedLayout& saved : layouts) {
    List1->addItem(ListEntryText(saved.number, saved.name));
  }
  List1->setCurrentRow(-1);
  loading_ = was_loading;
}

void KVS210::ShowLoaded(const std::optional<LayoutSettings>& stored) {
  loaded_ = stored;
  ShowSettings(stored ? *stored : NewLayoutSettings(r_.meet));
}

bool KVS210::FillList() {
  // The databases are closed when the operator goes back to the meet selection.
  if (!r_.layout_db) return false;
  std::vector<SavedLayout> layouts;
  bool ok = true;
  try {
    layouts = Store().ListLayouts();
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    ok = false;
  }
  ShowList(layouts);
  return ok;
}

int KVS210::RowOfNumber(int number) const {
  for (int row = 0; row < List1->count(); ++row) {
    if (ParseListEntry(List1->item(row)->text()).number == number) return row;
  }
  return -1;
}

void KVS210::SelectRow(int row, bool reload) {
  {
    const QSignalBlocker block(List1);
    List1->setCurrentRow(row);
  }
  if (reload) {
    SelectEntry(row);
  } else if (row >= 0) {
    const ListEntry entry = ParseListEntry(List1->item(row)->text());
    r_.current_layout = static_cast<int16_t>(entry.number);
    lblCurR->setText(entry.name);
    SetEntryButtons(entry.number != 0);
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
  SetEntryButtons(true);
  if (row < 0 || row >= List1->count()) {
    SetEntryButtons(false);
    dialogs_.MsgBox(QStringLiteral("レイアウトを指定してください。"));
    return;
  }
  const ListEntry entry = ParseListEntry(List1->item(row)->text());
  r_.current_layout = static_cast<int16_t>(entry.number);
  if (entry.number == 0) SetEntryButtons(false);
  lblCurR->setText(entry.name);
  LoadFields(entry.number);
}

void KVS210::LoadFields(int number) {
  if (!r_.layout_db) return;
  std::optional<LayoutSettings> stored;
  try {
    stored = Store().ReadSettings(number);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    return;
  }
  ShowLoaded(stored);
}

bool KVS210::Checks() {
  const LayoutFieldTexts texts = FieldTexts();
  if (flags_.modified) {
    if (const std::optional<LayoutField> f = FirstEmptyRankField(texts)) {
      dialogs_.MsgBox(EmptyRankMessage(*f), MsgButtons::Ok, MsgIcon::Information, kKvs210Caption);
      Focus(*f);
      return false;
    }
  }
  // The column holds 16 bits: a larger limit would be refused by the database half-way.
  if (const std::optional<LayoutField> f = FirstRankTooLarge(texts)) {
    dialogs_.MsgBox(RankTooLargeMessage(*f), MsgButtons::Ok, MsgIcon::Information, kKvs210Caption);
    Focus(*f);
    return false;
  }
  if (DateDiffersFromToday(texts[kFieldDate], r_.today())) {
    if (dialogs_.MsgBox(QStringLiteral("日付が本日の日付と異なります。よろしいですか？"),
                        MsgButtons::OkCancel, MsgIcon::Information, kKvs210Caption) != Answer::Ok) {
      Focus(kFieldDate);
      return false;
    }
  }
  return true;
}

void KVS210::NewLayout() {
  if (!r_.layout_db || !Checks()) return;
  LayoutStore store = Store();
  const int number = store.ChooseNewNumber();
  if (number == 0) return;
  const int16_t selected = r_.current_layout;
  r_.current_layout = static_cast<int16_t>(number);
  const std::optional<QString> name =
      dialogs_.InputBox(QStringLiteral("名前をつけてください。"), QStringLiteral("内容の保存"));
  if (!name || name->isEmpty()) {
    // The buttons act on the selected entry again, not on a layout that was never made.
    r_.current_layout = selected;
    dialogs_.MsgBox(QStringLiteral("キャンセルされました。"));
    return;
  }
  const int written = store.CreateLayout(
      number, *name, r_.meet_no, SettingsOfFields(FieldTexts(), SHEET_COMBO->currentText()));
  if (written == 0) {
    r_.current_layout = selected;
    return;
  }
  r_.current_layout = static_cast<int16_t>(written);
  dialogs_.MsgBox(QStringLiteral("登録されました。"), MsgButtons::Ok, MsgIcon::Information,
                  kKvs210Caption);
  // The new layout's entry, also when its number filled a gap in the list.
  ShowEntry([written](const LayoutStore::EditorView& view) {
    for (std::size_t row = 0; row < view.layouts.size(); ++row) {
      if (view.layouts[row].number == written) return static_cast<int>(row);
    }
    return -1;
  });
  flags_.Clear();
}

void KVS210::ChangeLayout() {
  const int row = List1->currentRow();
  if (row < 0 || !r_.layout_db) {
    dialogs_.MsgBox(kSelectList, MsgButtons::Ok, MsgIcon::Information);
    return;
  }
  const ListEntry entry = ParseListEntry(List1->item(row)->text());
  if (dialogs_.MsgBox(entry.name + QStringLiteral("の内容を変更します。\rよろしいですか？"),
                      MsgButtons::YesNo, MsgIcon::Question) != Answer::Yes) {
    return;
  }
  if (!Checks()) return;
  const LayoutSettings settings = SettingsOfFields(FieldTexts(), SHEET_COMBO->currentText());
  if (!Store().ChangeSettings(entry.number, settings, loaded_)) return;
  dialogs_.MsgBox(QStringLiteral("完了しました。"));
  ShowEntry([row](const LayoutStore::EditorView& view) {
    return std::min(row, static_cast<int>(view.layouts.size()) - 1);
  });
}

void KVS210::DecideLayout() {
  const int row = List1->currentRow();
  if (row < 0 || !r_.layout_db) {
    dialogs_.MsgBox(kSelectList, MsgButtons::Ok, MsgIcon::Information);
    return;
  }
  const ListEntry entry = ParseListEntry(List1->item(row)->text());
  r_.current_layout = static_cast<int16_t>(entry.number);
  if (!Store().DecideLayout(entry.number)) return;
  dialogs_.MsgBox(entry.name + QStringLiteral("を使用します。"), MsgButtons::Ok,
                  MsgIcon::Information);
}

void KVS210::RenameLayout() {
  const int row = List1->currentRow();
  if (row < 0 || !r_.layout_db) {
    dialogs_.MsgBox(kSelectList, MsgButtons::Ok, MsgIcon::Information);
    return;
  }
  const ListEntry entry = ParseListEntry(List1->item(row)->text());
  LayoutStore store = Store();
  std::optional<QString> old_name;
  try {
    old_name = store.LayoutName(entry.number);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, QStringLiteral("名前の変更"));
    return;
  }
  if (!old_name) {
    dialogs_.MsgBox(QStringLiteral("データが存在しません。誤って消去された可能性があります。"));
    return;
  }
  const std::optional<QString> name = dialogs_.InputBox(
      QStringLiteral("変更後の名前を入れてください。"), QStringLiteral("名前の変更"));
  if (!name || name->isEmpty()) return;
  if (dialogs_.MsgBox(*old_name + QStringLiteral("を") + *name +
                          QStringLiteral("に変更します。\rよろしいですか？"),
                      MsgButtons::YesNo, MsgIcon::Question,
                      QStringLiteral("名前の変更")) != Answer::Yes) {
    return;
  }
  if (!store.RenameLayout(entry.number, *name)) return;
  FillList();
  // Only the name changed: what the operator has typed in the fields stays.
  SelectRow(std::min(row, List1->count() - 1), false);
}

void KVS210::DeleteLayout() {
  const int row = List1->currentRow();
  if (row < 0 || !r_.layout_db) {
    dialogs_.MsgBox(QStringLiteral("リストを選択して下さい。"), MsgButtons::Ok,
                    MsgIcon::Information);
    return;
  }
  const ListEntry entry = ParseListEntry(List1->item(row)->text());
  if (dialogs_.MsgBox(entry.name + QStringLiteral("を削除します。\rよろしいですか？"),
                      MsgButtons::YesNo, MsgIcon::Question) != Answer::Yes) {
    return;
  }
  LayoutStore store = Store();
  int decided = 0;
  try {
    decided = store.DecidedLayout();
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    return;
  }
  const bool in_force = decided == entry.number;
  if (in_force &&
      dialogs_.MsgBox(kInForceQuestion, MsgButtons::YesNo, MsgIcon::Information) != Answer::Yes) {
    return;
  }
  // The store takes the decision back to 0 with the layout it names.
  if (!store.DeleteLayout(entry.number)) return;
  {
    const QSignalBlocker block(List1);
    delete List1->takeItem(row);
  }
  if (in_force) {
    r_.current_layout = 0;
    ClearSelection();
  } else if (List1->count() > 0) {
    SelectRow(0);
  } else {
    ClearSelection();
  }
}

void KVS210::DefaultTexts() {
  if (flags_.modified &&
      dialogs_.MsgBox(QStringLiteral("設定が変更されています。デフォルトに戻しますか？"),
                      MsgButtons::YesNo, MsgIcon::Information, kAppTitle, 2) != Answer::Yes) {
    return;
  }
  ShowSettings(DefaultLayoutSettings(r_.meet, r_.today()));
  lblCurR->setText(QStringLiteral("  "));
}

void KVS210::CloseWindow() {
  CloseForm(this);
}

}  // namespace kvsys
