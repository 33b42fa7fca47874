// The example layouts written as one: a run ended halfway leaves no half of them behind.
#include <gtest/gtest.h>

#include "certificate/example_layouts.h"
#include "layout/layout_items.h"
#include "results/meet_settings.h"
#include "support/layout_db_test.h"

namespace kvsys::test {
namespace {

struct Ended {};

// The process ends where the store would report the failed write, with no clean-up after.
class EndAtMessage : public ScriptedDialogs {
 public:
  Answer MsgBox(const QString&, MsgButtons, MsgIcon, const QString&, int) override {
    throw Ended{};
  }
};

using ExampleLayoutsTest = LayoutDbTest;

// Ended in the vertical example's item rows (its fonts written, its positions refused), a run
// leaves no 縦書き; the next run saves the whole of it.
TEST_F(ExampleLayoutsTest, ARunEndedInTheItemRowsLeavesNoHalfVerticalExample) {
  raw().Exec(QStringLiteral(
      "CREATE TRIGGER cut BEFORE UPDATE ON 座標 BEGIN SELECT RAISE(ABORT, 'cut'); END"));
  EndAtMessage ending;
  LayoutStore ended_store(*db_, ending, errors_);
  EXPECT_THROW(AddExampleLayouts(ended_store, MeetSettings{}), Ended);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 保存名 WHERE savename = '縦書き'")),
            0);

  raw().Exec(QStringLiteral("DROP TRIGGER cut"));
  ASSERT_TRUE(AddExampleLayouts(store(), MeetSettings{}));
  const QVariant number =
      raw().Scalar(QStringLiteral("SELECT SaveNumber FROM 保存名 WHERE savename = '縦書き'"));
  ASSERT_FALSE(number.isNull());
  const CertificateLayout vertical = VerticalExampleLayout();
  for (int item : {kItemTitle, kItemPresenter}) {
    EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT %1 FROM フォント WHERE SaveNumber = %2")
                               .arg(FontNameColumn(item), number.toString())),
              vertical.Items[item].FontName);
    EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT %1 FROM 座標 WHERE SaveNumber = %2")
                               .arg(PositionXColumn(item), number.toString())),
              vertical.Items[item].X);
  }
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 保存名")), 2);
}

}  // namespace
}  // namespace kvsys::test
