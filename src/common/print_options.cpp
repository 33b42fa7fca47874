#include "common/print_options.h"

#include "common/profile.h"
#include "common/profile_file.h"
#include "common/text_util.h"

namespace kvsys {

namespace {

bool ReadFlag(Dialogs& dialogs, const QString& ini_path, const QString& key) {
  return GetProfileEx(dialogs, ini_path, kPrnSection, key) != kFalseText;
}

int32_t ReadCount(Dialogs& dialogs, const QString& ini_path, const QString& key) {
  QString text = GetProfileEx(dialogs, ini_path, kPrnSection, key);
  if (text.isEmpty()) text = QStringLiteral("20");
  return ToLong(text);
}

}  // namespace

PrintOptions FirstPrintOptions() {
  PrintOptions o;
  o.Dono = false;
  o.Kako = false;
  o.Lattice = false;
  o.Length = false;
  o.RankH = false;
  o.Open = false;
  o.Relay = false;
  o.OpenRank = false;
  return o;
}

PrintOptions ReadPrintOptions(Dialogs& dialogs, const QString& ini_path) {
  // Not written yet (a program folder the program never started in): what it would write.
  if (!ProfileSectionExists(ini_path, kPrnSection)) return FirstPrintOptions();
  PrintOptions o;
  o.Dono = ReadFlag(dialogs, ini_path, QStringLiteral("Dono"));
  o.Kako = ReadFlag(dialogs, ini_path, QStringLiteral("Kako"));
  o.Lattice = ReadFlag(dialogs, ini_path, QStringLiteral("Lattice"));
  o.LatticeX = ReadCount(dialogs, ini_path, QStringLiteral("LatticeX"));
  o.LatticeY = ReadCount(dialogs, ini_path, QStringLiteral("LatticeY"));
  o.Length = ReadFlag(dialogs, ini_path, QStringLiteral("Length"));
  o.RankH = ReadFlag(dialogs, ini_path, QStringLiteral("RankH"));
  o.Open = ReadFlag(dialogs, ini_path, QStringLiteral("Open"));
  o.Relay = ReadFlag(dialogs, ini_path, QStringLiteral("Relay"));
  o.DonoStr = GetProfileEx(dialogs, ini_path, kPrnSection, QStringLiteral("DonoStr"));
  o.DonoStr = TrimBlanks(o.DonoStr);
  if (o.DonoStr.isEmpty()) o.DonoStr = QStringLiteral("殿");
  o.OpenRank = ReadFlag(dialogs, ini_path, QStringLiteral("OpenRank"));
  o.PrnShozNo = ToInt(GetProfileEx(dialogs, ini_path, kPrnSection, QStringLiteral("PrnShozNo")));
  if (o.PrnShozNo == 0) o.PrnShozNo = 4;
  o.Shrink = ReadFlag(dialogs, ini_path, QStringLiteral("Shrink"));
  return o;
}

bool WriteFirstPrintOptions(Dialogs& dialogs, const QString& ini_path) {
  if (ProfileSectionExists(ini_path, kPrnSection)) return true;
  const PrintOptions o = FirstPrintOptions();
  const std::pair<const char*, QString> keys[] = {{"Dono", FlagText(o.Dono)},
                                                  {"Kako", FlagText(o.Kako)},
                                                  {"Lattice", FlagText(o.Lattice)},
                                                  {"LatticeX", QString::number(o.LatticeX)},
                                                  {"LatticeY", QString::number(o.LatticeY)},
                                                  {"Length", FlagText(o.Length)},
                                                  {"RankH", FlagText(o.RankH)},
                                                  {"Open", FlagText(o.Open)},
                                                  {"Relay", FlagText(o.Relay)},
                                                  {"OpenRank", FlagText(o.OpenRank)},
                                                  {"DonoStr", o.DonoStr},
                                                  {"Shrink", FlagText(o.Shrink)}};
  for (const auto& [key, value] : keys) {
    if (!SetProfileEx(dialogs, ini_path, kPrnSection, QString::fromUtf8(key), value)) return false;
  }
  return true;
}

}  // namespace kvsys
