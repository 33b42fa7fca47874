#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

#include "samplemeet/meet_tables.h"

namespace kvsys::samplemeet {

// How the results system lays out its meet files: Ver.5.0 keeps "SwimNN.mdb" side by side
// in the database folder, Ver.4.6 keeps "NN/SWIM.mdb" in a sub-folder per meet.
enum class FolderLayout { Ver50 = 0, Ver46 = 1 };

// Limits that keep every number inside the results system's 16-bit columns.
inline constexpr int kMaxMeetNo = 99;
inline constexpr int kMaxSwimmers = 30000;
inline constexpr int kMaxEvents = 999;
inline constexpr int kMaxDays = 14;
inline constexpr int kMaxResults = 200000;

// The shape of one generated meet.
struct MeetSpec {
  int number = 1;  // meet number, 1 to 99
  int swimmers = 60;
  int events = 16;  // events 1..events, plus a programme row numbered 0
  int days = 2;
  int results = 0;  // result rows wanted; 0 lets the generator choose about twelve an event
  bool classes = true;
  // Settings that exercise defaults and cuts when the meet is read: nulls in integer
  // settings, names longer than their width, a lane-box table with only two rows.
  bool odd_settings = false;
  quint64 seed = 1;
  // Only the first third of the events have been swum: the others wait for AdvanceMeet.
  bool in_progress = false;
};

// The meets of a preset ("demo", "large"); empty for an unknown name.
std::vector<MeetSpec> PresetMeets(const QString& preset);

// The whole content of one meet. The same MeetSpec always gives the same tables.
MeetTables GenerateSampleMeet(const MeetSpec& spec);

// Where the results system keeps meet `meet_no` under `folder`.
QString MeetFilePath(const QString& folder, FolderLayout layout, int meet_no);

// Writes the tables as a new SQLite file at `path`: first into a temporary file beside it,
// then renamed over `path`, so a failure never leaves half a meet. Refuses an existing file
// unless `force`. Creates the missing folders. False with a message in `error` on failure.
bool WriteMeetFile(const QString& path, const MeetTables& meet, bool force, QString* error);

// Generates and writes one meet into its place under `folder`; returns the file's path,
// or an empty text with a message in `error`.
QString WriteSampleMeet(const QString& folder, FolderLayout layout, const MeetSpec& spec,
                        bool force, QString* error);

// Where a meet in progress keeps the results still to come (the results system has no such
// table; the program never reads it).
inline const QString kPlannedResults = QStringLiteral("予定記録");

// Holds back the results of all but the first `done` events of the meet: their entries stay,
// without a time or a status, and what they will be goes into the planned results.
void HoldBackResults(MeetTables& meet, int done);

// Fills in the next `count` events still waiting in the meet file at path, in programme order,
// each in one transaction as the results system writes a finished race. The events filled;
// on failure those filled before it, with a message in error.
std::vector<int> AdvanceMeet(const QString& path, int count, QString* error);

}  // namespace kvsys::samplemeet
