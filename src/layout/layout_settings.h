#pragma once

#include <QDate>
#include <QString>

namespace kvsys {

struct MeetSettings;

// The certificate's eight texts (KVS210 FLDF to FLDM): set in the layout's print settings and
// drawn as they are.
struct CertificateTexts {
  QString title;            // FLDF
  QString edition;          // FLDG
  QString meet_name1;       // FLDH
  QString meet_name2;       // FLDI
  QString body;             // FLDJ
  QString date;             // FLDK
  QString presenter_title;  // FLDL
  QString presenter;        // FLDM

  bool operator==(const CertificateTexts&) const = default;
};

// The print settings of a layout (KVS210 FLDB to FLDN): the rank limits, the texts and the
// paper. Rank limits are kept wide so that a value that does not fit the 16-bit column reaches
// the database and is refused there (3349).
struct LayoutSettings : CertificateTexts {
  int rank_heats = 1;        // FLDB 予選
  int rank_timed_final = 1;  // FLDC タイム決勝
  int rank_final = 1;        // FLDD 決勝・Ａ決勝
  int rank_b_final = 1;      // FLDE Ｂ決勝
  int paper_code = 12;       // FLDN

  bool operator==(const LayoutSettings&) const = default;
};

// Bytes (CP932) the editor's edition and first meet-name fields hold.
inline constexpr int kEditionFieldBytes = 48;
inline constexpr int kMeetName1FieldBytes = 48;

// The meet's own texts as a layout carries them: the edition split off the first name line at
// its first "回" (none when it has no "回"), the rest of that line, and the second line. A rest
// longer than its field goes on in the second line when that is empty, from the last natural
// break that fits (a blank, "兼", after "・" or "、"); with a second line it is cut, and cut
// says so.
struct MeetTexts {
  QString edition;
  QString name1;
  QString name2;
  bool cut = false;
};
MeetTexts SplitMeetName(const QString& name1, const QString& name2);
// The same for the meet's whole names.
MeetTexts MeetTextsOf(const MeetSettings& meet);

// The message for a meet name that did not fit its field, naming what was left out.
QString MeetNameCutMessage(const MeetSettings& meet, const MeetTexts& texts);

// The settings a layout gets when it has no KVS210 row yet (the editor's first default set):
// rank limit 1 for every stage, the meet's texts (MeetTextsOf) and its start date.
LayoutSettings NewLayoutSettings(const MeetSettings& meet);

// The editor's ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ texts: no heats, three places for the other stages, the meet's
// edition and first line (MeetTextsOf), a placeholder second line unless the first went on
// there, and today's date in the Japanese era.
LayoutSettings DefaultLayoutSettings(const MeetSettings& meet, const QDate& today);

// A two-digit Western year as the two-digit year of the Heisei era ("99" -> "11" up to
// "18" -> "30"); any other text is returned unchanged.
QString SUB_NEN(const QString& year);

}  // namespace kvsys
