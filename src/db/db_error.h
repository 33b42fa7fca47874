#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>

namespace kvsys {

// Error numbers raised by the database engine. They keep the numbers of the engine the
// program was first written for, because callers and tolerated-error lists test them.
namespace dberr {
inline constexpr int kBadFileName = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kEngineFailure = 3000;
inline constexpr int kInvalidArgument = 3001;
inline constexpr int kDatabaseExclusive = 3006;
inline constexpr int kTableExclusive = 3008;
inline constexpr int kTableLockedByUser = 3189;  // another workstation locked the table
inline constexpr int kTableLocked = 3261;
inline constexpr int kNoSuchIndex = 3015;
inline constexpr int kNoCurrentIndex = 3019;
inline constexpr int kNoEditPending = 3020;
inline constexpr int kNoCurrentRecord = 3021;
inline constexpr int kDuplicateKey = 3022;
inline constexpr int kFileNotFound = 3024;
inline constexpr int kReadOnly = 3027;
inline constexpr int kResourceExceeded = 3035;
inline constexpr int kDiskError = 3043;
inline constexpr int kInvalidPath = 3044;
inline constexpr int kFileInUse = 3045;
inline constexpr int kUnknownColumn = 3061;
inline constexpr int kSelectNotExecutable = 3065;
inline constexpr int kUnknownNameInCriteria = 3070;
inline constexpr int kSqlSyntax = 3075;
inline constexpr int kCriteriaSyntax = 3077;
inline constexpr int kNoSuchTable = 3078;
inline constexpr int kAmbiguousColumn = 3079;
inline constexpr int kTextAfterStatement = 3142;
inline constexpr int kInvalidBookmark = 3159;
inline constexpr int kFieldNotUpdatable = 3164;
inline constexpr int kRowDeleted = 3167;
inline constexpr int kRowChanged = 3197;
inline constexpr int kDatabaseExists = 3204;
inline constexpr int kInvalidOperation = 3219;
inline constexpr int kNotSupportedHere = 3251;
inline constexpr int kLocked = 3260;
inline constexpr int kItemNotFound = 3265;
inline constexpr int kNullNotAllowed = 3314;
inline constexpr int kNotADatabase = 3343;
inline constexpr int kNumericOverflow = 3349;
inline constexpr int kObjectClosed = 3420;
inline constexpr int kTypeConversion = 3421;
}  // namespace dberr

// Our own Japanese text for an error number; a generic text for numbers we do not know.
QString DbErrorText(int number);

// A failed database operation. text() is shown to the operator; detail() carries what the
// storage engine said, for developers (never shown in a message box).
class DbError : public std::exception {
 public:
  explicit DbError(int number);
  DbError(int number, const QString& text, const QString& detail = QString());

  int number() const { return number_; }
  const QString& text() const { return text_; }
  const QString& detail() const { return detail_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int number_;
  QString text_;
  QString detail_;
  std::string what_;
};

// The tolerated-error list of the running operation and the text of the last sharing or
// locking error. The application state derives from it; lower layers take it by reference.
struct DbErrorState {
  std::array<int16_t, 10> ExpectedErrors{};
  int16_t ExpectedErrorHit = 0;
  QString LastDbErrorText;

  // Empties the list and clears the hit flag.
  void ClearExpected();
  // Lists the given numbers (at most ten; the rest is cleared) and clears the hit flag.
  void SetExpected(std::initializer_list<int> numbers);
  // True, with ExpectedErrorHit set to 99, when the error's number is listed.
  bool Tolerate(const DbError& error);
  bool Tolerate(int number);
};

// True exactly for the engine's sharing and locking errors; then LastDbErrorText becomes the
// error text followed by the number in parentheses, otherwise it is emptied.
bool IsDbLockError(int number, DbErrorState& state);
bool IsDbLockError(const DbError& error, DbErrorState& state);

}  // namespace kvsys
