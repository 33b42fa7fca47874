#pragma once

#include <QString>
#include <cstdint>

#include "common/text_util.h"

namespace kvsys {

class Dialogs;

// The workstation's print options, section "Prn" of KVSYS.ini. Start-up fills it, the
// drawing and the print run read it, the preview's option panel changes it.
struct PrintOptions {
  bool Dono = true;       // no honorific after the name
  bool Kako = true;       // no brackets around the affiliation
  bool Lattice = true;    // grid over the sheet
  int32_t LatticeX = 20;  // grid columns
  int32_t LatticeY = 20;  // grid rows
  bool Length = true;     // vertical writing of distance and time
  bool RankH = true;      // bare rank number
  bool Open = true;       // no certificates for open entrants
  bool Relay = true;      // relay members one under another
  QString DonoStr = QStringLiteral("殿");
  bool OpenRank = true;   // no rank for open entrants
  int16_t PrnShozNo = 4;  // which affiliation name to print (1-3, 4 = the swimmer's own)
  bool Shrink = true;     // a text that would run off the sheet is drawn smaller to fit

  bool operator==(const PrintOptions&) const = default;
};

inline const QString kPrnSection = QStringLiteral("Prn");

// The options an operator starts with: the flags False, the honorific 殿, a 20 by 20 grid,
// texts shrunk to fit.
PrintOptions FirstPrintOptions();

// Reads every Prn key by its rule: a flag is false only for the exact text "False". A file
// without the section reads as FirstPrintOptions, as the program would write it: the program
// and its tools print alike.
PrintOptions ReadPrintOptions(Dialogs& dialogs, const QString& ini_path);

// A settings file without a Prn section would print with every flag set (a missing key reads
// as True): a grid over each sheet, no honorific, no brackets, no 第/位. Such a file gets
// FirstPrintOptions; a file with the section is left as it is. False when writing failed (the
// profile writer has said so).
bool WriteFirstPrintOptions(Dialogs& dialogs, const QString& ini_path);

}  // namespace kvsys
