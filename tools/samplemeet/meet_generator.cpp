// Builds the content of a sample meet: settings, lane boxes, classes, programme, swimmers,
// relay teams and results, with the awkward cases a print run meets in real meets.
#include <QDate>
#include <algorithm>
#include <array>

#include "samplemeet/name_lists.h"
#include "samplemeet/sample_meet.h"

namespace kvsys::samplemeet {

namespace {

// splitmix64: small, fast and the same on every platform and library version, which keeps
// generated files reproducible.
class Rng {
 public:
  explicit Rng(quint64 seed) : state_(seed) {}
  quint64 Next() {
    quint64 z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  int Range(int lo, int hi) {
    return lo + static_cast<int>(Next() % static_cast<quint64>(hi - lo + 1));
  }
  bool Percent(int percent) { return Range(0, 99) < percent; }
  const QString& Pick(const QStringList& list) { return list[Range(0, list.size() - 1)]; }

 private:
  quint64 state_;
};

enum Stage { kHeats = 1, kTimedFinal = 2, kBFinal = 3, kAFinal = 4, kFinal = 5, kSwimOff = 6 };
enum Status { kRegular = 0, kOpen = 4 };

struct Race {
  int stroke;
  int distance;
  int sex;  // relays only; individual races alternate men and women
};

// Individual races first list every stroke and distance code early, so that even a small
// meet shows them all.
constexpr std::array<Race, 22> kIndividualRaces{{
    {1, 1, 0}, {2, 3, 0}, {3, 2, 0}, {4, 4, 0}, {5, 5, 0}, {1, 6, 0}, {1, 7, 0}, {1, 3, 0},
    {2, 2, 0}, {3, 3, 0}, {4, 2, 0}, {5, 4, 0}, {1, 2, 0}, {2, 4, 0}, {3, 4, 0}, {4, 3, 0},
    {1, 4, 0}, {1, 5, 0}, {5, 3, 0}, {2, 1, 0}, {3, 1, 0}, {4, 1, 0},
}};
constexpr std::array<Race, 6> kRelayRaces{{
    {6, 4, 1},
    {7, 4, 2},
    {6, 8, 3},
    {7, 5, 1},
    {6, 5, 2},
    {7, 4, 3},
}};

// Groups of events swum together; the pattern repeats until the programme is full.
enum class Block { Timed, HeatsFinal, Relay, HeatsAB, HeatsFinalSwimOff };
constexpr std::array<Block, 7> kBlockPattern{
    Block::Timed, Block::HeatsFinal,       Block::Relay, Block::HeatsAB, Block::Timed,
    Block::Relay, Block::HeatsFinalSwimOff};

// A fair adult time in hundredths for a stroke and distance code in a 25 m pool.
int BaseTime(int stroke, int distance) {
  static constexpr int kMetres[] = {0, 25, 50, 100, 200, 400, 800, 1500, 300};
  // Hundredths per 50 m for each stroke (relays: per 50 m of the whole race).
  static constexpr int kPer50[] = {0, 2800, 3200, 3550, 3000, 3300, 2850, 3150};
  const int metres = kMetres[distance];
  int time = kPer50[stroke] * metres / 50;
  if (metres >= 200) time = time * 108 / 100;  // longer races are swum slower per length
  if (metres >= 800) time = time * 105 / 100;
  return time;
}

QString FormatTime(int hundredths) {
  const int minutes = hundredths / 6000;
  const int seconds = hundredths / 100 % 60;
  const int rest = hundredths % 100;
  return QStringLiteral("%1:%2.%3")
      .arg(minutes, 2, 10, QLatin1Char('0'))
      .arg(seconds, 2, 10, QLatin1Char('0'))
      .arg(rest, 2, 10, QLatin1Char('0'));
}

struct Swimmer {
  int number;
  int sex;
  int klass;
};

struct Team {
  int number;
  int klass;
};

struct ResultRow {
  int entrant = 0;  // swimmer or team number
  int heat = 1;
  int lane = 1;
  int klass = 0;
  int time = 0;  // hundredths
  QString goal;
  int status = kRegular;
  std::array<int, 4> legs{0, 0, 0, 0};
  QString mark;
};

struct Event {
  int number = 0;
  int sex = 1;
  Race race{};
  int stage = kTimedFinal;
  int klass = 0;
  int day = 0;
  Block block = Block::Timed;
  int block_start = 0;    // index of the block's first event
  bool flexible = false;  // its entry count is free (heats, timed finals, relays)
  int capacity = 0;       // entrants it can have at most
  int wanted = 0;
  std::vector<ResultRow> rows;
};

class Generator {
 public:
  explicit Generator(const MeetSpec& spec)
      : spec_(spec),
        rng_(spec.seed * 0x2545F4914F6CDD1DULL + static_cast<quint64>(spec.number) * 7919) {}

  MeetTables Build();

 private:
  void MakeSettings(MeetTables& meet);
  void MakeLaneBoxes(MeetTables& meet);
  void MakeClasses(MeetTables& meet);
  void MakeSwimmers(MeetTables& meet);
  void MakeTeams(MeetTables& meet);
  void PlanProgramme();
  void AllocateEntries();
  void FillEvent(size_t index);
  void FillFlexible(Event& event, size_t index);
  void FillFromHeats(Event& event, Event& heats);
  void Decorate(Event& event, size_t index);
  static std::vector<ResultRow*> RegularRanked(Event& event);
  void WriteProgramme(MeetTables& meet) const;
  void WriteResults(MeetTables& meet) const;
  int Capacity(const Event& event) const;
  std::vector<int> PoolFor(const Event& event) const;
  QString Date(int day) const { return start_.addDays(day).toString(QStringLiteral("yyyy/MM/dd")); }
  int MissingSwimmer() { return std::min(32767, spec_.swimmers + rng_.Range(101, 600)); }

  MeetSpec spec_;
  Rng rng_;
  QDate start_;
  int lanes_ = 8;
  int class_count_ = 0;
  std::vector<Swimmer> swimmers_;
  std::vector<Team> teams_;
  std::vector<Event> events_;
};

MeetTables Generator::Build() {
  MeetTables meet = EmptyResultsSchema();
  start_ = QDate(2025 + rng_.Range(0, 1), rng_.Range(5, 9), rng_.Range(1, 28));
  lanes_ = spec_.odd_settings ? 8 : (rng_.Percent(25) ? 10 : 8);
  MakeSettings(meet);
  MakeLaneBoxes(meet);
  MakeClasses(meet);
  MakeSwimmers(meet);
  MakeTeams(meet);
  PlanProgramme();
  AllocateEntries();
  for (size_t i = 0; i < events_.size(); ++i) FillEvent(i);
  WriteProgramme(meet);
  WriteResults(meet);
  if (spec_.in_progress) HoldBackResults(meet, static_cast<int>(events_.size()) / 3);
  return meet;
}

void Generator::MakeSettings(MeetTables& meet) {
  const QString& city = rng_.Pick(CityNames());
  const QString& prefecture = rng_.Pick(PrefectureNames());
  const int edition = spec_.odd_settings ? rng_.Range(10, 99) : rng_.Range(1, 80);
  QString name1;
  switch (rng_.Range(0, 2)) {
    case 0:
      name1 = QStringLiteral("第%1回 %2市民水泳競技大会").arg(edition).arg(city);
      break;
    case 1:
      name1 = QStringLiteral("第%1回 %2選手権水泳競技大会").arg(edition).arg(prefecture);
      break;
    default:
      name1 = QStringLiteral("第%1回 %2ジュニアスイミングフェスティバル").arg(edition).arg(city);
      break;
  }
  QVariant name2 = rng_.Percent(70) ? QVariant(QStringLiteral("兼 %1選手権予選").arg(prefecture))
                                    : QVariant(QString());
  QVariant remarks = rng_.Percent(50) ? QVariant(QStringLiteral("雨天決行")) : QVariant(QString());
  QVariant affiliation = rng_.Range(1, 3);
  QVariant upper = QStringLiteral("1");
  QVariant lower = QStringLiteral("2");
  QVariant heats_lanes = lanes_;
  QVariant print_no = 2;
  QVariant min_heat = 3;
  QVariant touch = 1;
  if (spec_.odd_settings) {
    // The first line crosses its 50-byte width in the middle of a double-byte character
    // ("第NN回 " is 7 bytes, then full-width characters only).
    name1 = QStringLiteral("第%1回 さいたま市民水泳競技大会兼ジュニアオリンピック地区予選会")
                .arg(edition);
    name2 = QVariant();
    remarks = QVariant();
    affiliation = QVariant();
    upper = QStringLiteral("12:30");
    lower = QStringLiteral("記録");
    heats_lanes = QVariant();
    print_no = QVariant();
    min_heat = QString();
    touch = QString();
  }
  const QString venue = rng_.Percent(50) ? QStringLiteral("%1市民プール").arg(city)
                                         : QStringLiteral("%1立総合プール").arg(prefecture);
  const int finals_lanes = lanes_;
  meet.Find(QStringLiteral("大会設定"))
      ->rows.push_back({name1,
                        name2,
                        Date(0),
                        Date(spec_.days - 1),
                        spec_.classes ? kJetTrue : kJetFalse,
                        affiliation,
                        venue,
                        remarks,
                        touch,
                        1,
                        rng_.Range(1, 2),
                        1,
                        1,
                        rng_.Range(1, 2),
                        1,
                        rng_.Range(1, 2),
                        rng_.Range(1, 2),
                        heats_lanes,
                        lanes_,
                        finals_lanes,
                        upper,
                        lower,
                        print_no,
                        min_heat});
}

void Generator::MakeLaneBoxes(MeetTables& meet) {
  Table& table = *meet.Find(QStringLiteral("レーンボックス"));
  if (spec_.odd_settings) {
    // Only two rows, one with a null value: the reader fills in the rest.
    table.rows.push_back({1, 21, kJetTrue});
    table.rows.push_back({2, QVariant(), kJetFalse});
    return;
  }
  for (int i = 1; i <= 10; ++i) {
    table.rows.push_back({i, 10 + i, i <= lanes_ ? kJetTrue : kJetFalse});
  }
}

void Generator::MakeClasses(MeetTables& meet) {
  if (!spec_.classes) return;
  // The last name is longer than the 20 bytes a class name is cut to, and the cut falls in
  // the middle of a double-byte character.
  static const QStringList kClassNames{QStringLiteral("小学生"), QStringLiteral("中学生"),
                                       QStringLiteral("高校生"), QStringLiteral("一般"),
                                       QStringLiteral("一般A区分（マスターズ）")};
  Table& table = *meet.Find(QStringLiteral("クラス"));
  class_count_ = static_cast<int>(kClassNames.size());
  for (int i = 0; i < class_count_; ++i) table.rows.push_back({i + 1, kClassNames[i]});
}

void Generator::MakeSwimmers(MeetTables& meet) {
  Table& table = *meet.Find(QStringLiteral("選手マスター"));
  const QStringList& clubs = ClubNames();
  const QStringList& schools = SchoolNames();
  const QStringList& prefectures = PrefectureNames();
  for (int number = 1; number <= spec_.swimmers; ++number) {
    const int sex = rng_.Range(1, 2);
    const int klass = class_count_ > 0 ? rng_.Range(1, class_count_) : 0;
    swimmers_.push_back({number, sex, klass});
    const QString name = rng_.Pick(FamilyNames()) + QStringLiteral("　") +
                         rng_.Pick(sex == 1 ? MaleGivenNames() : FemaleGivenNames());
    const int roll = rng_.Range(0, 99);
    const int main_affiliation = roll < 50 ? 1 : roll < 70 ? 2 : roll < 85 ? 3 : 4;
    const QString club = rng_.Pick(clubs);
    const QString school = rng_.Percent(10) ? QString() : rng_.Pick(schools);
    const QString prefecture = rng_.Percent(5) ? QString() : rng_.Pick(prefectures);
    table.rows.push_back({number, name, main_affiliation, club, school, prefecture});
  }
}

void Generator::MakeTeams(MeetTables& meet) {
  Table& table = *meet.Find(QStringLiteral("チームマスター"));
  const QStringList& clubs = ClubNames();
  static const QString kLetters =
      QStringLiteral("ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ");
  const int count = std::max(4, spec_.swimmers / 10);
  for (int number = 1; number <= count; ++number) {
    const int club = (number - 1) % static_cast<int>(clubs.size());
    const int round = (number - 1) / static_cast<int>(clubs.size());
    QString name = clubs[club] + QLatin1Char(' ');
    name += round < kLetters.size() ? QString(kLetters[round]) : QString::number(round + 1);
    teams_.push_back({number, class_count_ > 0 ? rng_.Range(1, class_count_) : 0});
    table.rows.push_back({number, name});
  }
}

void Generator::PlanProgramme() {
  int individual = 0;
  int relay = 0;
  for (size_t b = 0; static_cast<int>(events_.size()) < spec_.events; ++b) {
    const Block block = kBlockPattern[b % kBlockPattern.size()];
    std::vector<int> stages;
    Race race{};
    int sex = 1;
    if (block == Block::Relay) {
      race = kRelayRaces[relay++ % kRelayRaces.size()];
      sex = race.sex;
      stages = {kTimedFinal};
    } else {
      race = kIndividualRaces[individual % kIndividualRaces.size()];
      sex = (individual + individual / static_cast<int>(kIndividualRaces.size())) % 2 + 1;
      ++individual;
      switch (block) {
        case Block::Timed:
          stages = {kTimedFinal};
          break;
        case Block::HeatsFinal:
          stages = {kHeats, kFinal};
          break;
        case Block::HeatsAB:
          stages = {kHeats, kAFinal, kBFinal};
          break;
        default:
          stages = {kHeats, kSwimOff, kFinal};
          break;
      }
    }
    const int klass = class_count_ > 0 ? rng_.Range(1, class_count_) : 0;
    const int block_start = static_cast<int>(events_.size());
    for (int stage : stages) {
      if (static_cast<int>(events_.size()) >= spec_.events) break;
      Event event;
      event.number = static_cast<int>(events_.size()) + 1;
      event.sex = sex;
      event.race = race;
      event.stage = stage;
      event.klass = klass;
      event.block = block;
      event.block_start = block_start;
      event.flexible = stage == kHeats || stage == kTimedFinal;
      event.day = static_cast<int>(events_.size()) * spec_.days / spec_.events;
      events_.push_back(event);
    }
  }
}

int Generator::Capacity(const Event& event) const {
  if (event.race.stroke >= 6) return static_cast<int>(teams_.size());
  return static_cast<int>(std::count_if(swimmers_.begin(), swimmers_.end(),
                                        [&](const Swimmer& s) { return s.sex == event.sex; }));
}

void Generator::AllocateEntries() {
  const int wanted = spec_.results > 0 ? spec_.results : spec_.events * 12;
  int fixed = 0;
  std::vector<Event*> flexible;
  for (Event& event : events_) {
    if (event.flexible) {
      event.capacity = Capacity(event);
      flexible.push_back(&event);
    } else {
      fixed += event.stage == kSwimOff ? 2 : lanes_;
    }
  }
  if (flexible.empty()) return;
  int left = std::max(0, wanted - fixed);
  const int share = left / static_cast<int>(flexible.size());
  int extra = left % static_cast<int>(flexible.size());
  for (Event* event : flexible) {
    event->wanted = std::min(event->capacity, share + (extra-- > 0 ? 1 : 0));
    left -= event->wanted;
  }
  // What a small field could not take goes to the events that still have room.
  for (bool placed = true; left > 0 && placed;) {
    placed = false;
    for (Event* event : flexible) {
      if (left > 0 && event->wanted < event->capacity) {
        ++event->wanted;
        --left;
        placed = true;
      }
    }
  }
}

std::vector<int> Generator::PoolFor(const Event& event) const {
  std::vector<int> pool;
  if (event.race.stroke >= 6) {
    for (const Team& team : teams_) pool.push_back(team.number);
  } else {
    for (const Swimmer& swimmer : swimmers_) {
      if (swimmer.sex == event.sex) pool.push_back(swimmer.number);
    }
  }
  return pool;
}

void Generator::FillEvent(size_t index) {
  Event& event = events_[index];
  if (event.flexible) {
    FillFlexible(event, index);
  } else {
    FillFromHeats(event, events_[static_cast<size_t>(event.block_start)]);
  }
  Decorate(event, index);
}

void Generator::FillFlexible(Event& event, size_t index) {
  std::vector<int> pool = PoolFor(event);
  const int count = std::min(event.wanted, static_cast<int>(pool.size()));
  const bool relay = event.race.stroke >= 6;
  const int base = BaseTime(event.race.stroke, event.race.distance);
  for (int i = 0; i < count; ++i) {
    // A partial shuffle draws distinct entrants.
    const int pick = rng_.Range(i, static_cast<int>(pool.size()) - 1);
    std::swap(pool[static_cast<size_t>(i)], pool[static_cast<size_t>(pick)]);
    ResultRow row;
    row.entrant = pool[static_cast<size_t>(i)];
    row.heat = i / lanes_ + 1;
    row.lane = i % lanes_ + 1;
    row.time = base * (10000 + rng_.Range(0, 3500)) / 10000;
    if (relay) {
      row.klass = teams_[static_cast<size_t>(row.entrant - 1)].klass;
      std::vector<int> members;
      while (members.size() < 4 && static_cast<int>(members.size()) < spec_.swimmers) {
        const int member = rng_.Range(1, spec_.swimmers);
        if (std::find(members.begin(), members.end(), member) == members.end()) {
          members.push_back(member);
        }
      }
      for (size_t leg = 0; leg < members.size(); ++leg) row.legs[leg] = members[leg];
      // Some legs name a swimmer the meet does not have (entered late, deleted since).
      if ((i == 0 && index % 2 == 0) || rng_.Percent(8)) {
        row.legs[static_cast<size_t>(rng_.Range(0, 3))] = MissingSwimmer();
      }
    } else {
      row.klass = swimmers_[static_cast<size_t>(row.entrant - 1)].klass;
    }
    event.rows.push_back(row);
  }
}

void Generator::FillFromHeats(Event& event, Event& heats) {
  const std::vector<ResultRow*> ranked = RegularRanked(heats);
  size_t first = 0;
  size_t count = static_cast<size_t>(lanes_);
  if (event.stage == kBFinal) first = static_cast<size_t>(lanes_);
  if (event.stage == kSwimOff) {
    // The swim-off settles the tie for the last place in the final.
    count = 2;
    first = ranked.size() > static_cast<size_t>(lanes_)
                ? static_cast<size_t>(lanes_) - 1
                : (ranked.size() >= 2 ? ranked.size() - 2 : 0);
  }
  const size_t end = std::min(ranked.size(), first + count);
  // Finalists swim from the middle lanes outwards in order of their heat times
  // (eight lanes: 4, 5, 3, 6, 2, 7, 1, 8).
  const int middle = lanes_ / 2;
  for (size_t i = first; i < end; ++i) {
    const int seat = static_cast<int>(i - first);
    ResultRow row = *ranked[i];
    row.heat = 1;
    row.lane = seat % 2 == 0 ? middle - seat / 2 : middle + (seat + 1) / 2;
    row.time = row.time * (10000 + rng_.Range(-150, 150)) / 10000;
    row.goal.clear();
    row.mark.clear();
    row.status = kRegular;
    event.rows.push_back(row);
  }
}

// Regular results with a time, in the order of the print run: time as text, heat, lane.
std::vector<ResultRow*> Generator::RegularRanked(Event& event) {
  std::vector<ResultRow*> rows;
  for (ResultRow& row : event.rows) {
    if (!row.goal.isEmpty() && row.status == kRegular) rows.push_back(&row);
  }
  std::stable_sort(rows.begin(), rows.end(), [](const ResultRow* a, const ResultRow* b) {
    if (a->goal != b->goal) return a->goal < b->goal;
    if (a->heat != b->heat) return a->heat < b->heat;
    return a->lane < b->lane;
  });
  return rows;
}

void Generator::Decorate(Event& event, size_t index) {
  const size_t n = event.rows.size();
  for (ResultRow& row : event.rows) row.goal = FormatTime(row.time);
  if (n == 0) return;
  if (event.flexible) {
    // Statuses other than a regular result, placed so that every kind shows in a small
    // meet whatever the seed, and sprinkled at random beyond that.
    if (n >= 4 && (index % 3 == 0 || rng_.Percent(30))) {
      event.rows[static_cast<size_t>(rng_.Range(0, static_cast<int>(n) - 1))].status = kOpen;
    }
    if (n >= 5 && (index % 4 == 1 || rng_.Percent(20))) {
      ResultRow& row = event.rows[static_cast<size_t>(rng_.Range(0, static_cast<int>(n) - 1))];
      if (row.status == kRegular) row.goal.clear();  // no time: did not start
    }
    if (n >= 6 && (index % 5 == 2 || rng_.Percent(20))) {
      ResultRow& row = event.rows[static_cast<size_t>(rng_.Range(0, static_cast<int>(n) - 1))];
      if (row.status == kRegular) {
        row.status = rng_.Range(1, 3);
        if (row.status == 1) row.goal.clear();
      }
    }
  }
  // Tenths-only timing ends the time with "#".
  for (ResultRow& row : event.rows) {
    if (!row.goal.isEmpty() && (rng_.Percent(4) || (index % 6 == 3 && &row == &event.rows[0]))) {
      row.goal[7] = QLatin1Char('#');
    }
  }
  // Equal times at the places where rank limits usually fall (3, 6, 8) and at the top.
  const std::vector<ResultRow*> ranked = RegularRanked(event);
  std::vector<size_t> ties;
  if (index % 2 == 0) ties.push_back(2);
  if (index % 3 == 0 || event.block == Block::HeatsFinalSwimOff) ties.push_back(7);
  if (index % 5 == 1) ties.push_back(5);
  if (index % 7 == 3) ties.push_back(0);
  if (event.stage == kSwimOff) ties.clear();
  for (size_t at : ties) {
    if (at + 1 < ranked.size()) {
      ranked[at + 1]->goal = ranked[at]->goal;
    }
  }
  if (!ranked.empty() && (index % 4 == 0 || rng_.Percent(10))) {
    ranked[0]->mark = rng_.Pick(RecordMarks());
  }
}

void Generator::WriteProgramme(MeetTables& meet) const {
  Table& table = *meet.Find(QStringLiteral("プログラム"));
  // Event 0 is the results system's placeholder row; it has no results.
  table.rows.push_back({0, 1, 1, 1, kHeats, 1, class_count_ > 0 ? 1 : 0, Date(0)});
  for (const Event& event : events_) {
    int heats = 1;
    for (const ResultRow& row : event.rows) heats = std::max(heats, row.heat);
    table.rows.push_back({event.number, event.sex, event.race.stroke, event.race.distance,
                          event.stage, heats, event.klass, Date(event.day)});
  }
}

void Generator::WriteResults(MeetTables& meet) const {
  Table& table = *meet.Find(QStringLiteral("記録マスター"));
  for (const Event& event : events_) {
    for (const ResultRow& row : event.rows) {
      table.rows.push_back({event.number, row.heat, row.lane, row.klass, row.entrant, row.goal,
                            row.status, row.legs[0], row.legs[1], row.legs[2], row.legs[3],
                            row.mark});
    }
  }
}

}  // namespace

std::vector<MeetSpec> PresetMeets(const QString& preset) {
  if (preset == QLatin1String("demo")) {
    MeetSpec first;
    first.number = 1;
    first.swimmers = 80;
    first.events = 24;
    first.days = 2;
    MeetSpec second;
    second.number = 2;
    second.swimmers = 40;
    second.events = 14;
    second.days = 1;
    second.classes = false;
    MeetSpec third;
    third.number = 3;
    third.swimmers = 50;
    third.events = 20;
    third.days = 3;
    third.odd_settings = true;
    return {first, second, third};
  }
  if (preset == QLatin1String("large")) {
    MeetSpec large;
    large.swimmers = 2000;
    large.events = 300;
    large.days = 3;
    large.results = 20000;
    return {large};
  }
  return {};
}

MeetTables GenerateSampleMeet(const MeetSpec& spec) {
  return Generator(spec).Build();
}

}  // namespace kvsys::samplemeet
