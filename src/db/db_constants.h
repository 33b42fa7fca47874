#pragma once

namespace kvsys {

// Recordset types.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;
// Recordset options.
inline constexpr int dbReadOnly = 4;
// Execute options: raise an error when the statement fails (statements always do here).
inline constexpr int dbFailOnError = 128;
// Idle option.
inline constexpr int dbFreeLocks = 8;
// Recordset edit modes.
inline constexpr int dbEditNone = 0;
inline constexpr int dbEditInProgress = 1;
inline constexpr int dbEditAdd = 2;

}  // namespace kvsys
