#pragma once

// What the Jet reader helper (tools/jetread) and the engine agree on. Standard library only:
// the helper links neither Qt nor the engine.

namespace kvsys {

// user_version of a finished copy; a copy without it was cut short.
inline constexpr int kJetCopyMarker = 0x4a455431;  // "JET1"

// Exit status of the helper.
enum class JetReadExit : int {
  Written = 0,
  BadArguments = 2,
  NotJet = 3,
  Damaged = 4,
  OutputFailed = 5,
};

}  // namespace kvsys
