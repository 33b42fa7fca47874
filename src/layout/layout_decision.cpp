// The decision table 全体フォント: which layout is in force, kept to one row.
#include <memory>

#include "db/database.h"
#include "db/recordset.h"
#include "layout/layout_store.h"
#include "layout/store_transaction.h"

namespace kvsys {

namespace {

const QString kDuplicateDecisionMessage =
    QStringLiteral("何らかの原因でレイアウト変更が複数登録されています。") +
    QStringLiteral("\r\n") + QStringLiteral("レイアウトデータを初期状態に戻します。");

int IntOf(const QVariant& v) {
  return v.isNull() ? 0 : v.toInt();
}

}  // namespace

bool LayoutStore::WriteDecision(const QString& source, int type,
                                const std::function<void(Recordset&)>& set) {
  try {
    // Under the write lock, so two workstations deciding on an empty table add one row, not two.
    StoreTransaction tx(db_);
    auto rs = db_.OpenRecordset(source, type);
    if (!rs->Eof()) {
      rs->MoveFirst();
      rs->Edit();
    } else {
      rs->AddNew();
    }
    set(*rs);
    if (UpdateRow(*rs) != Outcome::kWritten) return false;
    tx.Commit();
    return true;
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return false;
  }
}

bool LayoutStore::DecideLayout(int number) {
  return WriteDecision(QStringLiteral("select * from 全体フォント"), dbOpenDynaset,
                       [&](Recordset& rs) {
                         rs.SetField(QStringLiteral("全体フォント"), kDecisionFont);
                         rs.SetField(QStringLiteral("決定"), number);
                       });
}

// From the preview only 決定 changes; with no row to edit, the decision must still be kept.
bool LayoutStore::DecideFromPreview(int number) {
  return WriteDecision(QStringLiteral("全体フォント"), dbOpenTable,
                       [&](Recordset& rs) { rs.SetField(QStringLiteral("決定"), number); });
}

DecisionRow LayoutStore::KeepOneDecisionRow(const QString& first_font) {
  // Each round either returns or leaves an empty table behind, so three rounds always do.
  for (int round = 0; round < 3; ++round) {
    auto rs = db_.OpenRecordset(QStringLiteral("Select * from 全体フォント"));
    const int rows = rs->RecordCount();
    if (rows == 1) {
      return {IntOf(rs->Field(QStringLiteral("決定"))),
              rs->Field(QStringLiteral("全体フォント")).toString()};
    }
    rs->Close();
    if (rows > 1) {
      dialogs_.MsgBox(kDuplicateDecisionMessage, MsgButtons::Ok, MsgIcon::Critical);
      db_.Execute(QStringLiteral("Delete * from 全体フォント"), dbFailOnError);
      continue;
    }
    // No row: add one without a decision. Under the write lock, so that two workstations
    // activating their print lists at once add one row between them.
    StoreTransaction tx(db_);
    auto add = db_.OpenRecordset(QStringLiteral("Select * from 全体フォント"));
    if (add->Eof()) {
      add->AddNew();
      add->SetField(QStringLiteral("全体フォント"), first_font);
      add->Update();
    }
    add->Close();
    tx.Commit();
  }
  throw DbError(dberr::kEngineFailure);
}

bool LayoutStore::SetDecisionFont(const QString& font) {
  auto rs = db_.OpenRecordset(QStringLiteral("select * from 全体フォント"));
  if (rs->RecordCount() != 1) return false;
  rs->Edit();
  rs->SetField(QStringLiteral("全体フォント"), font);
  rs->Update();
  return true;
}

}  // namespace kvsys
