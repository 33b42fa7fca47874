// The preview's writes of a layout's item rows: show flags alone, or fonts, positions and show
// flags together.
#include <memory>

#include "db/database.h"
#include "db/recordset.h"
#include "layout/certificate_layout.h"
#include "layout/layout_items.h"
#include "layout/layout_store.h"
#include "layout/store_transaction.h"

namespace kvsys {

namespace {

int StyleCode(bool on) {
  return on ? kStyleOn : kStyleOff;
}

void SetShowFlags(Recordset& rs, const CertificateLayout& layout) {
  for (int i = 0; i < kFontItemCount; ++i) {
    rs.SetField(ShowColumn(i), layout.Items[i].Hidden != 0 ? 1 : 0);
  }
}

}  // namespace

bool LayoutStore::Written(Outcome outcome) {
  if (outcome == Outcome::kSkipped) ShowNoData();
  return outcome == Outcome::kWritten;
}

bool LayoutStore::StoreShowFlags(int number, const CertificateLayout& layout) {
  try {
    // Under the write lock, so two workstations storing flags of a layout without a row add one
    // row, not two.
    StoreTransaction tx(db_);
    auto rs = db_.OpenRecordset(QStringLiteral("select * from showornot where savenumber=") +
                                QString::number(number));
    if (rs->Eof()) {
      rs->AddNew();
      rs->SetField(QStringLiteral("SaveNumber"), number);
    } else {
      rs->Edit();
    }
    SetShowFlags(*rs, layout);
    if (!Written(UpdateRow(*rs))) return false;
    rs->Close();
    tx.Commit();
    return true;
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return false;
  }
}

bool LayoutStore::SaveLayoutRows(int number, const CertificateLayout& layout) {
  const QString n = QString::number(number);
  try {
    StoreTransaction tx(db_);
    // A row deleted by another workstation, before or during the edit, is missing data: the
    // transaction is dropped so no half of the layout is written.
    auto edit = [&](const QString& sql, const std::function<void(Recordset&)>& set) {
      auto rs = db_.OpenRecordset(sql);
      if (rs->Eof()) {
        ShowNoData();
        return false;
      }
      rs->Edit();
      set(*rs);
      return Written(UpdateRow(*rs));
    };
    if (!edit(QStringLiteral("select * from フォント where SaveNumber=") + n, [&](Recordset& rs) {
          for (int i = 0; i < kFontItemCount; ++i) {
            rs.SetField(FontNameColumn(i), layout.Items[i].FontName);
          }
          for (int i = 0; i < kFontItemCount; ++i) {
            rs.SetField(FontSizeColumn(i), layout.Items[i].FontSize);
          }
          for (int i = 0; i < kFontItemCount; ++i) {
            rs.SetField(FontBoldColumn(i), StyleCode(layout.Items[i].Bold));
          }
          for (int i = 0; i < kFontItemCount; ++i) {
            rs.SetField(FontItalicColumn(i), StyleCode(layout.Items[i].Italic));
          }
        })) {
      return false;
    }
    if (!edit(QStringLiteral("select * from 座標 where SaveNumber=") + n, [&](Recordset& rs) {
          for (int i = 0; i < kLayoutItemCount; ++i) {
            rs.SetField(PositionXColumn(i), layout.Items[i].X);
            rs.SetField(PositionYColumn(i), layout.Items[i].Y);
          }
        })) {
      return false;
    }
    auto shows = db_.OpenRecordset(QStringLiteral("select * from ShowOrNot where savenumber=") + n);
    if (shows->Eof()) {
      shows->AddNew();
      shows->SetField(QStringLiteral("savenumber"), number);
    } else {
      shows->Edit();
    }
    SetShowFlags(*shows, layout);
    if (!Written(UpdateRow(*shows))) return false;
    shows->Close();
    tx.Commit();
    return true;
  } catch (const DbError& e) {
    HandleError(e, nullptr);
    return false;
  }
}

}  // namespace kvsys
