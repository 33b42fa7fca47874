#pragma once

#include <QString>
#include <variant>
#include <vector>

namespace kvsys {

// One piece of text drawn in one font. x, y are the current position at which it was output:
// the top-left corner of the run, in twips. A vertical run (a face named "@...") goes down a
// column from there.
struct TextRun {
  int x = 0;
  int y = 0;
  QString font;     // the face name as the layout stores it, not the substituted family
  double size = 0;  // points
  bool bold = false;
  bool italic = false;
  QString text;
  bool vertical = false;
  // As measured when the run was placed, in twips; not part of the dump. A vertical run is
  // as wide as the font's line height and as high as its characters' vertical advances.
  double width = 0;
  double height = 0;  // line height of the font

  bool operator==(const TextRun&) const = default;
};

// A thin straight line, in twips.
struct LineElement {
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;

  bool operator==(const LineElement&) const = default;
};

using PageElement = std::variant<TextRun, LineElement>;

struct PrintPage {
  std::vector<PageElement> elements;  // in drawing order
};

// A composed document: what the renderer paints and the outputs write.
struct PrintDocument {
  // What the document holds, in words ("0001_男子50m自由形_1位_山田太郎"), for the names of
  // files made of it; empty when nobody said.
  QString name;
  int paper = 0;  // the paper code as set, even one the system does not know
  int width = 0;  // sheet, twips
  int height = 0;
  std::vector<PrintPage> pages;

  int PageCount() const { return static_cast<int>(pages.size()); }
  // Page by number, from 1; nullptr when there is no such page.
  const PrintPage* Page(int number) const {
    return number >= 1 && number <= PageCount() ? &pages[number - 1] : nullptr;
  }
};

}  // namespace kvsys
