#include "certificate/example_layouts.h"

#include <QDate>
#include <array>

#include "certificate/certificate_text.h"
#include "common/byte_text.h"
#include "layout/layout_store.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace {

const QString kVerticalFace = QStringLiteral("@ＭＳ 明朝");

// Where an item of the vertical example stands (the top-left corner of its first column, in
// millimetres on B4 portrait, 257 x 364) and its size in points.
struct Place {
  int item;
  int x;
  int y;
  int points;
};

constexpr std::array<Place, kLayoutItemCount> kVerticalPlaces = {{
    {kItemTitle, 212, 36, 64},
    {kItemClassCaption, 192, 62, 24},
    {kItemClass, 192, 95, 24},
    {kItemEventCaption, 180, 62, 24},
    {kItemEvent, 180, 95, 24},
    {kItemRankCaption, 168, 62, 24},
    {kItemRank, 168, 95, 24},
    {kItemRecordCaption, 156, 62, 24},
    {kItemRecord, 156, 95, 24},
    // Low beside the honorific: a relay's members stand 43 mm further left at the same height,
    // below the body's columns.
    {kItemAffiliation, 142, 250, 20},
    {kItemName, 122, 100, 40},
    {kItemHonorific, 122, 245, 0},
    // The body's first column stands one line left of its position.
    {kItemBody, 112, 70, 30},
    {kItemDate, 74, 120, 28},
    {kItemEdition, 56, 40, 30},
    {kItemMeetName1, 56, 86, 30},
    {kItemMeetName2, 44, 86, 30},
    {kItemPresenterTitle, 28, 140, 28},
    {kItemPresenter, 12, 195, 36},
}};

}  // namespace

CertificateLayout VerticalExampleLayout() {
  CertificateLayout layout;
  for (const Place& p : kVerticalPlaces) {
    // Offsets are taken from the base position of an individual event.
    const BasePosition base = ItemBase(p.item, false);
    LayoutItem& item = layout.Items[p.item];
    item.X = static_cast<int16_t>(base.x - p.x);
    item.Y = static_cast<int16_t>(base.y - p.y);
    if (p.item < kFontItemCount) {
      item.FontName = kVerticalFace;
      item.FontSize = static_cast<int16_t>(p.points);
    }
  }
  layout.PaperSize = 12;
  return layout;
}

LayoutSettings StandardExampleSettings(const MeetSettings& meet) {
  return NewLayoutSettings(meet);
}

CertificateLayout StandardExampleLayout() {
  CertificateLayout layout;
  for (int i = 0; i < kFontItemCount; ++i) {
    layout.Items[i].FontName = kNewLayoutFont;
    layout.Items[i].FontSize = kLayoutItems[i].new_size;
  }
  // At 32 points (11.3 mm a character) eight characters take 90 mm: from 55 mm to 145 mm,
  // the honorific at 148 mm.
  layout.Items[kItemName].FontSize = 32;
  layout.Items[kItemName].X = static_cast<int16_t>(ItemBase(kItemName, false).x - 55);
  layout.Items[kItemHonorific].X = static_cast<int16_t>(ItemBase(kItemHonorific, false).x - 148);
  layout.PaperSize = 12;
  return layout;
}

LayoutSettings VerticalExampleSettings(const MeetSettings& meet) {
  // The edition heads the meet's column.
  LayoutSettings s = StandardExampleSettings(meet);
  s.title = QStringLiteral("賞　　状");
  s.date = ToFullWidth(s.date);
  s.paper_code = 12;
  return s;
}

bool AddExampleLayouts(LayoutStore& store, const MeetSettings& meet, const QString& decide) {
  // Names are checked under the write lock, so two runs at once save each example once, and
  // a run killed halfway leaves no vertical example with a new layout's fonts.
  return store.WriteInOneTransaction([&] {
    if (store.FindLayoutNamed(kStandardExampleName) == 0) {
      const int number = store.ChooseNewNumber();
      if (number == 0) return false;
      const int created =
          store.CreateLayout(number, kStandardExampleName, 0, StandardExampleSettings(meet));
      if (created == 0 || !store.SaveLayoutRows(created, StandardExampleLayout())) return false;
    }
    if (store.FindLayoutNamed(kVerticalExampleName) == 0) {
      const int number = store.ChooseNewNumber();
      if (number == 0) return false;
      const int created =
          store.CreateLayout(number, kVerticalExampleName, 0, VerticalExampleSettings(meet));
      if (created == 0 || !store.SaveLayoutRows(created, VerticalExampleLayout())) return false;
    }
    if (decide.isEmpty() && store.DecidedLayout() != 0) return true;
    const int decided = store.FindLayoutNamed(decide.isEmpty() ? kStandardExampleName : decide);
    return decided != 0 && store.DecideLayout(decided);
  });
}

}  // namespace kvsys
