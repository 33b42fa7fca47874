#pragma once

#include <QDate>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "db/db_error.h"
#include "layout/layout_fields.h"
#include "layout/layout_settings.h"
#include "layout/layout_store.h"
#include "results/meet_settings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace kvsys {

class Database;
class Dialogs;

// The records of the application the layout editor works with, by reference.
struct LayoutEditorRecords {
  DbErrorState& state;
  std::shared_ptr<Database>& layout_db;
  const MeetSettings& meet;
  const int16_t& meet_no;   // the selected meet, kept with a new layout
  int16_t& current_layout;  // the layout the buttons act on; program-wide
  std::function<QDate()> today = [] { return QDate::currentDate(); };
};

// The window caption, also the title of its checks' messages.
inline const QString kKvs210Caption = QStringLiteral("賞状印刷設定");

// The layout editor: the saved layouts, the print settings of the selected one (texts, rank
// limits, paper size), and 新規, 変更, 決定, 名前の変更, 削除. A sub-window of the main window.
class KVS210 : public QWidget {
  Q_OBJECT

 public:
  KVS210(LayoutEditorRecords records, Dialogs& dialogs, QWidget* parent = nullptr);
  ~KVS210() override;

  // Loading the window: the paper list, the decided layout, the list of layouts, the fields.
  void Open();

  void SelectEntry(int row);  // a click in the list
  void NewLayout();           // 新規(F5)
  void ChangeLayout();        // 変更(F6)
  void DecideLayout();        // 決定(F9)
  void RenameLayout();        // 名前の変更
  void DeleteLayout();        // 削除
  void DefaultTexts();        // ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ
  void CloseWindow();         // 閉じる(F10), Esc

  bool Modified() const { return flags_.modified; }
  // The field texts in tab order, and the settings they make.
  LayoutFieldTexts FieldTexts() const;

  QListWidget* List1;
  QLabel* lblCurR;
  QLineEdit* TXT_H;
  QLineEdit* TXT_T;
  QLineEdit* TXT_F;
  QLineEdit* TXT_B;
  QLineEdit* TXT_TITLE;
  QLineEdit* TXT_KAISU;
  QPlainTextEdit* TXT_TAIKAI;
  QLineEdit* TXT_TAIKAI2;
  QPlainTextEdit* TXT_BUN;
  QLineEdit* TXT_YMD;
  QLineEdit* TXT_PRTTL;
  QLineEdit* TXT_PRS;
  QComboBox* SHEET_COMBO;
  QPushButton* SSCommand1;  // 新規(F5)
  QPushButton* SSCommand4;  // 変更(F6)
  QPushButton* SSCommand2;  // 決定(F9)
  QPushButton* SSCommand3;  // 閉じる(F10)
  QPushButton* SSCommand5;  // 名前の変更
  QPushButton* SSDelete;    // 削除
  QPushButton* cmdDef;      // ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  bool HandleKey(QKeyEvent* event);
  LayoutStore Store();
  QWidget* Field(int field) const { return fields_[field]; }
  void SetFieldText(int field, const QString& text);
  void ShowSettings(const LayoutSettings& settings);
  // Step 3 of selecting an entry: the layout's row, or the first default set without one.
  void LoadFields(int number);
  // Rebuilds the list from 保存名; nothing is selected afterwards.
  bool FillList();
  void ShowList(const std::vector<SavedLayout>& layouts);
  // The fields of a KVS210 row as read (nullopt: the first default set), remembered for 変更.
  void ShowLoaded(const std::optional<LayoutSettings>& stored);
  // The list, the decided layout and the row pick chooses, in one read of KVSYS.mdb; nullopt
  // after the error was reported.
  std::optional<LayoutStore::EditorView> ReadView(
      const std::function<int(const LayoutStore::EditorView&)>& pick);
  // After a write: the list read again with the fields of the entry row_of chooses in it (-1
  // for none), from one read.
  void ShowEntry(const std::function<int(const LayoutStore::EditorView&)>& row_of);
  int RowOfNumber(int number) const;
  // Selects a row as the program does; reload runs the selection's steps, without it only
  // the name and the current number follow.
  void SelectRow(int row, bool reload = true);
  void SetEntryButtons(bool enabled);
  void ClearSelection();
  // SUB_CmdBtnTrue.
  void FieldChanged();
  // The checks 新規 and 変更 share; false after a message.
  bool Checks();
  void Focus(int field);

  LayoutEditorRecords r_;
  Dialogs& dialogs_;
  std::array<QWidget*, kLayoutFieldCount> fields_{};
  LayoutEditFlags flags_;
  // The KVS210 row as it was read for the fields (nullopt: it had none), so that 変更 sees a
  // change another workstation made meanwhile.
  std::optional<LayoutSettings> loaded_;
  bool loading_ = false;  // the program is writing the controls
  // The field texts as they stood before their next change, which the byte limits compare with.
  std::array<QString, kLayoutFieldCount> shown_texts_{};
};

}  // namespace kvsys
