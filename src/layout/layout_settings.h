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

// The settings a layout gets when it has no KVS210 row yet (the editor's first default set):
// rank limit 1 for every stage, the meet's two name lines and its start date.
LayoutSettings NewLayoutSettings(const MeetSettings& meet);

// The editor's ﾃﾞﾌｫﾙﾄﾚｲｱｳﾄ texts: no heats, three places for the other stages, the edition
// split off the meet's first name line at its first "回", and today's date in the Japanese era.
LayoutSettings DefaultLayoutSettings(const MeetSettings& meet, const QDate& today);

// A two-digit Western year as the two-digit year of the Heisei era ("99" -> "11" up to
// "18" -> "30"); any other text is returned unchanged.
QString SUB_NEN(const QString& year);

}  // namespace kvsys
