#include "layout/layout_store.h"

#include <memory>

#include "db/database.h"
#include "db/db_error_report.h"
#include "db/recordset.h"
#include "layout/layout_items.h"
#include "layout/store_transaction.h"

namespace kvsys {

namespace {

const QString kNoFreeNumberMessage =
    QStringLiteral("空き番号がありません。最大９９個まで保存可能です。");
const QString kNoDataMessage =
    QStringLiteral("データが存在しません。誤って消去された可能性があります。");
const QString kOverwriteQuestion = QStringLiteral("他の端末がデータを変更しました。") + u'\r' +
                                   QStringLiteral("このデータを上書き保存しますか？");

QString Num(int n) {
  return QString::number(n);
}

int IntOf(const QVariant& v) {
  return v.isNull() ? 0 : v.toInt();
}
QString TextOf(const QVariant& v) {
  return v.isNull() ? QString() : v.toString();
}

void SetSettings(Recordset& rs, const LayoutSettings& s) {
  rs.SetField(QStringLiteral("FLDB"), s.rank_heats);
  rs.SetField(QStringLiteral("FLDC"), s.rank_timed_final);
  rs.SetField(QStringLiteral("FLDD"), s.rank_final);
  rs.SetField(QStringLiteral("FLDE"), s.rank_b_final);
  rs.SetField(QStringLiteral("FLDF"), s.title);
  rs.SetField(QStringLiteral("FLDG"), s.edition);
  rs.SetField(QStringLiteral("FLDH"), s.meet_name1);
  rs.SetField(QStringLiteral("FLDI"), s.meet_name2);
  rs.SetField(QStringLiteral("FLDJ"), s.body);
  rs.SetField(QStringLiteral("FLDK"), s.date);
  rs.SetField(QStringLiteral("FLDL"), s.presenter_title);
  rs.SetField(QStringLiteral("FLDM"), s.presenter);
  rs.SetField(QStringLiteral("FLDN"), s.paper_code);
}

// The tables of a layout, in the order they are emptied when it is deleted.
const QStringList& DeleteOrder() {
  static const QStringList tables = {QStringLiteral("保存名"), QStringLiteral("KVS210"),
                                     QStringLiteral("ShowOrNot"), QStringLiteral("フォント"),
                                     QStringLiteral("座標")};
  return tables;
}

}  // namespace

LayoutStore::Action LayoutStore::HandleError(const DbError& error, Recordset* pending) {
  Action action = Action::kStop;
  if (IsDbLockError(error, errors_)) {
    switch (error.number()) {
      case dberr::kRowDeleted:
        return Action::kSkip;
      case dberr::kRowChanged:
        if (dialogs_.MsgBox(kOverwriteQuestion, MsgButtons::YesNo, MsgIcon::Question, kAppTitle,
                            2) == Answer::Yes) {
          return Action::kRetry;
        }
        break;
      case dberr::kDuplicateKey:
      case dberr::kLocked:
        dialogs_.MsgBox(kBusyMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
        break;
      default:
        dialogs_.MsgBox(errors_.LastDbErrorText, MsgButtons::Ok, MsgIcon::Exclamation,
                        kLayoutSaveTitle);
        break;
    }
  } else {
    dialogs_.MsgBox(Num(error.number()) + error.text(), MsgButtons::Ok, MsgIcon::Critical,
                    kLayoutSaveTitle);
  }
  if (pending != nullptr && pending->IsOpen()) pending->CancelUpdate();
  return action;
}

LayoutStore::Outcome LayoutStore::UpdateRow(Recordset& rs) {
  for (;;) {
    try {
      rs.Update();
      return Outcome::kWritten;
    } catch (const DbError& e) {
      switch (HandleError(e, &rs)) {
        case Action::kRetry:
          // The recordset now holds the other workstation's row with our edit still
          // pending: updating again overwrites it.
          continue;
        case Action::kSkip:
          return Outcome::kSkipped;
        case Action::kStop:
          return Outcome::kStopped;
      }
    }
  }
}

bool LayoutStore::ConfirmOverwrite() {
  return dialogs_.MsgBox(kOverwriteQuestion, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2) ==
         Answer::Yes;
}

void LayoutStore::ShowNoData() {
  dialogs_.MsgBox(kNoDataMessage);
}

std::vector<SavedLayout> LayoutStore::ListLayouts() {
  std::vector<SavedLayout> out;
  auto rs =
      db_.OpenRecordset(QStringLiteral("select * from 保存名 order by savenumber"), dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    out.push_back({IntOf(rs->Field(QStringLiteral("SaveNumber"))),
                   TextOf(rs->Field(QStringLiteral("savename")))});
  }
  return out;
}

std::optional<QString> LayoutStore::LayoutName(int number) {
  auto rs = db_.OpenRecordset(
      QStringLiteral("select savename from 保存名 where savenumber=") + Num(number),
      dbOpenSnapshot);
  if (rs->Eof()) return std::nullopt;
  return TextOf(rs->Field(QStringLiteral("savename")));
}

std::optional<LayoutSettings> LayoutStore::ReadSettings(int number) {
  auto rs = db_.OpenRecordset(
      QStringLiteral("select * from KVS210 where savenumber=") + Num(number), dbOpenSnapshot);
  if (rs->Eof()) return std::nullopt;
  return SettingsOfRow(*rs);
}

LayoutSettings LayoutStore::SettingsOfRow(Recordset& row) {
  // By position, as every reader of KVS210 takes it.
  LayoutSettings s;
  s.rank_heats = IntOf(row.Field(2));
  s.rank_timed_final = IntOf(row.Field(3));
  s.rank_final = IntOf(row.Field(4));
  s.rank_b_final = IntOf(row.Field(5));
  s.title = TextOf(row.Field(6));
  s.edition = TextOf(row.Field(7));
  s.meet_name1 = TextOf(row.Field(8));
  s.meet_name2 = TextOf(row.Field(9));
  s.body = TextOf(row.Field(10));
  s.date = TextOf(row.Field(11));
  s.presenter_title = TextOf(row.Field(12));
  s.presenter = TextOf(row.Field(13));
  s.paper_code = IntOf(row.Field(14));
  return s;
}

int LayoutStore::LayoutMeet(int number) {
  auto rs = db_.OpenRecordset(
      QStringLiteral("select FLDA from KVS210 where savenumber=") + Num(number), dbOpenSnapshot);
  return rs->Eof() ? 0 : IntOf(rs->Field(0));
}

int LayoutStore::DecidedLayout() {
  auto rs = db_.OpenRecordset(QStringLiteral("select 決定 from 全体フォント"), dbOpenSnapshot);
  if (rs->Eof()) return 0;
  return IntOf(rs->Field(QStringLiteral("決定")));
}

LayoutStore::EditorView LayoutStore::ReadEditorView(
    const std::function<int(const EditorView&)>& pick) {
  // One read: another workstation saving meanwhile cannot give the list of one version and
  // the texts of the other.
  ReadTransaction snapshot(db_);
  EditorView view;
  view.decided = DecidedLayout();
  view.layouts = ListLayouts();
  view.number = pick(view);
  view.settings = ReadSettings(view.number);
  return view;
}

int LayoutStore::FindLayoutNamed(const QString& name) {
  for (const SavedLayout& saved : ListLayouts()) {
    if (saved.name == name) return saved.number;
  }
  return 0;
}

bool LayoutStore::WriteInOneTransaction(const std::function<bool()>& write) {
  try {
    StoreTransaction tx(db_);
    if (!write()) return false;
    tx.Commit();
    return true;
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return false;
  }
}

int LayoutStore::FindFreeNumberIn(Recordset& kvs210, Recordset& names) {
  for (int n = 1; n <= kMaxLayoutNumber; ++n) {
    const QString criteria = QStringLiteral("SaveNumber =") + Num(n);
    if (kvs210.RecordCount() > 0) {
      kvs210.FindFirst(criteria);
      if (!kvs210.NoMatch()) continue;
    }
    // A name whose settings row was lost still holds its number: reusing it would give two
    // layouts one number.
    if (names.RecordCount() > 0) {
      names.FindFirst(criteria);
      if (!names.NoMatch()) continue;
    }
    return n;
  }
  return 0;
}

int LayoutStore::FindFreeNumber() {
  auto kvs210 = db_.OpenRecordset(QStringLiteral("select * from KVS210"), dbOpenDynaset);
  auto names = db_.OpenRecordset(QStringLiteral("select * from 保存名"), dbOpenSnapshot);
  return FindFreeNumberIn(*kvs210, *names);
}

int LayoutStore::ChooseNewNumber() {
  int number = 0;
  try {
    number = FindFreeNumber();
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return 0;
  }
  if (number == 0) dialogs_.MsgBox(kNoFreeNumberMessage);
  return number;
}

LayoutStore::Outcome LayoutStore::WriteNewLayout(int number, const QString& name, int meet_no,
                                                 const LayoutSettings& settings) {
  const QString n = Num(number);
  Outcome outcome = Outcome::kWritten;
  auto add = [&](Recordset& rs) {
    if (outcome == Outcome::kStopped) return;
    if (UpdateRow(rs) == Outcome::kStopped) outcome = Outcome::kStopped;
  };

  {
    auto rs = db_.OpenRecordset(QStringLiteral("select * from 保存名 where savenumber=") + n);
    rs->AddNew();
    rs->SetField(QStringLiteral("SaveNumber"), number);
    rs->SetField(QStringLiteral("taikai_no"), meet_no);
    rs->SetField(QStringLiteral("savename"), name);
    add(*rs);
  }
  if (outcome == Outcome::kStopped) return outcome;
  {
    auto rs = db_.OpenRecordset(QStringLiteral("select * from KVS210"));
    rs->AddNew();
    rs->SetField(QStringLiteral("SaveNumber"), number);
    rs->SetField(QStringLiteral("FLDA"), meet_no);
    SetSettings(*rs, settings);
    add(*rs);
  }
  if (outcome == Outcome::kStopped) return outcome;
  {
    auto rs = db_.OpenRecordset(QStringLiteral("select * from フォント where SaveNumber=") + n);
    rs->AddNew();
    rs->SetField(QStringLiteral("SaveNumber"), number);
    for (int i = 0; i < kFontItemCount; ++i) {
      rs->SetField(FontNameColumn(i), kNewLayoutFont);
      rs->SetField(FontSizeColumn(i), kLayoutItems[i].new_size);
      rs->SetField(FontBoldColumn(i), kStyleOff);
      rs->SetField(FontItalicColumn(i), kStyleOff);
    }
    add(*rs);
  }
  if (outcome == Outcome::kStopped) return outcome;
  {
    // The honorific's position (殿X/殿Y) keeps the table's default, 0.
    auto rs = db_.OpenRecordset(QStringLiteral("select * from 座標 where SaveNumber=") + n);
    rs->AddNew();
    rs->SetField(QStringLiteral("SaveNumber"), number);
    for (int i = 0; i < kFontItemCount; ++i) {
      rs->SetField(PositionXColumn(i), 0);
      rs->SetField(PositionYColumn(i), 0);
    }
    add(*rs);
  }
  if (outcome == Outcome::kStopped) return outcome;
  {
    auto rs = db_.OpenRecordset(QStringLiteral("select * from ShowOrNot where savenumber=") + n);
    rs->AddNew();
    rs->SetField(QStringLiteral("SaveNumber"), number);
    for (int i = 0; i < kFontItemCount; ++i) rs->SetField(ShowColumn(i), 0);
    add(*rs);
  }
  return outcome;
}

int LayoutStore::CreateLayout(int number, const QString& name, int meet_no,
                              const LayoutSettings& settings) {
  try {
    // The write lock is taken before the number is checked, so two workstations that chose
    // the same number one after the other cannot both store it.
    StoreTransaction tx(db_);
    {
      auto kvs210 = db_.OpenRecordset(QStringLiteral("select * from KVS210"), dbOpenDynaset);
      auto names = db_.OpenRecordset(QStringLiteral("select * from 保存名"), dbOpenSnapshot);
      bool taken = number < 1 || number > kMaxLayoutNumber;
      if (!taken) {
        const QString criteria = QStringLiteral("SaveNumber =") + Num(number);
        kvs210->FindFirst(criteria);
        names->FindFirst(criteria);
        taken = !kvs210->NoMatch() || !names->NoMatch();
      }
      if (taken) number = FindFreeNumberIn(*kvs210, *names);
    }
    if (number == 0) {
      tx.Rollback();
      dialogs_.MsgBox(kNoFreeNumberMessage);
      return 0;
    }
    // Rows of this number left in the other tables by an interrupted deletion belong to no
    // listed layout; they would stand in the way of the new rows.
    for (const QString& table : DeleteOrder().mid(2)) {
      db_.ExecuteWithParams(
          QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE SaveNumber = ?"),
          {number}, dbFailOnError);
    }
    if (WriteNewLayout(number, name, meet_no, settings) == Outcome::kStopped) return 0;
    tx.Commit();
    return number;
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return 0;
  }
}

bool LayoutStore::EditExistingRow(const QString& sql, const std::function<void(Recordset&)>& set) {
  try {
    auto rs = db_.OpenRecordset(sql);
    if (rs->Eof()) {
      ShowNoData();
      return false;
    }
    rs->Edit();
    set(*rs);
    switch (UpdateRow(*rs)) {
      case Outcome::kWritten:
        return true;
      case Outcome::kSkipped:
        // Deleted by another workstation since it was read: nothing was changed.
        ShowNoData();
        return false;
      case Outcome::kStopped:
        return false;
    }
  } catch (const DbError& e) {
    HandleError(e, nullptr);
  }
  return false;
}

bool LayoutStore::ChangeSettings(int number, const LayoutSettings& settings) {
  return EditExistingRow(
      QStringLiteral("select * from KVS210 ") + QStringLiteral("where savenumber=") + Num(number),
      [&](Recordset& rs) { SetSettings(rs, settings); });
}

bool LayoutStore::ChangeSettings(int number, const LayoutSettings& settings,
                                 const std::optional<LayoutSettings>& as_read, int meet_no) {
  try {
    // Compared under the write lock: a save by another workstation cannot come between the
    // comparison and the write and then be overwritten without the question.
    StoreTransaction tx(db_);
    auto rs =
        db_.OpenRecordset(QStringLiteral("select * from KVS210 where savenumber=") + Num(number));
    if (rs->Eof()) {
      ShowNoData();
      return false;
    }
    // What the operator edited is not what is stored now: another workstation wrote it.
    if (SettingsOfRow(*rs) != as_read && !ConfirmOverwrite()) return false;
    rs->Edit();
    SetSettings(*rs, settings);
    if (meet_no != 0) rs->SetField(QStringLiteral("FLDA"), meet_no);
    if (!Written(UpdateRow(*rs))) return false;
    rs->Close();
    if (meet_no != 0) {
      db_.Execute(QStringLiteral("update 保存名 set taikai_no=") + Num(meet_no) +
                  QStringLiteral(" where savenumber=") + Num(number));
    }
    tx.Commit();
    return true;
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return false;
  }
}

bool LayoutStore::RenameLayout(int number, const QString& name) {
  return EditExistingRow(
      QStringLiteral("select savename from 保存名 where savenumber=") + Num(number),
      [&](Recordset& rs) { rs.SetField(QStringLiteral("savename"), name); });
}

bool LayoutStore::DeleteLayout(int number) {
  const QString n = Num(number);
  try {
    StoreTransaction tx(db_);
    for (const QString& table : DeleteOrder()) {
      auto rs = db_.OpenRecordset(QStringLiteral("select * from ") + table +
                                  QStringLiteral(" where savenumber=") + n);
      while (!rs->Eof()) {
        rs->Delete();
        if (!rs->Eof()) rs->MoveNext();  // the last live row gone leaves the recordset at Eof
      }
    }
    // A decision for a layout that no longer exists would send the print run to missing rows.
    db_.ExecuteWithParams(QStringLiteral("UPDATE 全体フォント SET 決定 = 0 WHERE 決定 = ?"),
                          {number}, dbFailOnError);
    tx.Commit();
    return true;
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return false;
  }
}

}  // namespace kvsys
