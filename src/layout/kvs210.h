#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "layout/layout_editor_session.h"
#include "layout/layout_fields.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QKeyEvent;

namespace kvsys {

class Dialogs;

// The layout editor: the saved layouts, the print settings of the selected one (texts, rank
// limits, paper size), and 新規, 変更, 決定, 名前の変更, 削除. A sub-window of the main window;
// what its buttons do is the session's.
class KVS210 : public QWidget {
  Q_OBJECT

 public:
  KVS210(LayoutEditorRecords records, Dialogs& dialogs, QWidget* parent = nullptr);
  ~KVS210() override;

  // Loading the window: the paper list, the decided layout, the list of layouts, the fields.
  void Open();

  bool Modified() const { return flags_.modified; }
  // The field texts in tab order, and the settings they make.
  LayoutFieldTexts FieldTexts() const;

 public slots:
  void SelectEntry(int row);  // a click in the list
  void NewLayout();           // 新規(F5)
  void ChangeLayout();        // 変更(F6)
  void DecideLayout();        // 決定(F9)
  void RenameLayout();        // 名前の変更
  void DeleteLayout();        // 削除
  void DefaultTexts();        // ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ
  void TakeMeetTexts();       // 大会名取込
  void CloseWindow();         // 閉じる(F10), Esc

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void PaperChosen();
  // A line field's text changed (typed, or written by the program).
  void LineChanged(int field, const QString& text);
  // A field of several lines changed: the operator's edit is kept to one paragraph within the
  // byte limit.
  void BoxChanged(int field);

 private:
  void BuildControls();
  QWidget* BuildField(int field);
  void LayOutControls();
  void ConnectControls();
  bool HandleKey(QKeyEvent* event);
  void SetFieldText(int field, const QString& text);
  void ShowSettings(const LayoutSettings& settings);
  // The list as the session holds it; nothing is selected afterwards.
  void ShowList();
  // The list read again after a write, with the entry the session chose in it.
  void ShowEntry(const std::optional<EditorEntry>& entry);
  // Selects a row as the program does; reload runs the selection's steps, without it only
  // the name and the current number follow.
  void SelectRow(int row, bool reload = true);
  void SetEntryButtons(bool enabled);
  void ClearSelection();
  // SUB_CmdBtnTrue.
  void FieldChanged();
  EditorFields Fields() const;
  void Focus(int field);
  bool IsRankField(const QObject* control) const;

  LayoutEditorSession session_;
  std::array<QWidget*, kLayoutFieldCount> fields_{};
  LayoutEditFlags flags_;
  bool loading_ = false;  // the program is writing the controls
  // The field texts as they stood before their next change, which the byte limits compare with.
  std::array<QString, kLayoutFieldCount> shown_texts_{};
  // The fields and paper as last shown from a layout or a default set: closing asks when the
  // operator changed them since.
  LayoutFieldTexts loaded_texts_{};
  QString loaded_paper_;

  QListWidget* List1;
  QLabel* lblCurR;
  QComboBox* SHEET_COMBO;
  QPushButton* SSCommand1;  // 新規(F5)
  QPushButton* SSCommand4;  // 変更(F6)
  QPushButton* SSCommand2;  // 決定(F9)
  QPushButton* SSCommand3;  // 閉じる(F10)
  QPushButton* SSCommand5;  // 名前の変更
  QPushButton* SSDelete;    // 削除
  QPushButton* cmdDef;      // ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ
  QPushButton* cmdMeet;     // 大会名取込
};

}  // namespace kvsys
