// Plans of texts whose layout is shared between sizes: the same as those made from nothing.
#include <gtest/gtest.h>

#include <QString>
#include <thread>
#include <vector>

#include "print/glyph_plan.h"

namespace kvsys {
namespace {

// What a plan draws, apart from the font objects of the thread that made it.
struct Drawn {
  struct Piece {
    QString family;
    double pixels = 0;
    double em = 0;
    double slant = 0;
    double bold_stroke = 0;
    std::vector<quint32> glyphs;
    std::vector<QPointF> at;
    bool operator==(const Piece&) const = default;
  };
  std::vector<Piece> pieces;
  bool exact = true;
  double advance = 0;
  bool operator==(const Drawn&) const = default;
};

Drawn DrawnBy(const TextRun& run) {
  const std::shared_ptr<const TextPlan> plan = PlanText(run);
  Drawn out{{}, plan->exact, plan->advance};
  for (const GlyphPiece& p : plan->pieces) {
    out.pieces.push_back(
        {p.font.familyName(), p.font.pixelSize(), p.em, p.slant, p.bold_stroke, p.glyphs, p.at});
  }
  return out;
}

TEST(GlyphPlan, ATextLaidOutAtAnotherSizeBeforePlansAsOneLaidOutAfresh) {
  const QString name = QStringLiteral("宮崎　翔太");
  const auto run = [&](const char* font, double size, bool bold = false, bool italic = false) {
    TextRun r;
    r.font = QString::fromUtf8(font);
    r.size = size;
    r.bold = bold;
    r.italic = italic;
    r.text = name;
    return r;
  };
  // A certificate's name, then the same text on a list, smaller than the size texts are laid
  // out at, in another style and in another font.
  const std::vector<TextRun> runs = {run("ＭＳ 明朝", 37),       run("ＭＳ 明朝", 10.5),
                                     run("ＭＳ 明朝", 5),        run("ＭＳ 明朝", 6),
                                     run("ＭＳ 明朝", 37, true), run("ＭＳ 明朝", 37, false, true),
                                     run("ＭＳ ゴシック", 37)};
  std::vector<Drawn> after_each_other;
  for (const TextRun& r : runs) after_each_other.push_back(DrawnBy(r));
  for (size_t i = 0; i < runs.size(); ++i) {
    // A thread of its own has laid out nothing yet.
    Drawn fresh;
    std::thread([&] { fresh = DrawnBy(runs[i]); }).join();
    ASSERT_FALSE(fresh.pieces.empty()) << i;
    EXPECT_EQ(after_each_other[i], fresh) << i;
  }
  EXPECT_NE(after_each_other[0].pieces[0].em, after_each_other[1].pieces[0].em);
  EXPECT_NE(after_each_other[0].pieces[0].family, after_each_other[6].pieces[0].family);
}

}  // namespace
}  // namespace kvsys
