// Loading a layout from a real KVSYS.mdb made by the layout store.
#include <gtest/gtest.h>

#include <memory>

#include "db/database.h"
#include "db/db_error.h"
#include "db/workspace.h"
#include "layout/certificate_layout.h"
#include "layout/layout_items.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

namespace kvsys {
namespace {

class LayoutLoadTest : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }

  // A new KVSYS.mdb with layouts 1 and 2 as the editor creates them.
  void Fresh() {
    if (db) workspace.Close();
    folder = std::make_unique<test::ProgramFolder>();
    db = workspace.OpenDatabase(folder->LayoutDbPath());
    LayoutStore store(*db, dialogs, errors);
    ASSERT_EQ(store.CreateLayout(1, QStringLiteral("標準"), 3, LayoutSettings{}), 1);
    ASSERT_EQ(store.CreateLayout(2, QStringLiteral("二つ目"), 3, LayoutSettings{}), 2);
  }

  void Exec(const QString& sql) { db->Execute(sql, dbFailOnError); }

  // Loads layout n on top of whatever the record holds.
  void Load(int n) {
    layout.CurrentLayoutNumber = static_cast<int16_t>(n);
    LoadLayout(*db, layout);
    LoadShowFlags(*db, layout);
  }

  // A record that differs from anything a load gives, to see what the load overwrote.
  static CertificateLayout Scribbled() {
    CertificateLayout l;
    for (LayoutItem& item : l.Items) {
      item = LayoutItem{77, 77, QStringLiteral("落書き"), 99, true, true, 9};
    }
    return l;
  }

  std::unique_ptr<test::ProgramFolder> folder;
  test::ScriptedDialogs dialogs;
  DbErrorState errors;
  Workspace workspace;
  std::shared_ptr<Database> db;
  CertificateLayout layout = Scribbled();
};

TEST_F(LayoutLoadTest, NewLayoutIsAtTheBasePositionsInMinchoAtTheNewSizes) {
  Load(1);
  const int sizes[] = {70, 32, 30, 30, 37, 20, 28, 28, 28, 28, 28, 28, 28, 28, 30, 33, 33, 40};
  for (int i = 0; i < kFontItemCount; ++i) {
    const LayoutItem& item = layout.Items[i];
    EXPECT_EQ(item.X, 0) << i;
    EXPECT_EQ(item.Y, 0) << i;
    EXPECT_EQ(item.FontName, QStringLiteral("ＭＳ 明朝")) << i;
    EXPECT_EQ(item.FontSize, sizes[i]) << i;
    EXPECT_FALSE(item.Bold) << i;  // stored as 2
    EXPECT_FALSE(item.Italic) << i;
    EXPECT_EQ(item.Hidden, 0) << i;
  }
  EXPECT_EQ(layout.Items[kItemHonorific].X, 0);
  EXPECT_EQ(layout.Items[kItemHonorific].Y, 0);
}

TEST_F(LayoutLoadTest, EveryColumnReachesItsOwnItem) {
  // Distinct values in every column, written under the ASCII names the editor uses.
  for (int i = 0; i < kLayoutItemCount; ++i) {
    Exec(QStringLiteral("UPDATE 座標 SET %1 = %2, %3 = %4 WHERE SaveNumber = 1")
             .arg(PositionXColumn(i))
             .arg(i + 1)
             .arg(PositionYColumn(i))
             .arg(-(i + 101)));
  }
  for (int i = 0; i < kFontItemCount; ++i) {
    const int bold = i % 3 == 0 ? 1 : (i % 3 == 1 ? -1 : 0);
    Exec(QStringLiteral("UPDATE フォント SET %1 = 'Face%2', %3 = %4, %5 = %6, %7 = %8 "
                        "WHERE SaveNumber = 1")
             .arg(FontNameColumn(i))
             .arg(i)
             .arg(FontSizeColumn(i))
             .arg(5 + i)
             .arg(FontBoldColumn(i))
             .arg(bold)
             .arg(FontItalicColumn(i))
             .arg(i % 2 == 0 ? 1 : 2));
  }
  Load(1);
  for (int i = 0; i < kLayoutItemCount; ++i) {
    EXPECT_EQ(layout.Items[i].X, i + 1) << i;
    EXPECT_EQ(layout.Items[i].Y, -(i + 101)) << i;  // negative offsets move down
  }
  for (int i = 0; i < kFontItemCount; ++i) {
    EXPECT_EQ(layout.Items[i].FontName, QStringLiteral("Face%1").arg(i)) << i;
    EXPECT_EQ(layout.Items[i].FontSize, 5 + i) << i;
    // Only a stored 1 is on; the engine's true (-1) and 0 are off.
    EXPECT_EQ(layout.Items[i].Bold, i % 3 == 0) << i;
    EXPECT_EQ(layout.Items[i].Italic, i % 2 == 0) << i;
  }
  // The presenter's fonts come from the 授与者名 columns.
  EXPECT_EQ(layout.Items[kItemPresenter].FontName, QStringLiteral("Face17"));
  // The honorific has no font of its own: the loader leaves that part alone.
  EXPECT_EQ(layout.Items[kItemHonorific].FontName, QStringLiteral("落書き"));
}

TEST_F(LayoutLoadTest, ShowFlagsFollowTheirColumnsAndAMissingRowShowsAll) {
  Exec(
      QStringLiteral("UPDATE ShowOrNot SET 氏名 = 1, 授与者 = 5, 本文 = -1, タイトル = 0 "
                     "WHERE savenumber = 1"));
  Load(1);
  for (int i = 0; i < kFontItemCount; ++i) {
    const int expected = i == kItemName ? 1 : i == kItemPresenter ? 5 : i == kItemBody ? -1 : 0;
    EXPECT_EQ(layout.Items[i].Hidden, expected) << i;
  }

  Exec(QStringLiteral("DELETE FROM ShowOrNot WHERE savenumber = 1"));
  Load(1);
  for (int i = 0; i < kFontItemCount; ++i) EXPECT_EQ(layout.Items[i].Hidden, 0) << i;
}

TEST_F(LayoutLoadTest, OnlyTheChosenLayoutIsRead) {
  Exec(QStringLiteral("UPDATE 座標 SET タイトルX = 12 WHERE SaveNumber = 2"));
  Exec(QStringLiteral("UPDATE フォント SET タイトルF = 'ＭＳ ゴシック' WHERE SaveNumber = 2"));
  Exec(QStringLiteral("UPDATE ShowOrNot SET 日付 = 1 WHERE savenumber = 2"));
  Load(1);
  EXPECT_EQ(layout.Items[kItemTitle].X, 0);
  EXPECT_EQ(layout.Items[kItemDate].Hidden, 0);
  Load(2);
  EXPECT_EQ(layout.Items[kItemTitle].X, 12);
  EXPECT_EQ(layout.Items[kItemTitle].FontName, QStringLiteral("ＭＳ ゴシック"));
  EXPECT_EQ(layout.Items[kItemDate].Hidden, 1);
}

TEST_F(LayoutLoadTest, AFailedLoadRaisesAndLeavesTheRecordAsItWas) {
  const CertificateLayout before = layout;
  struct Case {
    const char* what;
    QString sql;  // run before loading layout 1
    int number;
  };
  const Case cases[] = {
      {"no such layout", QString(), 7},
      {"no name row", QStringLiteral("DELETE FROM 保存名 WHERE SaveNumber = 1"), 1},
      {"no position row", QStringLiteral("DELETE FROM 座標 WHERE SaveNumber = 1"), 1},
      {"empty size", QStringLiteral("UPDATE フォント SET 本文S = NULL WHERE SaveNumber = 1"), 1},
      {"empty font", QStringLiteral("UPDATE フォント SET 日付F = NULL WHERE SaveNumber = 1"), 1},
      {"empty offset", QStringLiteral("UPDATE 座標 SET 殿Y = NULL WHERE SaveNumber = 1"), 1},
  };
  for (const Case& c : cases) {
    Fresh();
    if (!c.sql.isEmpty()) Exec(c.sql);
    layout = before;
    layout.CurrentLayoutNumber = static_cast<int16_t>(c.number);
    EXPECT_THROW(LoadLayout(*db, layout), DbError) << c.what;
    layout.CurrentLayoutNumber = before.CurrentLayoutNumber;
    EXPECT_EQ(layout, before) << c.what;
  }
}

TEST_F(LayoutLoadTest, AnEmptyShowFlagRaisesAndLeavesTheFlagsAsTheyWere) {
  Exec(QStringLiteral("UPDATE ShowOrNot SET 本文 = NULL WHERE savenumber = 1"));
  layout.CurrentLayoutNumber = 1;
  EXPECT_THROW(LoadShowFlags(*db, layout), DbError);
  for (const LayoutItem& item : layout.Items) EXPECT_EQ(item.Hidden, 9);
}

}  // namespace
}  // namespace kvsys
