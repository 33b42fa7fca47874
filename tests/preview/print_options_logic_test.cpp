// The options panel's changes: written to KVSYS.ini at once and read back as start-up reads
// them, nothing written under the activation guard, the grid counts' conversion.
#include <gtest/gtest.h>

#include <QFile>

#include "common/print_options.h"
#include "preview/print_options_logic.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace kvsys::test {
namespace {

class PrintOptionsLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = dir.File(QStringLiteral("KVSYS.ini"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[D_B]\nDB_Path=meets\n[Prn]\nPrnShozNo=2\n");
  }
  PrintOptions ReadBack() { return ReadPrintOptions(dialogs, ini); }
  QByteArray IniBytes() const { return dir.Read(QStringLiteral("KVSYS.ini")); }

  TempFolder dir;
  QString ini;
  ScriptedDialogs dialogs;
  PrintOptions options;
};

TEST_F(PrintOptionsLogicTest, EveryFlagIsWrittenAtOnceAndReadBackByAFreshStartUp) {
  PrintOptionsLogic logic(options, dialogs, ini);
  for (const OptionBox& box : OptionBoxes()) {
    if (box.flag == PrintFlag::Lattice) continue;
    ASSERT_TRUE(logic.FlagClicked(box.flag, false)) << box.control;
    EXPECT_FALSE(FlagOf(options, box.flag)) << box.control;
    EXPECT_FALSE(FlagOf(ReadBack(), box.flag)) << box.control;
    EXPECT_TRUE(IniBytes().contains((box.key + QStringLiteral("=False")).toUtf8())) << box.control;
  }
  ASSERT_TRUE(logic.FlagClicked(PrintFlag::Kako, true));
  EXPECT_TRUE(ReadBack().Kako);
  EXPECT_FALSE(ReadBack().Dono);
  // The other keys of the file stay.
  EXPECT_EQ(ReadBack().PrnShozNo, 2);
  EXPECT_TRUE(IniBytes().contains("DB_Path=meets"));
}

TEST_F(PrintOptionsLogicTest, TheLatticeTakesBothCountsAndEachCountLeavesItsBox) {
  PrintOptionsLogic logic(options, dialogs, ini);
  ASSERT_TRUE(logic.LatticeClicked(false, QStringLiteral(" 12.7"), QStringLiteral("8")));
  PrintOptions read = ReadBack();
  EXPECT_FALSE(read.Lattice);
  EXPECT_EQ(read.LatticeX, 12);
  EXPECT_EQ(read.LatticeY, 8);
  EXPECT_EQ(options.LatticeX, 12);

  ASSERT_TRUE(logic.LatticeCountLeft(LatticeAxis::Y, QStringLiteral("0")));
  EXPECT_EQ(options.LatticeY, 0);
  EXPECT_EQ(ReadBack().LatticeY, 0);
  ASSERT_TRUE(logic.LatticeCountLeft(LatticeAxis::X, QStringLiteral("abc")));
  EXPECT_EQ(ReadBack().LatticeX, 0);
  ASSERT_TRUE(logic.LatticeCountLeft(LatticeAxis::X, QStringLiteral("30")));
  EXPECT_EQ(ReadBack().LatticeX, 30);
  EXPECT_EQ(ReadBack().LatticeY, 0);
}

TEST_F(PrintOptionsLogicTest, TheHonorificIsTrimmedAndABlankOneReadsAsTheDefaultAgain) {
  PrintOptionsLogic logic(options, dialogs, ini);
  ASSERT_TRUE(logic.DonoLeft(QStringLiteral("　様 ")));
  EXPECT_EQ(options.DonoStr, QStringLiteral("様"));
  EXPECT_EQ(ReadBack().DonoStr, QStringLiteral("様"));
  ASSERT_TRUE(logic.DonoLeft(QStringLiteral("  ")));
  EXPECT_EQ(options.DonoStr, QString());
  EXPECT_TRUE(IniBytes().contains("DonoStr=\n") || IniBytes().contains("DonoStr=\r\n"));
  EXPECT_EQ(ReadBack().DonoStr, QStringLiteral("殿"));
}

TEST_F(PrintOptionsLogicTest, NothingIsWrittenOrChangedUnderTheActivationGuard) {
  PrintOptionsLogic logic(options, dialogs, ini);
  const QByteArray before = IniBytes();
  const PrintOptions unchanged = options;
  logic.SetGuard(true);
  for (const OptionBox& box : OptionBoxes()) EXPECT_FALSE(logic.FlagClicked(box.flag, false));
  EXPECT_FALSE(logic.LatticeClicked(false, QStringLiteral("1"), QStringLiteral("1")));
  EXPECT_FALSE(logic.LatticeCountLeft(LatticeAxis::X, QStringLiteral("3")));
  EXPECT_FALSE(logic.DonoLeft(QStringLiteral("様")));
  EXPECT_EQ(IniBytes(), before);
  EXPECT_EQ(options, unchanged);
  logic.SetGuard(false);
  EXPECT_TRUE(logic.FlagClicked(PrintFlag::Relay, false));
  EXPECT_NE(IniBytes(), before);
}

TEST(OptionBoxes, CaptionsKeysAndNotesInThePanelsOrder) {
  QStringList controls;
  for (const OptionBox& box : OptionBoxes()) controls << QString::fromLatin1(box.control);
  EXPECT_EQ(controls, (QStringList{"chkDono", "chkKakko", "chkLength", "chkRankH", "chkOpen",
                                   "chkOpenRank", "chkRelay", "chkShrink", "chkLattice"}));
  EXPECT_EQ(OptionBoxFor(PrintFlag::Kako).key, QStringLiteral("Kako"));
  EXPECT_EQ(OptionBoxFor(PrintFlag::Kako).caption, QStringLiteral("所属にカッコ（）を付けない"));
  EXPECT_EQ(OptionBoxFor(PrintFlag::Open).note, QStringLiteral("次のデータより有効になります。"));
  // Each flag reaches its own field.
  for (const OptionBox& box : OptionBoxes()) {
    PrintOptions o;
    FlagOf(o, box.flag) = false;
    int cleared = 0;
    for (const OptionBox& other : OptionBoxes()) cleared += !FlagOf(o, other.flag);
    EXPECT_EQ(cleared, 1) << box.control;
  }
}

}  // namespace
}  // namespace kvsys::test
