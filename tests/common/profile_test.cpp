#include "common/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "common/profile_file.h"
#include "support/file_size_limit.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace kvsys {
namespace {

using test::FileSizeLimit;
using test::ScriptedDialogs;
using test::TempFolder;

const QString kParamTitle = QStringLiteral("パラメタ不正検出");
const QString kWriteTitle = QStringLiteral("SetProfileEx()");

QString WriteError(const QString& name) {
  return name + QStringLiteral("に書き込みエラーが発生しました。");
}

QStringList FilesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// ---- parameters -----------------------------------------------------------------------------

TEST(ProfileParamTest, BlankSectionOrKeyOnReadShowsFilledTemplate) {
  TempFolder tmp;
  const QString ini = tmp.Write("KVSYS.ini", "[Prn]\nDono=False\n");
  ScriptedDialogs dialogs;
  dialogs.Expect(QStringLiteral("GetProfileEx(%1,,Dono)").arg(ini), MsgButtons::Ok,
                 MsgIcon::Critical, kParamTitle);
  dialogs.Expect(QStringLiteral("GetProfileEx(%1,Prn,)").arg(ini), MsgButtons::Ok,
                 MsgIcon::Critical, kParamTitle);
  EXPECT_EQ(GetProfileEx(dialogs, ini, QString(), QStringLiteral("Dono")), QString());
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral(" 　")), QString());
}

TEST(ProfileParamTest, BlankOrUnstorableNamesOnWriteShowTemplateAndLeaveNoFile) {
  TempFolder tmp;
  const QString ini = tmp.File("KVSYS.ini");
  ScriptedDialogs dialogs;
  dialogs.Expect(QStringLiteral("SetProfileEx(%1,Prn,,x)").arg(ini), MsgButtons::Ok,
                 MsgIcon::Critical, kParamTitle);
  dialogs.Expect(QStringLiteral("SetProfileEx(%1,Prn,a=b,x)").arg(ini), MsgButtons::Ok,
                 MsgIcon::Critical, kParamTitle);
  dialogs.Expect(QStringLiteral("SetProfileEx(%1,P]rn,Dono,x)").arg(ini), MsgButtons::Ok,
                 MsgIcon::Critical, kParamTitle);
  dialogs.Expect(QStringLiteral("SetProfileEx(%1,Prn,Dono,a\nb)").arg(ini), MsgButtons::Ok,
                 MsgIcon::Critical, kParamTitle);
  EXPECT_FALSE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("  "),
                            QStringLiteral(" x ")));
  EXPECT_FALSE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("a=b"),
                            QStringLiteral("x")));
  EXPECT_FALSE(SetProfileEx(dialogs, ini, QStringLiteral("P]rn"), QStringLiteral("Dono"),
                            QStringLiteral("x")));
  // A line break in a value would plant a section or key of its own.
  EXPECT_FALSE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                            QStringLiteral("a\nb")));
  EXPECT_FALSE(QFile::exists(ini));
}

// ---- reading and writing ---------------------------------------------------------------------

TEST(ProfileTest, FirstWriteCreatesUtf8FileAndReadsBack) {
  TempFolder tmp;
  const QString ini = tmp.File("KVSYS.ini");
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr")),
            QString());
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr"),
                           QStringLiteral("様")));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path"),
                           QStringLiteral("/srv/大会/")));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("True")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"),
            QStringLiteral("[Prn]\nDonoStr=様\nDono=True\n[D_B]\nDB_Path=/srv/大会/\n").toUtf8());
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr")),
            QStringLiteral("様"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path")),
            QStringLiteral("/srv/大会/"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("Dono")), QString());
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Ver"), QStringLiteral("Ver")), QString());
}

TEST(ProfileTest, NamesMatchWithoutCaseAndBlanksAndValuesAreTrimmed) {
  TempFolder tmp;
  const QString ini = tmp.Write("KVSYS.ini", "  [ prn ]  \n\tdONO  =   False \t\nKako=\n");
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("PRN"), QStringLiteral("Dono")),
            QStringLiteral("False"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral(" Prn"), QStringLiteral("dono ")),
            QStringLiteral("False"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Kako")), QString());
  // The existing line keeps its spelling and the text before its value.
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("PRN"), QStringLiteral("DONO"),
                           QStringLiteral("True")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), QByteArray("  [ prn ]  \n\tdONO  =   True\nKako=\n"));
}

TEST(ProfileTest, WriteKeepsCommentsAndEveryOtherLineByteForByte) {
  TempFolder tmp;
  const QByteArray before =
      "; KVSYS settings\n"
      "[Ver]\n"
      "Ver=1\n"
      "\n"
      "[D_B]\n"
      ";DB_Path=old\n"
      "DB_Path = /data/swim/   \n"
      "Extra=1\n"
      "\n"
      "; print options\n"
      "[Prn]\n"
      "Dono=True\n"
      "garbage line\n";
  const QString ini = tmp.Write("KVSYS.ini", before);
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path")),
            QStringLiteral("/data/swim/"));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path"),
                           QStringLiteral("/mnt/meet/")));
  // A new key goes after the last key of its section, before the blank line and the comment
  // that belong to the next section.
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("d_b"), QStringLiteral("Other"),
                           QStringLiteral("x")));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Kako"),
                           QStringLiteral("False")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), QByteArray("; KVSYS settings\n"
                                              "[Ver]\n"
                                              "Ver=1\n"
                                              "\n"
                                              "[D_B]\n"
                                              ";DB_Path=old\n"
                                              "DB_Path = /mnt/meet/\n"
                                              "Extra=1\n"
                                              "Other=x\n"
                                              "\n"
                                              "; print options\n"
                                              "[Prn]\n"
                                              "Dono=True\n"
                                              "garbage line\n"
                                              "Kako=False\n"));
  // A commented-out key is not a key.
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral(";DB_Path")),
            QString());
}

TEST(ProfileTest, NewKeyInEmptySectionGoesRightAfterItsHeader) {
  TempFolder tmp;
  const QString ini = tmp.Write("KVSYS.ini", "[Prn]\n; nothing yet\n\n[Ver]\nVer=0\n");
  ScriptedDialogs dialogs;
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Open"),
                           QStringLiteral("True")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), QByteArray("[Prn]\nOpen=True\n; nothing yet\n\n[Ver]\nVer=0\n"));
}

TEST(ProfileTest, ValueIsCutTo255BytesNeverInsideACharacter) {
  TempFolder tmp;
  const QString ascii(300, QLatin1Char('a'));
  const QString kanji = QStringLiteral("a") + QString(150, QChar(0x6F22));    // 1 + 300 bytes
  const QString kanji2 = QStringLiteral("aa") + QString(150, QChar(0x6F22));  // 2 + 300 bytes
  const QString ini = tmp.Write(
      "KVSYS.ini", ("[S]\nA=" + ascii + "\nK=" + kanji + "\nL=" + kanji2 + "\n").toUtf8());
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("S"), QStringLiteral("A")), ascii.left(255));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("S"), QStringLiteral("K")), kanji.left(128));
  // 2 + 126 * 2 = 254 bytes: the next character would need bytes 255 and 256.
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("S"), QStringLiteral("L")), kanji2.left(128));
}

TEST(ProfileTest, ValueEndsAtNulAndLosesEnclosingQuotes) {
  TempFolder tmp;
  static const char kText[] = "[Prn]\nDono=Tr\0ue\nDonoStr=\" 様 \"\nQ='x\nEq=a=b\n";
  const QString ini = tmp.Write("KVSYS.ini", QByteArray(kText, sizeof(kText) - 1));
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono")),
            QStringLiteral("Tr"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr")),
            QStringLiteral(" 様 "));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Q")),
            QStringLiteral("'x"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Eq")),
            QStringLiteral("a=b"));
}

// ---- encodings and line endings ------------------------------------------------------------

TEST(ProfileEncodingTest, ShiftJisFileIsReadAndWrittenBackAsShiftJis) {
  TempFolder tmp;
  // "; 賞状 ①" comment, DonoStr=様, DB_Path=C:\大会\表示ソ\ (trail bytes 0x5C), a NEC-selected
  // IBM character (0xED40) and a NEC symbol (0x8790) that a decode and re-encode would change.
  const QByteArray head = QByteArray::fromHex(
      "3b20"
      "8fdc8ff3"
      "20"
      "8740"
      "0d0a");
  const QByteArray d_b = QByteArray("[D_B]\r\nDB_Path=") +
                         QByteArray::fromHex("433a5c91e589ef5c955c8ea6835c5c") + "\r\n";
  const QByteArray odd = QByteArray("X=") +
                         QByteArray::fromHex(
                             "ed40"
                             "8790") +
                         "\r\n";
  const QByteArray before =
      head + d_b + "[Prn]\r\nDonoStr=" + QByteArray::fromHex("976c") + "\r\n" + odd;
  const QString ini = tmp.Write("KVSYS.ini", before);
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path")),
            QStringLiteral("C:\\大会\\表示ソ\\"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr")),
            QStringLiteral("様"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("X")),
            QStringLiteral("纊≒"));

  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr"),
                           QStringLiteral("①～殿")));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Kako"),
                           QStringLiteral("髙")));
  const QByteArray after = head + d_b + "[Prn]\r\nDonoStr=" + QByteArray::fromHex("874081609361") +
                           "\r\n" + odd + "Kako=" + QByteArray::fromHex("fbfc") + "\r\n";
  EXPECT_EQ(tmp.Read("KVSYS.ini").toHex(), after.toHex());
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr")),
            QStringLiteral("①～殿"));
}

TEST(ProfileEncodingTest, ValueWithoutShiftJisFormTurnsTheFileToUtf8) {
  TempFolder tmp;
  const QByteArray before = QByteArray("[Prn]\r\nDonoStr=") + QByteArray::fromHex("976c") + "\r\n";
  const QString ini = tmp.Write("KVSYS.ini", before);
  ScriptedDialogs dialogs;
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path"),
                           QStringLiteral("/srv/Café/")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"),
            QStringLiteral("[Prn]\r\nDonoStr=様\r\n[D_B]\r\nDB_Path=/srv/Café/\r\n").toUtf8());
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr")),
            QStringLiteral("様"));
}

TEST(ProfileEncodingTest, ShiftJisFileThatAWriteWouldMakeReadAsUtf8TurnsToUtf8) {
  TempFolder tmp;
  // "ﾃｽ" is C3 BD in Shift_JIS, which is "ý" in UTF-8; 82 A0 ("あ") is what keeps the file
  // from reading as UTF-8 until the write replaces it.
  const QByteArray before = QByteArray("[Prn]\r\nName=\xC3\xBD\r\nDonoStr=\x82\xA0\r\n");
  const QString ini = tmp.Write("KVSYS.ini", before);
  const QString prn = QStringLiteral("Prn");
  EXPECT_EQ(ReadProfileValue(ini, prn, QStringLiteral("Name")), QStringLiteral("ﾃｽ"));
  EXPECT_EQ(ReadProfileValue(ini, prn, QStringLiteral("DonoStr")), QStringLiteral("あ"));
  ASSERT_TRUE(WriteProfileValue(ini, prn, QStringLiteral("DonoStr"), QStringLiteral("A")));
  EXPECT_EQ(ReadProfileValue(ini, prn, QStringLiteral("Name")), QStringLiteral("ﾃｽ"));
  EXPECT_EQ(ReadProfileValue(ini, prn, QStringLiteral("DonoStr")), QStringLiteral("A"));
  // The same when the written value itself is the one that would change.
  const QString other = tmp.Write("OTHER.ini", QByteArray("[Prn]\r\nDonoStr=\x82\xA0\r\n"));
  ASSERT_TRUE(WriteProfileValue(other, prn, QStringLiteral("DonoStr"), QStringLiteral("ﾃｽ")));
  EXPECT_EQ(ReadProfileValue(other, prn, QStringLiteral("DonoStr")), QStringLiteral("ﾃｽ"));
  EXPECT_EQ(tmp.Read("OTHER.ini"), QStringLiteral("[Prn]\r\nDonoStr=ﾃｽ\r\n").toUtf8());
}

TEST(ProfileEncodingTest, UnpairedSurrogateIsNotStorableAndLeavesTheFile) {
  TempFolder tmp;
  const QByteArray before("[Prn]\nDono=True\n");
  const QString ini = tmp.Write("KVSYS.ini", before);
  const QString lone(QChar(0xDADA));
  // It has no encoded form: written, it would come back as "?" under another name.
  EXPECT_FALSE(IsValidProfileSection(QStringLiteral("P") + lone));
  EXPECT_FALSE(IsValidProfileKey(lone + QStringLiteral("Dono")));
  EXPECT_FALSE(IsValidProfileValue(QStringLiteral("x") + lone));
  EXPECT_FALSE(WriteProfileValue(ini, QStringLiteral("Prn"), QStringLiteral("Do") + lone,
                                 QStringLiteral("1")));
  EXPECT_FALSE(WriteProfileValue(ini, QStringLiteral("Prn"), QStringLiteral("Dono"), lone));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), before);
  // A character outside the basic plane is a pair and is stored.
  const QString pair = QStringLiteral("𠮷野家");
  EXPECT_TRUE(WriteProfileValue(ini, QStringLiteral("Prn"), QStringLiteral("Dono"), pair));
  EXPECT_EQ(ReadProfileValue(ini, QStringLiteral("Prn"), QStringLiteral("Dono")), pair);
}

TEST(ProfileEncodingTest, ZeroWidthNoBreakSpaceAroundAKeyIsABlank) {
  TempFolder tmp;
  const QString ini = tmp.Write("KVSYS.ini", "[Prn]\nDono=True\n");
  const QString feff(QChar(0xFEFF));
  // A line that begins with U+FEFF loses it when read: the key must be found without it.
  ASSERT_TRUE(WriteProfileValue(ini, QStringLiteral("Prn"), feff + QStringLiteral("Kako"),
                                QStringLiteral("1")));
  EXPECT_EQ(ReadProfileValue(ini, QStringLiteral("Prn"), feff + QStringLiteral("Kako")),
            QStringLiteral("1"));
  EXPECT_EQ(ReadProfileValue(ini, QStringLiteral("Prn"), QStringLiteral("Kako")),
            QStringLiteral("1"));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), QByteArray("[Prn]\nDono=True\nKako=1\n"));
  EXPECT_FALSE(IsValidProfileKey(feff));
}

TEST(ProfileEncodingTest, CrLfAndByteOrderMarkAreKept) {
  TempFolder tmp;
  const QString ini =
      tmp.Write("KVSYS.ini", QByteArray("\xEF\xBB\xBF[Prn]\r\nDono=True\r\n") + "[Ver]\r\nVer=0");
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("prn"), QStringLiteral("dono")),
            QStringLiteral("True"));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Kako"),
                           QStringLiteral("殿")));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path"),
                           QStringLiteral("x")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), QByteArray("\xEF\xBB\xBF[Prn]\r\nDono=True\r\nKako=") +
                                       QStringLiteral("殿").toUtf8() +
                                       "\r\n[Ver]\r\nVer=0\r\n[D_B]\r\nDB_Path=x\r\n");
}

// ---- bad input ---------------------------------------------------------------------------

TEST(ProfileBadInputTest, BinaryGarbageIsReadAsNothingAndKeptOnWrite) {
  TempFolder tmp;
  QByteArray garbage(4096, '\0');
  QRandomGenerator rng(20240607);
  for (char& c : garbage) c = static_cast<char>(rng.bounded(256));
  garbage.replace('\r', 'r');                            // keeps LF as the file's line ending
  garbage += "\n[Prn\n]Dono=1\n\xFF[Prn]\xFF\n=\n\x81";  // no newline at the end, a cut lead byte
  const QString ini = tmp.Write("KVSYS.ini", garbage);
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono")), QString());
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("False")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), garbage + "\n[Prn]\nDono=False\n");
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono")),
            QStringLiteral("False"));
}

TEST(ProfileBadInputTest, HundredKilobyteLine) {
  TempFolder tmp;
  const QByteArray long_value(100 * 1024, 'x');
  const QByteArray before = "[D_B]\nDB_Path=" + long_value + "\n[Prn]\nDono=True\n";
  const QString ini = tmp.Write("KVSYS.ini", before);
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path")),
            QString(255, QLatin1Char('x')));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("False")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), "[D_B]\nDB_Path=" + long_value + "\n[Prn]\nDono=False\n");
}

TEST(ProfileBadInputTest, SectionLineWithoutClosingBracketStartsNoSection) {
  TempFolder tmp;
  const QString ini = tmp.Write("KVSYS.ini", "[D_B]\nDB_Path=/a/\n[Prn\nDono=False\n");
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono")), QString());
  // As on Windows, the key stays in the section before.
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("Dono")),
            QStringLiteral("False"));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("True")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"),
            QByteArray("[D_B]\nDB_Path=/a/\n[Prn\nDono=False\n[Prn]\nDono=True\n"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono")),
            QStringLiteral("True"));
}

TEST(ProfileBadInputTest, SectionGivenTwiceReadsAndWritesTheFirst) {
  TempFolder tmp;
  const QString ini =
      tmp.Write("KVSYS.ini", "[Prn]\nDono=A\nDono=A2\n[Ver]\nVer=1\n[PRN]\nDono=B\nKako=C\n");
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono")),
            QStringLiteral("A"));
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Kako")), QString());
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("Z")));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Kako"),
                           QStringLiteral("Y")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"),
            QByteArray("[Prn]\nDono=Z\nDono=A2\nKako=Y\n[Ver]\nVer=1\n[PRN]\nDono=B\nKako=C\n"));
}

TEST(ProfileBadInputTest, NoNewlineAtTheEnd) {
  TempFolder tmp;
  const QString ini = tmp.Write("KVSYS.ini", "[Prn]\nDono=True");
  ScriptedDialogs dialogs;
  EXPECT_EQ(GetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono")),
            QStringLiteral("True"));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("False")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), QByteArray("[Prn]\nDono=False"));
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Kako"),
                           QStringLiteral("1")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), QByteArray("[Prn]\nDono=False\nKako=1\n"));
}

TEST(ProfileBadInputTest, EmptyFileAndFolderInsteadOfFile) {
  TempFolder tmp;
  ScriptedDialogs dialogs;
  const QString empty = tmp.Write("empty.ini", QByteArray());
  EXPECT_EQ(GetProfileEx(dialogs, empty, QStringLiteral("Prn"), QStringLiteral("Dono")), QString());
  EXPECT_TRUE(SetProfileEx(dialogs, empty, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("1")));
  EXPECT_EQ(tmp.Read("empty.ini"), QByteArray("[Prn]\nDono=1\n"));

  QDir(tmp.path()).mkdir(QStringLiteral("folder.ini"));
  const QString folder = tmp.File("folder.ini");
  EXPECT_EQ(GetProfileEx(dialogs, folder, QStringLiteral("Prn"), QStringLiteral("Dono")),
            QString());
  dialogs.Expect(WriteError(folder), MsgButtons::Ok, MsgIcon::Critical, kWriteTitle);
  EXPECT_FALSE(SetProfileEx(dialogs, folder, QStringLiteral("Prn"), QStringLiteral("Dono"),
                            QStringLiteral("1")));
}

// ---- failed writes leave the old file -------------------------------------------------------

TEST(ProfileWriteFailureTest, ParentThatIsAFileGivesWriteError) {
  TempFolder tmp;
  tmp.Write("plain", "not a folder");
  const QString ini = tmp.File("plain/KVSYS.ini");
  ScriptedDialogs dialogs;
  dialogs.Expect(WriteError(ini), MsgButtons::Ok, MsgIcon::Critical, kWriteTitle);
  EXPECT_FALSE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                            QStringLiteral("True")));
  EXPECT_EQ(tmp.Read("plain"), QByteArray("not a folder"));
}

TEST(ProfileWriteFailureTest, ReadOnlyFileGivesWriteErrorAndStaysIntact) {
  TempFolder tmp;
  const QByteArray before = "[Prn]\nDono=True\n";
  const QString ini = tmp.Write("KVSYS.ini", before);
  ASSERT_TRUE(QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  ScriptedDialogs dialogs;
  dialogs.Expect(WriteError(ini), MsgButtons::Ok, MsgIcon::Critical, kWriteTitle);
  EXPECT_FALSE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                            QStringLiteral("False")));
  EXPECT_EQ(tmp.Read("KVSYS.ini"), before);
  EXPECT_EQ(FilesIn(tmp.path()), QStringList{QStringLiteral("KVSYS.ini")});
  QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(ProfileWriteFailureTest, ReadOnlyFolderGivesWriteErrorAndLeavesOldFile) {
  TempFolder tmp;
  const QByteArray before = "[Prn]\nDono=True\n";
  const QString ini = tmp.Write("ro/KVSYS.ini", before);
  const QString folder = tmp.File("ro");
  ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  struct Restore {
    QString path;
    ~Restore() {
      QFile::setPermissions(
          path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
  } restore{folder};
  if (access(folder.toLocal8Bit().constData(), W_OK) == 0) {
    // A privileged user writes into any folder; the test above with a file for a parent
    // covers a folder that cannot take the new file.
    GTEST_SKIP() << "the folder stays writable for this user (running as root)";
  }
  ScriptedDialogs dialogs;
  dialogs.Expect(WriteError(ini), MsgButtons::Ok, MsgIcon::Critical, kWriteTitle);
  EXPECT_FALSE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                            QStringLiteral("False")));
  EXPECT_EQ(tmp.Read("ro/KVSYS.ini"), before);
  EXPECT_EQ(FilesIn(folder), QStringList{QStringLiteral("KVSYS.ini")});
}

TEST(ProfileWriteFailureTest, FullDiskLeavesOldFileWhole) {
  TempFolder tmp;
  const QByteArray before = "[Prn]\nDono=True\n[D_B]\nDB_Path=/data/\n";
  const QString ini = tmp.Write("KVSYS.ini", before);
  // A file size limit makes the new file's write fail part way, as a full disk does.
  FileSizeLimit limit(64);
  ASSERT_TRUE(limit.set());
  ScriptedDialogs dialogs;
  dialogs.Expect(WriteError(ini), MsgButtons::Ok, MsgIcon::Critical, kWriteTitle);
  const bool written = SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("DonoStr"),
                                    QString(100, QChar(0x69D8)));
  limit.Lift();
  EXPECT_FALSE(written);
  EXPECT_EQ(tmp.Read("KVSYS.ini"), before);
  EXPECT_EQ(FilesIn(tmp.path()), QStringList{QStringLiteral("KVSYS.ini")});
}

TEST(ProfileWriteFailureTest, ReplacementKeepsPermissionsAndLeavesNoTemporaryFile) {
  TempFolder tmp;
  const QString ini = tmp.Write("KVSYS.ini", "[Prn]\nDono=True\n");
  const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                     QFileDevice::WriteGroup;
  ASSERT_TRUE(QFile::setPermissions(ini, perms));
  ScriptedDialogs dialogs;
  EXPECT_TRUE(SetProfileEx(dialogs, ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("False")));
  const auto mode_bits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                         QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                         QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
  EXPECT_EQ(QFile::permissions(ini) & mode_bits, perms);
  EXPECT_EQ(FilesIn(tmp.path()), QStringList{QStringLiteral("KVSYS.ini")});
}

TEST(ProfileWriteFailureTest, WriteGoesThroughASymbolicLink) {
  TempFolder tmp;
  const QString real = tmp.Write("shared/KVSYS.ini", "[Prn]\nDono=True\n");
  const QString link = tmp.File("KVSYS.ini");
  ASSERT_TRUE(QFile::link(real, link));
  ScriptedDialogs dialogs;
  EXPECT_TRUE(SetProfileEx(dialogs, link, QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("False")));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(tmp.Read("shared/KVSYS.ini"), QByteArray("[Prn]\nDono=False\n"));
}

// ---- the system profile --------------------------------------------------------------------

class SystemProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = qgetenv("XDG_CONFIG_HOME");
    had_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", tmp_.path().toLocal8Bit());
  }
  void TearDown() override {
    if (had_) {
      qputenv("XDG_CONFIG_HOME", old_);
    } else {
      qunsetenv("XDG_CONFIG_HOME");
    }
  }
  TempFolder tmp_;
  QByteArray old_;
  bool had_ = false;
};

TEST_F(SystemProfileTest, EmptyFileNameUsesWinIniInOurConfigFolder) {
  EXPECT_EQ(SystemProfilePath(), tmp_.File("kvsys/WIN.INI"));
  ScriptedDialogs dialogs;
  EXPECT_TRUE(SetProfileEx(dialogs, QString(), QStringLiteral("Prn"), QStringLiteral("Dono"),
                           QStringLiteral("True")));
  EXPECT_EQ(tmp_.Read("kvsys/WIN.INI"), QByteArray("[Prn]\nDono=True\n"));
  EXPECT_EQ(GetProfileEx(dialogs, QString(), QStringLiteral("prn"), QStringLiteral("DONO")),
            QStringLiteral("True"));
}

TEST_F(SystemProfileTest, FailedWriteNamesWinIni) {
  tmp_.Write("kvsys", "a file where our folder should be");
  ScriptedDialogs dialogs;
  dialogs.Expect(WriteError(QStringLiteral("WIN.INI")), MsgButtons::Ok, MsgIcon::Critical,
                 kWriteTitle);
  EXPECT_FALSE(SetProfileEx(dialogs, QString(), QStringLiteral("Prn"), QStringLiteral("Dono"),
                            QStringLiteral("True")));
  EXPECT_EQ(tmp_.Read("kvsys"), QByteArray("a file where our folder should be"));
}

// What stands at the settings path is told apart without hanging on a FIFO; a file past the
// size limit is neither read nor written.
TEST(ProfileFile, StatesOfTheSettingsPathAndTheSizeLimit) {
  TempFolder tmp;
  const QString ini = tmp.Write(QStringLiteral("KVSYS.ini"), "[D_B]\nDB_Path=/meets/\n");
  EXPECT_EQ(CheckProfileFile(ini), ProfileFileState::Ok);
  EXPECT_TRUE(ProfileFileProblem(ProfileFileState::Ok, ini).isEmpty());
  EXPECT_EQ(CheckProfileFile(tmp.File(QStringLiteral("none.ini"))), ProfileFileState::Missing);
  EXPECT_EQ(CheckProfileFile(tmp.path()), ProfileFileState::NotAFile);
  const QString fifo = tmp.File(QStringLiteral("fifo.ini"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_EQ(CheckProfileFile(fifo), ProfileFileState::NotAFile);
  EXPECT_TRUE(ReadProfileValue(fifo, QStringLiteral("D_B"), QStringLiteral("DB_Path")).isEmpty());

  // One line past the limit, as a damaged or planted file may be.
  {
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::Append));
    ASSERT_TRUE(f.write(QByteArray(kProfileMaxFileBytes, 'x')) > 0);
  }
  const qint64 size = QFileInfo(ini).size();
  EXPECT_EQ(CheckProfileFile(ini), ProfileFileState::TooLarge);
  EXPECT_TRUE(ProfileFileProblem(ProfileFileState::TooLarge, ini)
                  .startsWith(QStringLiteral("初期設定ファイルが大きすぎます")));
  EXPECT_TRUE(ReadProfileValue(ini, QStringLiteral("D_B"), QStringLiteral("DB_Path")).isEmpty());
  EXPECT_FALSE(WriteProfileValue(ini, QStringLiteral("Prn"), QStringLiteral("Dono"),
                                 QStringLiteral("True")));
  EXPECT_EQ(QFileInfo(ini).size(), size);
}

}  // namespace
}  // namespace kvsys
