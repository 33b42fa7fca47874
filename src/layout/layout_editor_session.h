#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "db/db_error.h"
#include "layout/layout_fields.h"
#include "layout/layout_settings.h"
#include "layout/layout_store.h"
#include "results/meet_settings.h"

namespace kvsys {

class Database;
class Dialogs;

// The window caption, also the title of its checks' messages.
inline const QString kKvs210Caption = QStringLiteral("賞状印刷設定");

inline const QString kSelectListMessage = QStringLiteral("リストを選択してください。");
// 削除 has always written it so.
inline const QString kSelectListToDeleteMessage = QStringLiteral("リストを選択して下さい。");
inline const QString kChooseLayoutMessage = QStringLiteral("レイアウトを指定してください。");
inline const QString kOtherDateQuestion =
    QStringLiteral("日付が本日の日付と異なります。よろしいですか？");
inline const QString kLayoutNamePrompt = QStringLiteral("名前をつけてください。");
inline const QString kLayoutNameTitle = QStringLiteral("内容の保存");
inline const QString kNameCancelledMessage = QStringLiteral("キャンセルされました。");
inline const QString kLayoutRegisteredMessage = QStringLiteral("登録されました。");
inline const QString kLayoutChangedMessage = QStringLiteral("完了しました。");
inline const QString kRenameLayoutTitle = QStringLiteral("名前の変更");
inline const QString kRenameLayoutPrompt = QStringLiteral("変更後の名前を入れてください。");
inline const QString kLayoutGoneMessage =
    QStringLiteral("データが存在しません。誤って消去された可能性があります。");
inline const QString kDeleteInForceQuestion =
    QStringLiteral("削除しようとしているレイアウトが、現在のレイアウトに設定されています。") +
    u'\r' +
    QStringLiteral("削除を実行した後、レイアウトを決定しないと、デフォルト設定になります。") +
    QStringLiteral("\r\r") + QString(24, u' ') + QStringLiteral("削除を実行しますか？");
inline const QString kDefaultTextsQuestion =
    QStringLiteral("設定が変更されています。デフォルトに戻しますか？");
inline const QString kUnsavedFieldsQuestion =
    QStringLiteral("入力した内容が保存されていません。保存せずに閉じますか？");

// "県大会の内容を変更します。\rよろしいですか？" and the other questions naming a layout.
QString ChangeQuestion(const QString& name);
QString DecidedMessage(const QString& name);
QString RenameQuestion(const QString& old_name, const QString& new_name);
QString DeleteQuestion(const QString& name);

// The records of the application the layout editor works with, by reference.
struct LayoutEditorRecords {
  DbErrorState& state;
  std::shared_ptr<Database>& layout_db;
  const MeetSettings& meet;
  const int16_t& meet_no;   // the selected meet, kept with a new layout
  int16_t& current_layout;  // the layout the buttons act on; program-wide
  std::function<QDate()> today = [] { return QDate::currentDate(); };
};

// What the fields hold when a button is pressed.
struct EditorFields {
  LayoutFieldTexts texts;
  QString paper_text;     // the paper size as the combo box shows it
  bool modified = false;  // the operator changed a field since it was loaded or saved
};

// The entry to select in the list read afresh, and what the fields show for it.
struct EditorEntry {
  int row = -1;  // -1: none
  LayoutSettings fields;
};

// The outcome of 新規 and 変更: the field a check sends the operator to, or the list and entry
// to show after the write.
struct EditorWrite {
  std::optional<LayoutField> focus;
  bool written = false;
  // After a write: the entry; nullopt when it could not be read back (gone meanwhile).
  std::optional<EditorEntry> entry;
};

enum class DeleteOutcome { kKept, kDeleted, kDeletedInForce };

// The layout editor below its window: the list of saved layouts, the layout the buttons act on,
// the settings read for the fields, and the flows of its buttons (asking, checking, writing,
// telling). No widgets: the window hands in what the fields hold and shows what comes back.
class LayoutEditorSession {
 public:
  LayoutEditorSession(LayoutEditorRecords records, Dialogs& dialogs);

  bool HasDatabase() const { return static_cast<bool>(r_.layout_db); }
  // The saved layouts as the list shows them.
  const std::vector<SavedLayout>& Layouts() const { return layouts_; }
  // The entry of a row, which the buttons then act on; nullopt outside the list.
  std::optional<SavedLayout> Choose(int row);

  // Loading: the list, and the decided layout's entry (-1 when it has none in the list) with
  // the fields of its settings row (the first default set without one); nullopt after a
  // reported error or without a database.
  std::optional<EditorEntry> Open();
  // A click in the list: its entry (the buttons act on it), or nullopt after
  // kChooseLayoutMessage.
  std::optional<SavedLayout> SelectEntry(int row);
  // The fields of a layout's settings row, or the first default set without one; nullopt after
  // a reported error.
  std::optional<LayoutSettings> ReadFields(int number);
  // The list read again; false (and an empty list) after a reported error.
  bool ReadList();

  // The checks 新規 and 変更 share; the field to go to after a message, nullopt when they pass.
  std::optional<LayoutField> Check(const EditorFields& fields);
  // 新規(F5): checks, a free number, the name, the write; the new layout's entry.
  EditorWrite NewLayout(const EditorFields& fields);
  // 変更(F6) of the entry in row.
  EditorWrite ChangeLayout(int row, const EditorFields& fields);
  // 決定(F9) of the entry in row; true when decided.
  bool DecideLayout(int row);
  // 名前の変更 of the entry in row; true when renamed (the list is then to be read again).
  bool RenameLayout(int row);
  // 削除 of the entry in row; a deleted entry leaves the list.
  DeleteOutcome DeleteLayout(int row);
  // ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ: the default texts, after asking when the operator changed a field.
  std::optional<LayoutSettings> DefaultTexts(bool modified);
  // 大会名取込: the selected meet's edition and name lines (nothing else changes), after
  // telling the operator when the name did not fit its field.
  MeetTexts TakeMeetTexts();
  // 閉じる(F10), Esc: true when the window may close (nothing typed is lost unasked).
  bool ConfirmClose(bool unsaved);

 private:
  LayoutStore Store();
  // The list, and the settings of the entry pick chooses, in one read; nullopt after the error
  // was reported.
  std::optional<LayoutStore::EditorView> ReadView(
      const std::function<int(const LayoutStore::EditorView&)>& pick);
  // After a write: the list read again with the entry row_of chooses in it.
  std::optional<EditorEntry> ReadEntry(
      const std::function<int(const LayoutStore::EditorView&)>& row_of);
  // The fields of a KVS210 row as read (nullopt: the first default set), remembered for 変更.
  LayoutSettings Loaded(const std::optional<LayoutSettings>& stored);
  // The entry of row after the list message of a button; nullopt without one.
  std::optional<SavedLayout> EntryForButton(int row, const QString& message);

  LayoutEditorRecords r_;
  Dialogs& dialogs_;
  std::vector<SavedLayout> layouts_;
  // The KVS210 row as it was read for the fields (nullopt: it had none), so that 変更 sees a
  // change another workstation made meanwhile.
  std::optional<LayoutSettings> loaded_;
};

}  // namespace kvsys
