// The options panel's changes to the print options record and to KVSYS.ini.
#include "preview/print_options_logic.h"

#include "common/profile.h"
#include "common/text_util.h"

namespace kvsys {

const std::array<OptionBox, kOptionBoxCount>& OptionBoxes() {
  static const std::array<OptionBox, kOptionBoxCount> boxes{{
      {PrintFlag::Dono, "chkDono", QStringLiteral("Dono"), QStringLiteral("氏名に敬称を付けない"),
       QString()},
      {PrintFlag::Kako, "chkKakko", QStringLiteral("Kako"),
       QStringLiteral("所属にカッコ（）を付けない"), QString()},
      {PrintFlag::Length, "chkLength", QStringLiteral("Length"), QStringLiteral("縦文字印刷する"),
       QStringLiteral(
           "距離、タイムの文字属性変更のみです。他の項目は使用フォントを変更してください。")},
      {PrintFlag::RankH, "chkRankH", QStringLiteral("RankH"),
       QStringLiteral("順位データのみ印字する"), QStringLiteral("「第」と「位」を印字しません。")},
      {PrintFlag::Open, "chkOpen", QStringLiteral("Open"),
       QStringLiteral("オープン参加者を印字しない"),
       QStringLiteral("次のデータより有効になります。")},
      {PrintFlag::OpenRank, "chkOpenRank", QStringLiteral("OpenRank"),
       QStringLiteral("オープン参加者に順位を付けない"), QString()},
      {PrintFlag::Relay, "chkRelay", QStringLiteral("Relay"),
       QStringLiteral("リレーメンバーを縦並びにする"), QString()},
      {PrintFlag::Shrink, "chkShrink", QStringLiteral("Shrink"),
       QStringLiteral("はみ出す文字を縮小する"),
       QStringLiteral("用紙の端から5mm内側に収まる大きさで印字します。")},
      {PrintFlag::Lattice, "chkLattice", QStringLiteral("Lattice"),
       QStringLiteral("印字面に格子を付ける"), QString()},
  }};
  return boxes;
}

const OptionBox& OptionBoxFor(PrintFlag flag) {
  for (const OptionBox& box : OptionBoxes()) {
    if (box.flag == flag) return box;
  }
  return OptionBoxes().front();
}

bool& FlagOf(PrintOptions& options, PrintFlag flag) {
  switch (flag) {
    case PrintFlag::Dono:
      return options.Dono;
    case PrintFlag::Kako:
      return options.Kako;
    case PrintFlag::Length:
      return options.Length;
    case PrintFlag::RankH:
      return options.RankH;
    case PrintFlag::Open:
      return options.Open;
    case PrintFlag::OpenRank:
      return options.OpenRank;
    case PrintFlag::Relay:
      return options.Relay;
    case PrintFlag::Shrink:
      return options.Shrink;
    case PrintFlag::Lattice:
      return options.Lattice;
  }
  return options.Dono;
}

bool FlagOf(const PrintOptions& options, PrintFlag flag) {
  PrintOptions copy = options;
  return FlagOf(copy, flag);
}

PrintOptionsLogic::PrintOptionsLogic(PrintOptions& options, Dialogs& dialogs, QString ini_path)
    : o_(options), dialogs_(dialogs), ini_path_(std::move(ini_path)) {}

void PrintOptionsLogic::Write(const QString& key, const QString& value) {
  // A failed write is told by the profile writer; the option still applies on screen.
  SetProfileEx(dialogs_, ini_path_, kPrnSection, key, value);
}

bool PrintOptionsLogic::FlagClicked(PrintFlag flag, bool checked) {
  if (guard_) return false;
  if (flag == PrintFlag::Lattice) return false;  // it takes the counts too: LatticeClicked
  FlagOf(o_, flag) = checked;
  Write(OptionBoxFor(flag).key, FlagText(checked));
  return true;
}

bool PrintOptionsLogic::LatticeClicked(bool checked, const QString& x_text, const QString& y_text) {
  if (guard_) return false;
  o_.Lattice = checked;
  Write(QStringLiteral("Lattice"), FlagText(checked));
  o_.LatticeY = ToLong(y_text);
  Write(QStringLiteral("LatticeY"), CountText(o_.LatticeY));
  o_.LatticeX = ToLong(x_text);
  Write(QStringLiteral("LatticeX"), CountText(o_.LatticeX));
  return true;
}

bool PrintOptionsLogic::LatticeCountLeft(LatticeAxis axis, const QString& text) {
  if (guard_) return false;
  const int32_t count = ToLong(text);
  if (axis == LatticeAxis::X) {
    o_.LatticeX = count;
    Write(QStringLiteral("LatticeX"), CountText(count));
  } else {
    o_.LatticeY = count;
    Write(QStringLiteral("LatticeY"), CountText(count));
  }
  return true;
}

bool PrintOptionsLogic::DonoLeft(const QString& text) {
  if (guard_) return false;
  o_.DonoStr = TrimBlanks(text);
  Write(QStringLiteral("DonoStr"), o_.DonoStr);
  return true;
}

}  // namespace kvsys
