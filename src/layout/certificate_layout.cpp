#include "layout/certificate_layout.h"

#include <memory>

#include "common/text_util.h"
#include "db/database.h"
#include "db/db_error.h"
#include "db/recordset.h"
#include "layout/layout_items.h"

namespace kvsys {

namespace {

// The loader names the columns with the full-width letters Ｘ, Ｙ, Ｓ, Ｂ (the engine matches
// them with the ASCII letters the editor writes) and the ASCII F and i.
QString Column(const char16_t* stem, char16_t letter) {
  return QString::fromUtf16(stem) + QChar(letter);
}

// A 16-bit column. A Null or a value that does not fit stops the load.
int16_t ReadInt16(const Recordset& rs, const QString& column) {
  const QVariant value = rs.Field(column);
  if (!value.isNull()) {
    if (const std::optional<int16_t> n = ToInt16(value)) return *n;
  }
  throw DbError(dberr::kTypeConversion, DbErrorText(dberr::kTypeConversion), column);
}

QString ReadText(const Recordset& rs, const QString& column) {
  const QVariant value = rs.Field(column);
  if (value.isNull()) {
    throw DbError(dberr::kTypeConversion, DbErrorText(dberr::kTypeConversion), column);
  }
  return value.toString();
}

// Layouts store 1 for on and 2 for off; the engine's own true (-1) is not on.
bool ReadStyle(const Recordset& rs, const QString& column) {
  return ReadInt16(rs, column) == 1;
}

}  // namespace

void ApplyPrintSettings(CertificateLayout& layout, const LayoutSettings& settings) {
  layout.Texts = settings;
  layout.PaperSize = static_cast<int16_t>(settings.paper_code);
}

void LoadLayout(Database& layout_db, CertificateLayout& layout) {
  const QString sql =
      QStringLiteral("select x.*,y.*,z.* from 保存名 x,座標 y,フォント z where x.SaveNumber=") +
      QString::number(layout.CurrentLayoutNumber) +
      QStringLiteral(" and x.SaveNumber=y.SaveNumber and  x.SaveNumber=z.SaveNumber");
  std::unique_ptr<Recordset> rs = layout_db.OpenRecordset(sql, dbOpenSnapshot);
  rs->MoveFirst();

  // Read into a copy, so that a failure half-way leaves the layout in use intact.
  std::array<LayoutItem, kLayoutItemCount> items = layout.Items;
  for (int i = 0; i < kLayoutItemCount; ++i) {
    items[i].X = ReadInt16(*rs, Column(kLayoutItems[i].position_stem, u'Ｘ'));
  }
  for (int i = 0; i < kLayoutItemCount; ++i) {
    items[i].Y = ReadInt16(*rs, Column(kLayoutItems[i].position_stem, u'Ｙ'));
  }
  for (int i = 0; i < kFontItemCount; ++i) {
    items[i].FontName = ReadText(*rs, Column(kLayoutItems[i].font_stem, u'F'));
  }
  for (int i = 0; i < kFontItemCount; ++i) {
    items[i].FontSize = ReadInt16(*rs, Column(kLayoutItems[i].font_stem, u'Ｓ'));
  }
  for (int i = 0; i < kFontItemCount; ++i) {
    items[i].Bold = ReadStyle(*rs, Column(kLayoutItems[i].font_stem, u'Ｂ'));
  }
  for (int i = 0; i < kFontItemCount; ++i) {
    items[i].Italic = ReadStyle(*rs, Column(kLayoutItems[i].font_stem, u'i'));
  }
  rs->Close();
  layout.Items = items;
}

void LoadShowFlags(Database& layout_db, CertificateLayout& layout) {
  std::unique_ptr<Recordset> rs =
      layout_db.OpenRecordset(QStringLiteral("select * from showornot where savenumber=") +
                                  QString::number(layout.CurrentLayoutNumber),
                              dbOpenDynaset);
  std::array<int16_t, kFontItemCount> flags{};  // no row: every item printed
  if (!rs->Eof()) {
    rs->MoveFirst();
    for (int i = 0; i < kFontItemCount; ++i) {
      flags[i] = ReadInt16(*rs, QString::fromUtf16(kLayoutItems[i].show_column));
    }
  }
  rs->Close();
  for (int i = 0; i < kFontItemCount; ++i) layout.Items[i].Hidden = flags[i];
}

}  // namespace kvsys
