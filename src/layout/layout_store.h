#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "common/dialogs.h"
#include "db/db_error.h"
#include "layout/layout_settings.h"

namespace kvsys {

class Database;
class Recordset;
struct CertificateLayout;

// Layout numbers run from 1 to 99; 0 means "no layout".
inline constexpr int kMaxLayoutNumber = 99;

// Title of the messages of the store's error handler.
inline const QString kLayoutSaveTitle = QStringLiteral("賞状印刷設定登録");
// Font face of every item of a new layout (full-width letters, one ASCII blank).
inline const QString kNewLayoutFont = QStringLiteral("ＭＳ 明朝");
// What the editor's decision writes into 全体フォント (full-width letters and blank).
inline const QString kDecisionFont = QStringLiteral("ＭＳ　明朝");
// Bold and italic codes: 1 is on, anything else off; layouts store 2 for off.
inline constexpr int kStyleOn = 1;
inline constexpr int kStyleOff = 2;

// One saved layout (a 保存名 row).
struct SavedLayout {
  int number = 0;
  QString name;
};

// The single row of 全体フォント as the print list uses it.
struct DecisionRow {
  int decided = 0;  // 決定; 0 when empty
  QString font;     // 全体フォント
};

// The operations on the layouts of KVSYS.mdb, as the layout editor, the print list and the
// preview call them. Reads raise DbError. Writes report their own database errors through the
// store's error handler and return whether they were carried out: nothing is reported as done
// when it was not, and a write that fails leaves no part of itself behind.
class LayoutStore {
 public:
  LayoutStore(Database& db, Dialogs& dialogs, DbErrorState& errors)
      : db_(db), dialogs_(dialogs), errors_(errors) {}

  // Saved layouts in number order ("select * from 保存名 order by savenumber").
  std::vector<SavedLayout> ListLayouts();
  // The name of layout n; nullopt when it has no 保存名 row. A Null name reads as empty.
  std::optional<QString> LayoutName(int number);
  // The KVS210 row of layout n, read by column position; nullopt when there is none. Empty
  // rank limits read as 0, empty texts as empty, an empty paper code as 0.
  std::optional<LayoutSettings> ReadSettings(int number);
  // The meet (大会No.) layout n was made for, FLDA of its KVS210 row; 0 when none is kept.
  int LayoutMeet(int number);
  // 決定 of the first 全体フォント row; 0 when there is no row or it is empty.
  int DecidedLayout();
  // The number of the first saved layout named name; 0 when there is none.
  int FindLayoutNamed(const QString& name);

  // What the layout editor shows: the saved layouts, the decided layout and the KVS210 row of
  // the layout pick chooses from them (settings nullopt when it has none), read in one read
  // transaction. Raises DbError.
  struct EditorView {
    std::vector<SavedLayout> layouts;
    int decided = 0;
    int number = 0;
    std::optional<LayoutSettings> settings;
  };
  EditorView ReadEditorView(const std::function<int(const EditorView&)>& pick);

  // The lowest number from 1 to 99 that neither KVS210 nor 保存名 holds; 0 when all are taken.
  int FindFreeNumber();
  // The number a new layout gets (新規, before the name is asked). Shows the no-free-number
  // message or the handler's message and returns 0 when there is none.
  int ChooseNewNumber();

  // Writes the five rows of a new layout in one transaction: 保存名, KVS210, フォント (new-layout
  // fonts and sizes, bold and italic 2), 座標 (0) and ShowOrNot (0). When another workstation
  // took the number meanwhile, the next free number is used. Returns the number written, or 0
  // after a message when nothing was written.
  int CreateLayout(int number, const QString& name, int meet_no, const LayoutSettings& settings);
  // Rewrites FLDB to FLDN of layout n. A missing row shows "データが存在しません。…".
  bool ChangeSettings(int number, const LayoutSettings& settings);
  // As above for the editor, which shows the row as it read it (as_read; nullopt when there
  // was none): when another workstation has written the row since, it is overwritten only when
  // the operator answers Yes to the overwrite question. The row is compared and written in one
  // transaction under the write lock. meet_no, when not 0, becomes the meet the layout is for
  // (taikai_no, FLDA): the operator saved its texts with that meet selected.
  bool ChangeSettings(int number, const LayoutSettings& settings,
                      const std::optional<LayoutSettings>& as_read, int meet_no = 0);
  // Rewrites the name of layout n.
  bool RenameLayout(int number, const QString& name);
  // Removes layout n from 保存名, KVS210, ShowOrNot, フォント and 座標, in that order, in one
  // transaction; a table without the row is skipped. When n is the decided layout, 決定
  // becomes 0 in the same transaction.
  bool DeleteLayout(int number);
  // The editor's decision: the first 全体フォント row (added when there is none) gets
  // 全体フォント "ＭＳ　明朝" and 決定 n.
  bool DecideLayout(int number);
  // The preview's decision: 決定 of the 全体フォント row becomes n, nothing else changes.
  bool DecideFromPreview(int number);

  // Runs write in one transaction under the write lock: another process doing the same waits
  // and then sees all of it, and a run killed halfway leaves none of it. The store's writes
  // called from write join that transaction. Committed when write returns true, else rolled
  // back; false when write failed, or after a message when the lock or a read failed.
  bool WriteInOneTransaction(const std::function<bool()>& write);

  // Asks whether to overwrite what another workstation changed (No is the default button).
  bool ConfirmOverwrite();
  // The preview's show-flag store: items 0 to 17 of layout into the ShowOrNot row of n (1 when
  // hidden, else 0), the row added when there is none.
  bool StoreShowFlags(int number, const CertificateLayout& layout);
  // The preview's layout save: fonts (items 0 to 17), positions (0 to 18) and show flags of
  // layout written over the rows of n in one transaction. Missing フォント or 座標 rows show
  // "データが存在しません。…" and nothing is written.
  bool SaveLayoutRows(int number, const CertificateLayout& layout);

  // Keeps 全体フォント to one row and returns it (print list activation): with no row one is
  // added holding first_font and no decision; with several the operator is told and the table
  // is emptied first. Raises DbError; the caller reports it.
  DecisionRow KeepOneDecisionRow(const QString& first_font);
  // The print list's font choice: written only when 全体フォント has exactly one row. Raises
  // DbError. True when written.
  bool SetDecisionFont(const QString& font);

  // Update of a pending AddNew or Edit under the store's error handler, for writers of layout
  // rows: a row deleted by another workstation is skipped (kSkipped, no message); a row changed
  // by another one is overwritten when the operator answers Yes to the question, else the edit
  // is cancelled; every other error is reported and the edit cancelled (kStopped).
  enum class Outcome { kWritten, kSkipped, kStopped };
  Outcome UpdateRow(Recordset& rs);

 private:
  enum class Action { kRetry, kSkip, kStop };

  // The store's error handler: reports the error as the operator must see it and says how the
  // operation goes on. pending is the recordset whose edit failed, if any.
  Action HandleError(const DbError& error, Recordset* pending);
  void ShowNoData();
  // True when written; a row deleted meanwhile is reported as missing data.
  bool Written(Outcome outcome);
  // The settings of the current row of a KVS210 recordset.
  static LayoutSettings SettingsOfRow(Recordset& row);
  // Edits the one row the statement selects; a row missing, or deleted by another
  // workstation before the write, is reported as missing data.
  bool EditExistingRow(const QString& sql, const std::function<void(Recordset&)>& set);
  // Writes the decision row under the write lock: the first row edited, or one added.
  bool WriteDecision(const QString& source, int type, const std::function<void(Recordset&)>& set);
  int FindFreeNumberIn(Recordset& kvs210, Recordset& names);
  Outcome WriteNewLayout(int number, const QString& name, int meet_no,
                         const LayoutSettings& settings);

  Database& db_;
  Dialogs& dialogs_;
  DbErrorState& errors_;
};

}  // namespace kvsys
