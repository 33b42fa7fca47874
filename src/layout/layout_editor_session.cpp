#include "layout/layout_editor_session.h"

#include <algorithm>

#include "common/dialogs.h"
#include "db/database.h"
#include "db/db_error_report.h"
#include "layout/paper_size.h"

namespace kvsys {

QString ChangeQuestion(const QString& name) {
  return name + QStringLiteral("の内容を変更します。\rよろしいですか？");
}

QString DecidedMessage(const QString& name) {
  return name + QStringLiteral("を使用します。");
}

QString RenameQuestion(const QString& old_name, const QString& new_name) {
  return old_name + QStringLiteral("を") + new_name +
         QStringLiteral("に変更します。\rよろしいですか？");
}

QString DeleteQuestion(const QString& name) {
  return name + QStringLiteral("を削除します。\rよろしいですか？");
}

LayoutEditorSession::LayoutEditorSession(LayoutEditorRecords records, Dialogs& dialogs)
    : r_(std::move(records)), dialogs_(dialogs) {}

LayoutStore LayoutEditorSession::Store() {
  return LayoutStore(*r_.layout_db, dialogs_, r_.state);
}

std::optional<SavedLayout> LayoutEditorSession::Choose(int row) {
  if (row < 0 || row >= static_cast<int>(layouts_.size())) return std::nullopt;
  r_.current_layout = static_cast<int16_t>(layouts_[row].number);
  return layouts_[row];
}

std::optional<LayoutStore::EditorView> LayoutEditorSession::ReadView(
    const std::function<int(const LayoutStore::EditorView&)>& pick) {
  try {
    return Store().ReadEditorView(pick);
  } catch (const DbError& e) {
    // Reported after the read has let go of the file.
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    return std::nullopt;
  }
}

LayoutSettings LayoutEditorSession::Loaded(const std::optional<LayoutSettings>& stored) {
  loaded_ = stored;
  if (stored) return *stored;
  // The first default set names the meet: a name too long for its field is said, not lost.
  const MeetTexts meet = MeetTextsOf(r_.meet);
  if (meet.cut) {
    dialogs_.MsgBox(MeetNameCutMessage(r_.meet, meet), MsgButtons::Ok, MsgIcon::Information,
                    kKvs210Caption);
  }
  return NewLayoutSettings(r_.meet);
}

std::optional<EditorEntry> LayoutEditorSession::Open() {
  if (!r_.layout_db) return std::nullopt;
  const std::optional<LayoutStore::EditorView> view =
      ReadView([](const LayoutStore::EditorView& v) { return v.decided; });
  if (!view) return std::nullopt;
  r_.current_layout = static_cast<int16_t>(view->decided);
  layouts_ = view->layouts;
  EditorEntry entry;
  // A decided layout without a name, or none, selects no entry.
  if (view->decided != 0) {
    const auto it = std::find_if(layouts_.begin(), layouts_.end(),
                                 [&](const SavedLayout& s) { return s.number == view->decided; });
    if (it != layouts_.end()) entry.row = static_cast<int>(it - layouts_.begin());
  }
  entry.fields = Loaded(view->settings);
  return entry;
}

std::optional<SavedLayout> LayoutEditorSession::SelectEntry(int row) {
  const std::optional<SavedLayout> entry = Choose(row);
  if (!entry) dialogs_.MsgBox(kChooseLayoutMessage);
  return entry;
}

std::optional<LayoutSettings> LayoutEditorSession::ReadFields(int number) {
  if (!r_.layout_db) return std::nullopt;
  std::optional<LayoutSettings> stored;
  try {
    stored = Store().ReadSettings(number);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    return std::nullopt;
  }
  return Loaded(stored);
}

bool LayoutEditorSession::ReadList() {
  layouts_.clear();
  // The databases are closed when the operator goes back to the meet selection.
  if (!r_.layout_db) return false;
  try {
    layouts_ = Store().ListLayouts();
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    return false;
  }
  return true;
}

std::optional<EditorEntry> LayoutEditorSession::ReadEntry(
    const std::function<int(const LayoutStore::EditorView&)>& row_of) {
  int row = -1;
  const std::optional<LayoutStore::EditorView> view =
      ReadView([&](const LayoutStore::EditorView& v) {
        row = row_of(v);
        return row >= 0 ? v.layouts[row].number : 0;
      });
  layouts_ = view ? view->layouts : std::vector<SavedLayout>();
  if (!view || row < 0) return std::nullopt;
  Choose(row);
  return EditorEntry{row, Loaded(view->settings)};
}

std::optional<LayoutField> LayoutEditorSession::Check(const EditorFields& fields) {
  const LayoutFieldTexts& texts = fields.texts;
  if (fields.modified) {
    if (const std::optional<LayoutField> f = FirstEmptyRankField(texts)) {
      dialogs_.MsgBox(EmptyRankMessage(*f), MsgButtons::Ok, MsgIcon::Information, kKvs210Caption);
      return f;
    }
  }
  // The column holds 16 bits: a larger limit would be refused by the database half-way.
  if (const std::optional<LayoutField> f = FirstRankTooLarge(texts)) {
    dialogs_.MsgBox(RankTooLargeMessage(*f), MsgButtons::Ok, MsgIcon::Information, kKvs210Caption);
    return f;
  }
  if (DateDiffersFromToday(texts[kFieldDate], r_.today()) &&
      dialogs_.MsgBox(kOtherDateQuestion, MsgButtons::OkCancel, MsgIcon::Information,
                      kKvs210Caption) != Answer::Ok) {
    return kFieldDate;
  }
  return std::nullopt;
}

EditorWrite LayoutEditorSession::NewLayout(const EditorFields& fields) {
  EditorWrite result;
  if (!r_.layout_db) return result;
  result.focus = Check(fields);
  if (result.focus) return result;
  LayoutStore store = Store();
  const int number = store.ChooseNewNumber();
  if (number == 0) return result;
  const int16_t selected = r_.current_layout;
  r_.current_layout = static_cast<int16_t>(number);
  const std::optional<QString> name = dialogs_.InputBox(kLayoutNamePrompt, kLayoutNameTitle);
  if (!name || name->isEmpty()) {
    // The buttons act on the selected entry again, not on a layout that was never made.
    r_.current_layout = selected;
    dialogs_.MsgBox(kNameCancelledMessage);
    return result;
  }
  const int written = store.CreateLayout(number, *name, r_.meet_no,
                                         SettingsOfFields(fields.texts, fields.paper_text));
  if (written == 0) {
    r_.current_layout = selected;
    return result;
  }
  r_.current_layout = static_cast<int16_t>(written);
  result.written = true;
  dialogs_.MsgBox(kLayoutRegisteredMessage, MsgButtons::Ok, MsgIcon::Information, kKvs210Caption);
  // The new layout's entry, also when its number filled a gap in the list.
  result.entry = ReadEntry([written](const LayoutStore::EditorView& view) {
    for (std::size_t row = 0; row < view.layouts.size(); ++row) {
      if (view.layouts[row].number == written) return static_cast<int>(row);
    }
    return -1;
  });
  return result;
}

std::optional<SavedLayout> LayoutEditorSession::EntryForButton(int row, const QString& message) {
  if (!r_.layout_db || row < 0 || row >= static_cast<int>(layouts_.size())) {
    dialogs_.MsgBox(message, MsgButtons::Ok, MsgIcon::Information);
    return std::nullopt;
  }
  return layouts_[row];
}

EditorWrite LayoutEditorSession::ChangeLayout(int row, const EditorFields& fields) {
  EditorWrite result;
  const std::optional<SavedLayout> entry = EntryForButton(row, kSelectListMessage);
  if (!entry) return result;
  if (dialogs_.MsgBox(ChangeQuestion(entry->name), MsgButtons::YesNo, MsgIcon::Question) !=
      Answer::Yes) {
    return result;
  }
  result.focus = Check(fields);
  if (result.focus) return result;
  const LayoutSettings settings = SettingsOfFields(fields.texts, fields.paper_text);
  if (!Store().ChangeSettings(entry->number, settings, loaded_, r_.meet_no)) return result;
  result.written = true;
  dialogs_.MsgBox(kLayoutChangedMessage);
  result.entry = ReadEntry([row](const LayoutStore::EditorView& view) {
    return std::min(row, static_cast<int>(view.layouts.size()) - 1);
  });
  return result;
}

bool LayoutEditorSession::DecideLayout(int row) {
  const std::optional<SavedLayout> entry = EntryForButton(row, kSelectListMessage);
  if (!entry) return false;
  r_.current_layout = static_cast<int16_t>(entry->number);
  if (!Store().DecideLayout(entry->number)) return false;
  dialogs_.MsgBox(DecidedMessage(entry->name), MsgButtons::Ok, MsgIcon::Information);
  return true;
}

bool LayoutEditorSession::RenameLayout(int row) {
  const std::optional<SavedLayout> entry = EntryForButton(row, kSelectListMessage);
  if (!entry) return false;
  LayoutStore store = Store();
  std::optional<QString> old_name;
  try {
    old_name = store.LayoutName(entry->number);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kRenameLayoutTitle);
    return false;
  }
  if (!old_name) {
    dialogs_.MsgBox(kLayoutGoneMessage);
    return false;
  }
  const std::optional<QString> name = dialogs_.InputBox(kRenameLayoutPrompt, kRenameLayoutTitle);
  if (!name || name->isEmpty()) return false;
  if (dialogs_.MsgBox(RenameQuestion(*old_name, *name), MsgButtons::YesNo, MsgIcon::Question,
                      kRenameLayoutTitle) != Answer::Yes) {
    return false;
  }
  return store.RenameLayout(entry->number, *name);
}

DeleteOutcome LayoutEditorSession::DeleteLayout(int row) {
  const std::optional<SavedLayout> entry = EntryForButton(row, kSelectListToDeleteMessage);
  if (!entry) return DeleteOutcome::kKept;
  if (dialogs_.MsgBox(DeleteQuestion(entry->name), MsgButtons::YesNo, MsgIcon::Question) !=
      Answer::Yes) {
    return DeleteOutcome::kKept;
  }
  LayoutStore store = Store();
  int decided = 0;
  try {
    decided = store.DecidedLayout();
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kKvs210Caption);
    return DeleteOutcome::kKept;
  }
  const bool in_force = decided == entry->number;
  if (in_force && dialogs_.MsgBox(kDeleteInForceQuestion, MsgButtons::YesNo,
                                  MsgIcon::Information) != Answer::Yes) {
    return DeleteOutcome::kKept;
  }
  // The store takes the decision back to 0 with the layout it names.
  if (!store.DeleteLayout(entry->number)) return DeleteOutcome::kKept;
  layouts_.erase(layouts_.begin() + row);
  if (!in_force) return DeleteOutcome::kDeleted;
  r_.current_layout = 0;
  return DeleteOutcome::kDeletedInForce;
}

std::optional<LayoutSettings> LayoutEditorSession::DefaultTexts(bool modified) {
  if (modified && dialogs_.MsgBox(kDefaultTextsQuestion, MsgButtons::YesNo, MsgIcon::Information,
                                  kAppTitle, 2) != Answer::Yes) {
    return std::nullopt;
  }
  return DefaultLayoutSettings(r_.meet, r_.today());
}

MeetTexts LayoutEditorSession::TakeMeetTexts() {
  const MeetTexts meet = MeetTextsOf(r_.meet);
  if (meet.cut) {
    dialogs_.MsgBox(MeetNameCutMessage(r_.meet, meet), MsgButtons::Ok, MsgIcon::Information,
                    kKvs210Caption);
  }
  return meet;
}

bool LayoutEditorSession::ConfirmClose(bool unsaved) {
  return !unsaved || dialogs_.MsgBox(kUnsavedFieldsQuestion, MsgButtons::YesNo, MsgIcon::Question,
                                     kKvs210Caption, 2) == Answer::Yes;
}

}  // namespace kvsys
