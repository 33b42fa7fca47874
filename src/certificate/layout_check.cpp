// What a certificate's layout does on its sheet: items past the edge, over each other, shrunk.
#include "certificate/layout_check.h"

#include <algorithm>
#include <set>

#include "common/line_dialogs.h"
#include "print/print_surface.h"

namespace kvsys {

const std::array<QString, kLayoutItemCount>& SelectionCaptions() {
  static const std::array<QString, kLayoutItemCount> captions = {QStringLiteral("タイトル"),
                                                                 QStringLiteral("大会回数"),
                                                                 QStringLiteral("大会名前段"),
                                                                 QStringLiteral("大会名後段"),
                                                                 QStringLiteral("選手名"),
                                                                 QStringLiteral("所属（選手名）"),
                                                                 QStringLiteral("クラス（データ）"),
                                                                 QStringLiteral("種目（データ）"),
                                                                 QStringLiteral("順位（データ）"),
                                                                 QStringLiteral("記録（データ）"),
                                                                 QStringLiteral("クラス（項目名）"),
                                                                 QStringLiteral("種目（項目名）"),
                                                                 QStringLiteral("順位（項目名）"),
                                                                 QStringLiteral("記録（項目名）"),
                                                                 QStringLiteral("本文"),
                                                                 QStringLiteral("日付"),
                                                                 QStringLiteral("授与者肩書き"),
                                                                 QStringLiteral("授与者名"),
                                                                 QStringLiteral("敬称")};
  return captions;
}

std::vector<int> LayoutProblems::Items() const {
  std::set<int> items(past_edge.begin(), past_edge.end());
  for (const auto& [a, b] : overlaps) {
    items.insert(a);
    items.insert(b);
  }
  return {items.begin(), items.end()};
}

namespace {

// A text's box without the leading above and the descent below, where ink seldom reaches: lines
// that only touch there are not reported as overlapping. A vertical text's lines are columns.
QRect InkBox(const ItemPlacement& p) {
  if (p.vertical) {
    const int trim = p.rect.width() / 8;
    return p.rect.adjusted(trim, 0, -trim, 0);
  }
  const int trim = p.rect.height() / 8;
  return p.rect.adjusted(0, trim, 0, -trim);
}

}  // namespace

LayoutProblems FindLayoutProblems(const std::vector<ItemPlacement>& placements, QSize page_twips) {
  std::set<int> past;
  std::set<std::pair<int, int>> overlaps;
  const QRect sheet(QPoint(0, 0), page_twips);
  for (size_t i = 0; i < placements.size(); ++i) {
    const ItemPlacement& p = placements[i];
    if (p.rect.isEmpty()) continue;  // printed nothing
    if (p.page > 1 || !sheet.contains(p.rect)) past.insert(p.item);
    for (size_t j = i + 1; j < placements.size(); ++j) {
      const ItemPlacement& q = placements[j];
      if (q.rect.isEmpty() || q.page != p.page || q.item == p.item) continue;
      if (InkBox(p).intersects(InkBox(q))) {
        overlaps.insert({std::min(p.item, q.item), std::max(p.item, q.item)});
      }
    }
  }
  LayoutProblems found{{past.begin(), past.end()}, {overlaps.begin(), overlaps.end()}, {}};
  for (const ItemPlacement& p : placements) {
    if (p.shrunk && past.count(p.item) == 0 &&
        std::find(found.shrunk.begin(), found.shrunk.end(), p.item) == found.shrunk.end()) {
      found.shrunk.push_back(p.item);
    }
  }
  std::sort(found.shrunk.begin(), found.shrunk.end());
  return found;
}

QString ProblemNote(const LayoutProblems& problems) {
  const auto& captions = SelectionCaptions();
  QStringList parts;
  if (!problems.past_edge.empty()) {
    QStringList names;
    for (int item : problems.past_edge) names << captions[item];
    parts << QStringLiteral("はみ出し: ") + names.join(QStringLiteral("、"));
  }
  if (!problems.overlaps.empty()) {
    QStringList pairs;
    for (const auto& [a, b] : problems.overlaps) {
      pairs << captions[a] + QStringLiteral("と") + captions[b];
    }
    parts << QStringLiteral("重なり: ") + pairs.join(QStringLiteral("、"));
  }
  if (!problems.shrunk.empty()) {
    QStringList names;
    for (int item : problems.shrunk) names << captions[item];
    parts << QStringLiteral("縮小: ") + names.join(QStringLiteral("、"));
  }
  return parts.join(QStringLiteral("　"));
}

void AddLayoutProblems(RunLayoutCheck& check, const LayoutProblems& found) {
  for (int item : found.past_edge) ++check.past_edge[item];
  for (const auto& pair : found.overlaps) ++check.overlaps[pair];
}

RunLayoutCheck CheckRunLayout(const CertificateLayout& layout, RecipientTable& table,
                              const PrintOptions& options, int first, int last,
                              std::vector<LayoutProblems>* each) {
  RunLayoutCheck check;
  if (each) each->clear();
  if (last <= 0 || last > table.RecipientCount) last = table.RecipientCount;
  PrintSurface surface;
  // The drawing's own messages (a position below the sheet, a grid of 0) are for the run
  // that prints; the check stays silent.
  LineDialogs quiet;
  PlainWarningLabel label;
  RecipientTable& drawn = table;
  const int16_t current = drawn.CurrentRecipient;
  std::vector<ItemPlacement> placements;
  for (int i = std::max(first, 1); i <= last; ++i) {
    drawn.CurrentRecipient = static_cast<int16_t>(i);
    LayoutProblems found;
    const PrintDocument* doc = nullptr;
    if (DrawCertificate(surface, DrawMode::kPreview, label, layout, drawn, options, quiet,
                        &placements) == DrawResult::kDrawn) {
      doc = surface.HeldDocument();
    }
    if (doc) found = FindLayoutProblems(placements, QSize(doc->width, doc->height));
    AddLayoutProblems(check, found);
    if (each) each->push_back(std::move(found));
  }
  drawn.CurrentRecipient = current;
  return check;
}

QStringList DescribeRunCheck(const RunLayoutCheck& check) {
  const auto& captions = SelectionCaptions();
  QStringList lines;
  for (const auto& [item, count] : check.past_edge) {
    lines << QStringLiteral("%1が用紙からはみ出します（%2枚）").arg(captions[item]).arg(count);
  }
  for (const auto& [pair, count] : check.overlaps) {
    lines << QStringLiteral("%1と%2が重なります（%3枚）")
                 .arg(captions[pair.first], captions[pair.second])
                 .arg(count);
  }
  return lines;
}

}  // namespace kvsys
