// Printed certificates against today's results: what a protest or a late correction changed.
#include "certificate/award_changes.h"

#include <algorithm>
#include <map>
#include <memory>

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
                                                               bool has_classes) {
  // The row printed last of each certificate, by the event as it was printed.
  std::map<Group, std::map<CertificateKey, const PrintLogRow*>> printed;
  for (const PrintLogRow& row : rows) {
    if (row.state == kLogClaimed || row.key.event == 0) continue;
    printed[{row.key.event, row.key.class_no, row.key.heat}][row.key] = &row;
  }
  std::vector<AwardComparison> out;
  if (printed.empty()) return out;

  const std::vector<ProgramEvent> programme =
      ReadProgramme(context.results_db, has_classes, QString());
  // A table and layout of its own: the caller's run is left as it is.
  auto table = std::make_unique<RecipientTable>();
  CertificateLayout layout;
  PrintRunObserver quiet;
  PrintRunContext own{context.layout_db,
                      context.results_db,
                      context.state,
                      context.dialogs,
                      context.options,
                      context.meet_affiliation,
                      layout,
                      *table,
                      quiet};
  for (const auto& [group, logged] : printed) {
    std::map<CertificateKey, const Recipient*> today;
    const auto event = std::find_if(programme.begin(), programme.end(),
                                    [&](const ProgramEvent& e) { return e.number == group.event; });
    if (event != programme.end()) {
      PrintRequest request;
      request.events = {*event};
      request.heat = group.heat;
      request.class_wise = group.class_no != 0;
      request.class_no = group.class_no;
      request.PrnShozNo = context.options.PrnShozNo;
      const CollectResult collected = CollectRecipients(request, own);
      if (collected.outcome == CollectOutcome::kFailed) return std::nullopt;
      const int count = std::min(collected.count, RecipientTable::kCapacity);
      for (int i = 1; i <= count; ++i) {
        today[KeyOf((*table)[i].Source)] = &(*table)[i];
      }
    }
    for (const auto& [key, row] : logged) {
      AwardComparison c;
      c.logged = *row;
      const auto now = today.find(key);
      if (now == today.end()) {
        c.change = AwardChange::kNowOutside;
      } else {
        c.today = *now->second;
        c.what = Differences(*row, c.today);
        c.change = c.what.isEmpty() ? AwardChange::kSame : AwardChange::kChanged;
      }
      out.push_back(c);
    }
    for (const auto& [key, recipient] : today) {
      if (logged.count(key) != 0) continue;
      AwardComparison c;
      c.change = AwardChange::kNowInside;
      c.today = *recipient;
      c.logged = LogRowOf(*recipient, rows.front().meet, 0);
      out.push_back(c);
    }
  }
  return out;
}

std::vector<AwardComparison> ChangedOnly(std::vector<AwardComparison> all) {
  std::erase_if(all, [](const AwardComparison& c) { return c.change == AwardChange::kSame; });
  return all;
}

QString ComparisonLine(const AwardComparison& c) {
  return ChangeMark(c.change) + QLatin1Char('\t') + c.what + QLatin1Char('\t') +
         PrintLogLine(c.logged);
}

}  // namespace kvsys
