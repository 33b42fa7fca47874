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

PrintOptions ReadPrintOptions(Dialogs& dialogs, const QString& ini_path) {
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
  const std::pair<const char*, const char*> keys[] = {
      {"Dono", "False"},  {"Kako", "False"},     {"Lattice", "False"}, {"LatticeX", "20"},
      {"LatticeY", "20"}, {"Length", "False"},   {"RankH", "False"},   {"Open", "False"},
      {"Relay", "False"}, {"OpenRank", "False"}, {"DonoStr", "殿"},    {"Shrink", "True"}};
  for (const auto& [key, value] : keys) {
    if (!SetProfileEx(dialogs, ini_path, kPrnSection, QString::fromUtf8(key),
                      QString::fromUtf8(value))) {
      return false;
    }
  }
  return true;
}

}  // namespace kvsys
