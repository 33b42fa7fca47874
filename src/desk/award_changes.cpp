// Printed certificates against today's results: what a protest or a late correction changed.
#include "desk/award_changes.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "certificate/print_job.h"
#include "certificate/program_list.h"

namespace kvsys {

namespace {

// The events are collected again as they were printed: class-wise for a class, within a heat.
struct Group {
  int event = 0;
  int class_no = 0;
  int heat = 0;
  auto operator<=>(const Group&) const = default;
};

QString Differences(const PrintLogRow& logged, const Recipient& today) {
  QStringList what;
  const auto compare = [&what](const char* name, const QString& before, const QString& now) {
    if (before != now) what << QStringLiteral("%1 %2→%3").arg(QString::fromUtf8(name), before, now);
  };
  compare("順位", logged.rank, today.RankText);
  compare("記録", logged.record, today.RecordText);
  compare("氏名", logged.name, today.Name);
  compare("所属", logged.affiliation, today.Affiliation);
  return what.join(QStringLiteral("、"));
}

// Each printed certificate against today's of its group (same, changed, now outside), then
// today's certificates of those groups that were never printed (now inside).
void Compare(const std::map<Group, std::map<CertificateKey, const PrintLogRow*>>& printed,
             std::map<Group, std::map<CertificateKey, Recipient>>& today, const LoggedMeet& meet,
             std::vector<AwardComparison>& out) {
  for (const auto& [group, logged] : printed) {
    const std::map<CertificateKey, Recipient>& now_group = today[group];
    for (const auto& [key, row] : logged) {
      AwardComparison c;
      c.logged = *row;
      const auto now = now_group.find(key);
      if (now == now_group.end()) {
        c.change = AwardChange::kNowOutside;
      } else {
        c.today = now->second;
        c.what = Differences(*row, c.today);
        c.change = c.what.isEmpty() ? AwardChange::kSame : AwardChange::kChanged;
      }
      out.push_back(c);
    }
    for (const auto& [key, recipient] : now_group) {
      if (logged.count(key) != 0) continue;
      AwardComparison c;
      c.change = AwardChange::kNowInside;
      c.today = recipient;
      c.logged = LogRowOf(recipient, meet, 0);
      out.push_back(c);
    }
  }
}

}  // namespace

QString ChangeMark(AwardChange change) {
  switch (change) {
    case AwardChange::kChanged:
      return QStringLiteral("変更");
    case AwardChange::kNowOutside:
      return QStringLiteral("圏外");
    case AwardChange::kNowInside:
      return QStringLiteral("圏内");
    case AwardChange::kSame:
      break;
  }
  return QString();
}

std::optional<std::vector<AwardComparison>> CompareWithResults(const std::vector<PrintLogRow>& rows,
                                                               PrintRunContext& context,
                                                               bool has_classes,
                                                               const KnownResults& known) {
  // The row printed last of each certificate, by the event as it was printed.
  std::map<Group, std::map<CertificateKey, const PrintLogRow*>> printed;
  for (const PrintLogRow& row : rows) {
    if (row.state == kLogClaimed || row.key.event == 0) continue;
    printed[{row.key.event, row.key.class_no, row.key.heat}][row.key] = &row;
  }
  std::vector<AwardComparison> out;
  if (printed.empty()) return out;

  // The programme and a table of the comparison's own only when the known results do not
  // cover every group (the print list's status has them all).
  std::optional<std::vector<ProgramEvent>> programme;
  std::optional<SideCollection> side;
  // The events printed the same way (class, heat) are collected again in one go; a way that
  // would overfill the table is collected event by event.
  std::map<std::pair<int, int>, std::vector<ProgramEvent>> ways;
  std::map<Group, std::map<CertificateKey, Recipient>> today;
  // Whether the known results hold every certificate of the group.
  const auto covered = [&known](const Group& g) {
    const PrintRequest* r = known.request;
    if (!r || !known.table || g.heat != r->heat) return false;
    if (r->class_wise ? g.class_no == 0 || (r->class_no != 0 && r->class_no != g.class_no)
                      : g.class_no != 0) {
      return false;
    }
    return std::any_of(r->events.begin(), r->events.end(),
                       [&g](const ProgramEvent& e) { return e.number == g.event; });
  };
  for (int i = 1; known.table && i <= std::min(known.count, RecipientTable::kCapacity); ++i) {
    const Recipient& r = (*known.table)[i];
    today[{r.Source.event, r.Source.class_no, r.Source.heat}][KeyOf(r.Source)] = r;
  }
  for (const auto& entry : printed) {
    const Group& group = entry.first;
    if (covered(group)) continue;
    if (!programme) programme = ReadProgramme(context.results_db, has_classes, QString());
    const auto event = std::find_if(programme->begin(), programme->end(),
                                    [&](const ProgramEvent& e) { return e.number == group.event; });
    if (event != programme->end()) ways[{group.class_no, group.heat}].push_back(*event);
  }
  const auto collect = [&](const std::vector<ProgramEvent>& events, int class_no, int heat) {
    PrintRequest request;
    request.events = events;
    request.heat = heat;
    request.class_wise = class_no != 0;
    request.class_no = class_no;
    request.PrnShozNo = context.options.PrnShozNo;
    if (!side) side.emplace(context);
    const CollectResult collected = side->Collect(request);
    if (collected.outcome == CollectOutcome::kFailed) return CollectOutcome::kFailed;
    const int count = std::min(collected.count, RecipientTable::kCapacity);
    for (int i = 1; i <= count; ++i) {
      const Recipient& r = side->Table()[i];
      today[{r.Source.event, r.Source.class_no, r.Source.heat}][KeyOf(r.Source)] = r;
    }
    return collected.outcome;
  };
  for (const auto& [way, events] : ways) {
    const CollectOutcome outcome = collect(events, way.first, way.second);
    if (outcome == CollectOutcome::kFailed) return std::nullopt;
    if (outcome != CollectOutcome::kFull) continue;
    for (const ProgramEvent& event : events) {
      if (collect({event}, way.first, way.second) == CollectOutcome::kFailed) return std::nullopt;
    }
  }
  Compare(printed, today, rows.front().meet, out);
  return out;
}

bool IsRecall(const AwardComparison& c) {
  return c.logged.Handed() &&
         (c.change == AwardChange::kChanged || c.change == AwardChange::kNowOutside);
}

QString ComparisonMark(const AwardComparison& c) {
  return IsRecall(c) ? QStringLiteral("回収") : ChangeMark(c.change);
}

std::vector<AwardComparison> ChangedOnly(std::vector<AwardComparison> all) {
  std::erase_if(all, [](const AwardComparison& c) { return c.change == AwardChange::kSame; });
  std::stable_partition(all.begin(), all.end(), IsRecall);
  return all;
}

QString ComparisonLine(const AwardComparison& c) {
  return ComparisonMark(c) + QLatin1Char('\t') + c.what + QLatin1Char('\t') +
         PrintLogLine(c.logged);
}

}  // namespace kvsys
