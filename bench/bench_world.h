#pragma once

// What the drawing benchmarks set up alike: a layout database holding one decided layout with a
// meet's texts, and the baseline they are measured against: the texts of composed pages drawn
// straight with QPainter, their fonts and baselines worked out beforehand.

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "bench_support.h"
#include "db/workspace.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "print/font_substitution.h"
#include "print/print_document.h"
#include "samplemeet/sample_meet.h"

namespace kvsys {

// The texts of layout 1 in every drawing benchmark.
inline CertificateTexts SampleTexts() {
  CertificateTexts s;
  s.title = QStringLiteral("賞状");
  s.edition = QStringLiteral("第45回");
  s.meet_name1 = QStringLiteral("市民水泳競技大会");
  s.meet_name2 = QStringLiteral("兼 県選手権予選");
  s.body = QStringLiteral(
      "あなたは頭書の競技において優秀なる成績を収められましたのでその栄誉を讃え"
      "これを賞します");
  s.date = QStringLiteral("2026年07月18日");
  s.presenter_title = QStringLiteral("○○県水泳連盟理事長");
  s.presenter = QStringLiteral("見本 太郎");
  return s;
}

// The large sample meet (300 events, 20,000 results) written into folder: its file.
inline QString WriteLargeMeet(const QString& folder) {
  QString error;
  return samplemeet::WriteSampleMeet(folder, samplemeet::FolderLayout::Ver50,
                                     samplemeet::PresetMeets(QStringLiteral("large")).front(),
                                     false, &error);
}

// KVSYS.mdb in a folder of its own, with layout 1 (標準, the texts given, one rank limit for
// every stage) decided.
struct BenchLayoutDb {
  QTemporaryDir dir;
  Workspace workspace;
  std::shared_ptr<Database> layout_db;
  SilentDialogs dialogs;
  DbErrorState state;
  std::optional<LayoutSettings> settings;  // layout 1's as read back

  explicit BenchLayoutDb(int rank_limit = 1, const CertificateTexts& texts = SampleTexts()) {
    const QString path = dir.filePath(QStringLiteral("KVSYS.mdb"));
    CreateLayoutDatabase(path);
    layout_db = workspace.OpenDatabase(path);
    LayoutStore store(*layout_db, dialogs, state);
    LayoutSettings s;
    static_cast<CertificateTexts&>(s) = texts;
    s.rank_heats = s.rank_timed_final = s.rank_final = s.rank_b_final = rank_limit;
    store.CreateLayout(1, QStringLiteral("標準"), 1, s);
    store.DecideLayout(1);
    settings = store.ReadSettings(1);
  }
};

// One text of the direct drawing: its baseline and its font.
struct DirectText {
  QPointF baseline;
  const QFont* font;
  QString text;
};

class DirectTexts {
 public:
  // The texts of a composed page, in the fonts the certificate asks for.
  std::vector<DirectText> Of(const PrintPage& page) {
    std::vector<DirectText> texts;
    for (const PageElement& e : page.elements) {
      const TextRun* run = std::get_if<TextRun>(&e);
      if (!run) continue;
      const auto key = std::make_tuple(run->font, run->size, run->bold, run->italic);
      auto it = fonts_.find(key);
      if (it == fonts_.end()) {
        it = fonts_.emplace(key, CertificateFont(run->font, run->size, run->bold, run->italic))
                 .first;
      }
      texts.push_back(DirectText{QPointF(run->x, run->y + QFontMetricsF(it->second).ascent()),
                                 &it->second, run->text});
    }
    return texts;
  }

 private:
  std::map<std::tuple<QString, double, bool, bool>, QFont> fonts_;  // node-based: texts point in
};

inline void DrawDirect(QPainter& p, const std::vector<DirectText>& texts) {
  for (const DirectText& t : texts) {
    p.setFont(*t.font);
    p.drawText(t.baseline, t.text);
  }
}

}  // namespace kvsys
