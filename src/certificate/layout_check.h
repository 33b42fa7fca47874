#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <utility>
#include <vector>

#include "certificate/draw_certificate.h"
#include "certificate/recipient.h"
#include "common/print_options.h"
#include "layout/certificate_layout.h"

namespace kvsys {

class Dialogs;

// The captions of the items, item by item, as the preview's panel names them.
const std::array<QString, kLayoutItemCount>& SelectionCaptions();

// Where items run past the sheet or over each other's text, and which were drawn smaller to
// fit (the Shrink option).
struct LayoutProblems {
  std::vector<int> past_edge;                 // items whose text leaves the sheet
  std::vector<std::pair<int, int>> overlaps;  // pairs of items (lower first) whose texts meet
  std::vector<int> shrunk;                    // items drawn smaller to end inside the sheet
  bool empty() const { return past_edge.empty() && overlaps.empty(); }
  // The items named in past_edge or overlaps, each once, in item order.
  std::vector<int> Items() const;
};

// Checks the placements of one drawn certificate on a sheet of page_twips. An item that ran
// onto a later page has run past the bottom edge.
LayoutProblems FindLayoutProblems(const std::vector<ItemPlacement>& placements, QSize page_twips);
// The one-line note under the view: "はみ出し: …　重なり: …　縮小: …" with the items'
// captions; empty when there is nothing to say.
QString ProblemNote(const LayoutProblems& problems);

// The same check over the certificates of a run, before it prints: on how many certificates
// each item runs off the sheet, and each pair of items overlaps.
struct RunLayoutCheck {
  std::map<int, int> past_edge;
  std::map<std::pair<int, int>, int> overlaps;
  bool empty() const { return past_edge.empty() && overlaps.empty(); }
};
// Draws certificates first to last (0 = RecipientCount) of the table as they would print, on a
// surface of its own, and adds up what FindLayoutProblems finds. Messages of the drawing are
// left to the run itself. The table's CurrentRecipient is as it was afterwards. each, when given,
// receives the findings of each certificate, first to last (empty for one not drawn).
RunLayoutCheck CheckRunLayout(const CertificateLayout& layout, RecipientTable& table,
                              const PrintOptions& options, int first = 1, int last = 0,
                              std::vector<LayoutProblems>* each = nullptr);
// The findings of certificates added up.
void AddLayoutProblems(RunLayoutCheck& check, const LayoutProblems& found);
// One line a problem: "大会名前段が用紙からはみ出します（14枚）", "選手名と所属（選手名）が
// 重なります（3枚）".
QStringList DescribeRunCheck(const RunLayoutCheck& check);

}  // namespace kvsys
