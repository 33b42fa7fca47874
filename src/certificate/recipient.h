#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace kvsys {

// The result a certificate was earned by, so that it can be found again in the print log and in
// today's results. Certificates that do not come from a meet (a recipients file) have none.
struct RecipientSource {
  int event = 0;     // 競技番号; 0 = not from a meet
  QString stage;     // the event's 予決
  int class_no = 0;  // class-wise runs: the class ranked within; 0 otherwise
  int heat = 0;      // heat runs: the heat ranked within; 0 otherwise
  bool relay = false;
  int entrant = 0;     // 選手番号, or the relay team's チーム番号
  int rank = 0;        // the rank by time, for an open entrant too
  bool open = false;   // an open entrant (printed "OP")
  int occurrence = 1;  // the entrant's n-th result row of the event, in ranking order
  QString cut_mark;    // the new-record mark as the results hold it, when it was cut to fit

  bool FromMeet() const { return event != 0; }
  bool operator==(const RecipientSource&) const = default;
};

// One certificate to print: six texts composed by the print run.
struct Recipient {
  QString Name;         // swimmer, or relay team
  QString Affiliation;  // affiliation, or the relay members joined by "・"
  QString EventName;    // sex, distance and stroke; a relay event ends in "リレー"
  QString ClassName;
  QString RankText;  // full-width digits, or "OP" for an open entrant
  QString RecordText;
  RecipientSource Source;

  bool operator==(const Recipient&) const = default;
};

// The recipient with the control characters of its texts dropped; every way of filling the
// table (a meet, a recipients file) goes through it, so all print alike.
Recipient CleanRecipient(Recipient r);

// What the certificate of recipient n holds, as its documents are named:
// "0001_男子50m自由形_1位_山田太郎".
QString CertificateName(int number, const Recipient& r);
// Who a certificate is for, as the operator reads it: event, class, rank and name
// ("女子100m自由形 中学生 ２位 山田 花子").
QString RecipientLabel(const Recipient& r);

// The recipients of the last print run, numbered from 1. Entry 0 exists but is never filled.
struct RecipientTable {
  static constexpr int kCapacity = 9999;

  RecipientTable() : entries(kCapacity + 1) {}

  // Entries 0 to kCapacity.
  std::vector<Recipient> entries;
  // The entry being filled or drawn.
  int16_t CurrentRecipient = 0;
  // The number of recipients of the last run.
  int16_t RecipientCount = 0;

  static bool ValidIndex(int index) { return index >= 0 && index <= kCapacity; }
  Recipient& operator[](int index) { return entries.at(static_cast<size_t>(index)); }
  const Recipient& operator[](int index) const { return entries.at(static_cast<size_t>(index)); }
  // Empties entries 1 to kCapacity (the preview does so when it closes).
  void ClearEntries() {
    for (size_t i = 1; i < entries.size(); ++i) entries[i] = Recipient();
  }
};

}  // namespace kvsys
