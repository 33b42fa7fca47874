// The meet a logged certificate belongs to.
#include "certificate/certificate_log.h"

#include <QFileInfo>
#include <cstdlib>

#include "common/text_util.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace {

// A first day as written by the results system ("yyyy/mm/dd"); invalid for anything else.
QDate FirstDay(const QString& text) {
  return QDate::fromString(text.trimmed(), QStringLiteral("yyyy/MM/dd"));
}

}  // namespace

LoggedMeet LoggedMeetOf(const QString& path, const MeetSettings& meet) {
  return {QFileInfo(path).fileName(), TrimBlanks(meet.大会名1), TrimBlanks(meet.始期間)};
}

bool SameMeet(const LoggedMeet& a, const LoggedMeet& b) {
  if (a.file != b.file) return false;
  if (a.first_day == b.first_day) return true;
  if (a.name != b.name) return false;
  const QDate da = FirstDay(a.first_day);
  const QDate db = FirstDay(b.first_day);
  return da.isValid() && db.isValid() && std::abs(da.daysTo(db)) <= 31;
}

}  // namespace kvsys
