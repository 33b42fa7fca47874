#include <gtest/gtest.h>

#include "db/jet_date.h"

namespace kvsys {
namespace {

TEST(JetDate, WholeDaysFromTheJetEpoch) {
  EXPECT_EQ(JetDateText(0.0), "1899/12/30 00:00:00");
  EXPECT_EQ(JetDateText(1.0), "1899/12/31 00:00:00");
  EXPECT_EQ(JetDateText(2.0), "1900/01/01 00:00:00");
  EXPECT_EQ(JetDateText(60.0), "1900/02/28 00:00:00");  // 1900 is no leap year
  EXPECT_EQ(JetDateText(61.0), "1900/03/01 00:00:00");
  EXPECT_EQ(JetDateText(36526.0), "2000/01/01 00:00:00");
  EXPECT_EQ(JetDateText(36585.0), "2000/02/29 00:00:00");  // 2000 is
  EXPECT_EQ(JetDateText(46221.0), "2026/07/18 00:00:00");
}

TEST(JetDate, TimeOfDayFromTheFraction) {
  EXPECT_EQ(JetDateText(46221.5), "2026/07/18 12:00:00");
  EXPECT_EQ(JetDateText(46221.0 + (13 * 3600 + 4 * 60 + 5) / 86400.0), "2026/07/18 13:04:05");
  // Half a second before midnight rounds into the next day, not to 24:00:00.
  EXPECT_EQ(JetDateText(46221.0 + 86399.6 / 86400.0), "2026/07/19 00:00:00");
}

TEST(JetDate, NegativeDaysCountBackButTheirTimeRunsForward) {
  EXPECT_EQ(JetDateText(-1.0), "1899/12/29 00:00:00");
  EXPECT_EQ(JetDateText(-1.25), "1899/12/29 06:00:00");
  EXPECT_EQ(JetDateText(-0.5), "1899/12/30 12:00:00");
  EXPECT_EQ(JetDateText(-1.0 - 86399.7 / 86400.0), "1899/12/30 00:00:00");
}

TEST(JetDate, FourDigitYearsAcrossTheRangeJetTakes) {
  EXPECT_EQ(JetDateText(-657434.0), "0100/01/01 00:00:00");
  EXPECT_EQ(JetDateText(2958465.0), "9999/12/31 00:00:00");
  EXPECT_EQ(JetDateText(-657435.0), std::nullopt);
  EXPECT_EQ(JetDateText(2958466.0), std::nullopt);
  EXPECT_EQ(JetDateText(std::nan("")), std::nullopt);
  EXPECT_EQ(JetDateText(1e300), std::nullopt);
}

}  // namespace
}  // namespace kvsys
