#include "layout_db_test.h"

namespace kvsys::test {

void LayoutDbTest::SetUp() {
  path_ = folder_.LayoutDbPath();
  db_ = workspace_.OpenDatabase(path_);
  store_ = std::make_unique<LayoutStore>(*db_, dialogs_, errors_);
  raw_ = std::make_unique<RawDb>(path_);
}

std::shared_ptr<Database> LayoutDbTest::OpenSecond() {
  return workspace_.OpenDatabase(path_);
}

LayoutSettings LayoutDbTest::SampleSettings() {
  LayoutSettings s;
  s.rank_heats = 3;
  s.rank_timed_final = 4;
  s.rank_final = 5;
  s.rank_b_final = 6;
  s.title = QStringLiteral("賞状");
  s.edition = QStringLiteral("第12回");
  s.meet_name1 = QStringLiteral("市民水泳大会");
  s.meet_name2 = QStringLiteral("兼 県予選");
  s.body = QStringLiteral("あなたは優秀なる成績を収めましたのでその栄誉を讃えこれを賞します");
  s.date = QStringLiteral("2024年07月21日");
  s.presenter_title = QStringLiteral(" ○○○県水泳連盟理事長");
  s.presenter = QStringLiteral("見本 太郎");
  s.paper_code = 9;
  return s;
}

}  // namespace kvsys::test
