#pragma once

#include <QDate>
#include <QString>
#include <QValidator>
#include <array>
#include <functional>
#include <optional>

#include "layout/layout_settings.h"

namespace kvsys {

// The layout editor's fields, in their tab order.
enum LayoutField {
  kFieldHeats,           // TXT_H      FLDB
  kFieldTimedFinal,      // TXT_T      FLDC
  kFieldFinal,           // TXT_F      FLDD
  kFieldBFinal,          // TXT_B      FLDE
  kFieldTitle,           // TXT_TITLE  FLDF
  kFieldEdition,         // TXT_KAISU  FLDG
  kFieldMeetName1,       // TXT_TAIKAI FLDH
  kFieldMeetName2,       // TXT_TAIKAI2 FLDI
  kFieldBody,            // TXT_BUN    FLDJ
  kFieldDate,            // TXT_YMD    FLDK
  kFieldPresenterTitle,  // TXT_PRTTL FLDL
  kFieldPresenter,       // TXT_PRS   FLDM
};
inline constexpr int kLayoutFieldCount = 12;

struct LayoutFieldRule {
  const char* control;    // the control's object name
  const char16_t* label;  // the caption beside it
  int max_bytes;          // CP932 bytes; 0 = no limit
  bool rank;              // a rank limit: ASCII digits only, right-aligned, no Japanese input
  bool lines;             // shown on several lines (line breaks are not taken)
};
extern const std::array<LayoutFieldRule, kLayoutFieldCount> kLayoutFieldRules;

// Largest rank limit the 16-bit columns hold.
inline constexpr int kMaxRankLimit = 32767;

// The field texts, in tab order.
using LayoutFieldTexts = std::array<QString, kLayoutFieldCount>;

// The texts the fields show for stored settings (rank limits in decimal).
LayoutFieldTexts FieldTextsOf(const LayoutSettings& settings);
// The settings the fields hold: rank limits as numbers (empty = 0), texts as typed, the paper
// code of the combo text.
LayoutSettings SettingsOfFields(const LayoutFieldTexts& texts, const QString& paper_text);

// The digit filter of the rank fields: "0" to "9", Backspace (8) and Enter (13).
bool IsRankKeyAccepted(QChar c);

// The part of text that fits the field's byte limit, without line breaks (a field holds one
// paragraph; Enter moves on to the next field).
QString FieldTextWithin(const QString& text, int max_bytes);

// The text of a field after an edit of the operator's (before -> after): what the edit inserted,
// typed or pasted, keeps only what fits the byte limit and loses its line breaks. A text that
// was longer already (a stored text, written by the program) is not cut: it takes no more.
// cursor, when given, is set after the inserted part.
QString FitFieldEdit(const QString& before, const QString& after, int max_bytes,
                     int* cursor = nullptr);

// Keeps the operator's edits of a line within its byte limit (FitFieldEdit); current gives the
// text before the edit.
class ByteLimitValidator : public QValidator {
 public:
  ByteLimitValidator(int max_bytes, std::function<QString()> current, QObject* parent = nullptr)
      : QValidator(parent), max_bytes_(max_bytes), current_(std::move(current)) {}
  State validate(QString& input, int& pos) const override;

 private:
  int max_bytes_;
  std::function<QString()> current_;
};

// Keeps a rank field to ASCII digits (pasted text included).
class RankDigitsValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

// The entry of the saved-layouts list: the number, a TAB, the name.
QString ListEntryText(int number, const QString& name);
struct ListEntry {
  int number = 0;
  QString name;
};
// Split at the first TAB: the leading digits before it are the number (the whole text when it
// has no TAB; 0 when there are none), the text after it the name.
ListEntry ParseListEntry(const QString& text);

// The first empty (or blank) rank field, in tab order.
std::optional<LayoutField> FirstEmptyRankField(const LayoutFieldTexts& texts);
// "予選対象順位を入力してください" and the like.
QString EmptyRankMessage(LayoutField field);
// The first rank field whose number the 16-bit column cannot hold.
std::optional<LayoutField> FirstRankTooLarge(const LayoutFieldTexts& texts);
QString RankTooLargeMessage(LayoutField field);

// Whether the date text and today differ once both are written "yyyy/MM/dd" (a text that
// names no date is compared as it stands, so it always differs).
bool DateDiffersFromToday(const QString& date_text, const QDate& today);

// The modified and key-seen flags of the editor.
struct LayoutEditFlags {
  bool modified = false;
  bool key_seen = false;

  // SUB_CmdBtnTrue, on every change of a field: a change that follows a key marks the window
  // modified. True when it did.
  bool FieldChanged() {
    if (!key_seen) return false;
    modified = true;
    key_seen = false;
    return true;
  }
  void Clear() { modified = key_seen = false; }
};

}  // namespace kvsys
