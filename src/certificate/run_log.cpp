// What a print run writes to the print log, batch by batch, ahead of what comes out.
#include "certificate/run_log.h"

#include <algorithm>

#include "certificate/print_run.h"
#include "certificate/recipient.h"
#include "common/dialogs.h"
#include "common/text_util.h"
#include "db/db_error.h"

namespace kvsys {

namespace {

QString LogOutputName(const OutputPlace& place) {
  switch (place.kind) {
    case OutputPlace::Kind::kPrinter:
      return kLogPrinter;
    case OutputPlace::Kind::kPdfFile:
    case OutputPlace::Kind::kPdfFolder:
      return kLogPdf;
    case OutputPlace::Kind::kNothing:
      break;
  }
  return QString();
}

}  // namespace

CertificateKey KeyOf(const RecipientSource& source) {
  return {source.event, source.class_no, source.heat,
          source.relay, source.entrant,  source.occurrence};
}

PrintLogRow LogRowOf(const Recipient& r, const LoggedMeet& meet, int layout) {
  PrintLogRow row;
  row.meet = meet;
  row.key = KeyOf(r.Source);
  row.event_text = r.EventName;
  row.stage = TrimBlanks(r.Source.stage);
  row.class_name = r.ClassName;
  row.name = r.Name;
  row.affiliation = r.Affiliation;
  row.rank = r.RankText;
  row.record = r.RecordText;
  row.layout = layout;
  return row;
}

RunLog::RunLog(const RunLogTarget& target, int layout, bool new_only, Dialogs& dialogs)
    : dialogs_(dialogs),
      meet_(target.meet),
      layout_(layout),
      new_only_(new_only),
      automatic_(target.automatic) {
  if (!target.Logged()) return;
  try {
    log_ = target.open();
    // What ended desks left is settled before this run looks at anything.
    log_->Settle();
    log_->KeepLeases();
  } catch (const DbError& e) {
    // Said before anything is printed: a run of only the new ones does not start, any other
    // goes on without the log.
    Failed(e.text());
  }
}

RunLog::~RunLog() {
  ReleaseUndrawn();
}

void RunLog::Failed(const QString& why) {
  log_.reset();
  claims_.clear();
  if (new_only_) {
    error = kNewOnlyStoppedMessage + QLatin1Char('\r') + why;
    return;  // the run stops and says so
  }
  error = kLogOffMessage + QLatin1Char('\r') + why;
  if (!told) {
    told = true;
    dialogs_.MsgBox(error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  }
}

void RunLog::Lost(const std::vector<qint64>& ids) {
  if (ids.empty()) return;
  // Another desk took these claims after they seemed abandoned: it may have printed them too.
  error = QStringLiteral(
              "他の端末が、この端末の確保していた賞状 %1 枚を引き継ぎました。"
              "同じ賞状が二重に出力されたかもしれません。印刷履歴で確かめてください。")
              .arg(ids.size());
  told = false;
}

bool RunLog::Claim(const RecipientTable& table, const std::vector<int>& entries,
                   std::vector<ClaimFate>& fates) {
  table_ = &table;
  fates.assign(entries.size(), ClaimFate::kClaimed);
  if (!log_) return !new_only_ || error.isEmpty();
  std::vector<ClaimItem> items;
  for (int entry : entries) {
    items.push_back({LogRowOf(table[entry], meet_, layout_)});
    items.back().row.automatic = automatic_;
  }
  try {
    log_->Claim(items, new_only_);
  } catch (const DbError& e) {
    Failed(e.text());
    return !new_only_;
  }
  for (size_t k = 0; k < entries.size(); ++k) {
    fates[k] = items[k].fate;
    if (items[k].fate == ClaimFate::kClaimed) claims_[entries[k]] = items[k].id;
  }
  return true;
}

bool RunLog::Sending(int entry, const std::vector<DocumentPlace>& plan) {
  const auto claim = claims_.find(entry);
  if (!log_ || claim == claims_.end() || plan.empty()) return true;
  try {
    Lost(log_->Place({{claim->second, LogOutputName(plan.front().place), plan.front().place.where,
                       plan.front().page, 0}}));
  } catch (const DbError& e) {
    Failed(e.text());
    return !new_only_;
  }
  return true;
}

std::optional<qint64> RunLog::TakeClaim(int entry) {
  const auto claim = claims_.find(entry);
  if (claim == claims_.end()) return std::nullopt;
  const qint64 id = claim->second;
  claims_.erase(claim);
  if (!log_) return std::nullopt;
  return id;
}

void RunLog::Write(const std::function<void()>& write) {
  try {
    write();
  } catch (const DbError& e) {
    Failed(e.text());
  }
}

void RunLog::Drawn(int entry, const DocumentPlace& at) {
  if (at.held) {
    held_.push_back(entry);
    return;
  }
  // Only a record of the drawing was kept (a dump): no certificate came out.
  if (at.place.kind == OutputPlace::Kind::kNothing) return NotDrawn(entry);
  if (const std::optional<qint64> id = TakeClaim(entry)) {
    Write([&] {
      Lost(log_->MarkOut({{*id, LogOutputName(at.place), at.place.where, at.page, at.job}}));
    });
  }
}

void RunLog::NotDrawn(int entry) {
  if (const std::optional<qint64> id = TakeClaim(entry)) Write([&] { log_->Release({*id}); });
}

std::vector<LogPlace> RunLog::PlacesOf(const std::vector<DocumentPlace>& places) const {
  std::vector<LogPlace> rows;
  for (size_t k = 0; k < places.size() && k < held_.size(); ++k) {
    const auto claim = claims_.find(held_[k]);
    if (claim == claims_.end()) continue;
    rows.push_back({claim->second, LogOutputName(places[k].place), places[k].place.where,
                    places[k].page, places[k].job});
  }
  return rows;
}

bool RunLog::PublishHeld(DocumentOutput& output, DocumentOutput::Holding holding, bool finishing,
                         int* not_out, QString* error_text) {
  const auto drop = [&] {
    // Nothing comes out that the log cannot hold: the output drops what it holds when it goes,
    // and the claims end with this process.
    *not_out = static_cast<int>(held_.size());
    held_.clear();
    if (error_text) *error_text = error;
    return false;
  };
  *not_out = 0;
  if (Stopped()) return drop();
  const int held = static_cast<int>(held_.size());
  if (held == 0) return !finishing || output.Finish(error_text);
  const std::vector<DocumentPlace> places = output.Plan();
  if (log_ && places.size() == held_.size()) {
    try {
      Lost(log_->Place(PlacesOf(places)));
    } catch (const DbError& e) {
      Failed(e.text());
      if (Stopped()) return drop();
    }
  }
  std::vector<DocumentPlace> published;
  bool ok = true;
  if (holding == DocumentOutput::Holding::kRun) {
    ok = output.Finish(error_text);
    // One file for the run, or (a file per club) each document where its own file put it.
    if (ok) published = output.Finished(places);
  } else {
    ok = output.Publish(&published, error_text);
    if (finishing && ok) ok = output.Finish(error_text);
  }
  if (log_) {
    try {
      Lost(log_->MarkOut(PlacesOf(published)));
    } catch (const DbError& e) {
      // Their rows say where they are: the next run of any desk marks them out.
      Failed(e.text());
    }
  }
  // Those that did not come out are given back.
  std::vector<qint64> undone;
  for (size_t k = 0; k < held_.size(); ++k) {
    const auto claim = claims_.find(held_[k]);
    if (claim == claims_.end()) continue;
    if (k >= published.size()) undone.push_back(claim->second);
    claims_.erase(claim);
  }
  held_.clear();
  if (log_ && !undone.empty()) {
    try {
      log_->Release(undone);
    } catch (const DbError& e) {
      Failed(e.text());
    }
  }
  *not_out = held - static_cast<int>(std::min(published.size(), static_cast<size_t>(held)));
  return ok;
}

void RunLog::ReleaseUndrawn() {
  std::vector<qint64> ids;
  for (auto it = claims_.begin(); it != claims_.end();) {
    if (std::find(held_.begin(), held_.end(), it->first) != held_.end()) {
      ++it;
      continue;
    }
    ids.push_back(it->second);
    it = claims_.erase(it);
  }
  if (!log_ || ids.empty()) return;
  try {
    log_->Release(ids);
  } catch (const DbError&) {
    // They end with this process and are settled then.
  }
}

void RunLog::AddOut(const Recipient& r, const DocumentPlace& at, int copies) {
  if (!log_) return;
  PrintLogRow row = LogRowOf(r, meet_, layout_);
  row.copies = copies;
  row.output = LogOutputName(at.place);
  row.where = at.place.where;
  row.page = at.page;
  row.job = at.job;
  std::vector<PrintLogRow> rows{row};
  try {
    log_->Add(rows);
  } catch (const DbError& e) {
    Failed(e.text());
  }
}

}  // namespace kvsys
