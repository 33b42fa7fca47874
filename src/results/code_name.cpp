#include "results/code_name.h"

#include "common/byte_text.h"

namespace kvsys {

namespace {

struct NameTable {
  const char16_t* text;
  int width;  // of one slot, in bytes
  int count;  // codes 1..count
};

// One constant text per kind; slot n starts at byte (n - 1) * width + 1.
const NameTable kTables[] = {
    {u"予選　　　タイム決勝Ｂ決勝　　Ａ決勝　　決勝　　　スイムオフ", 10, 6},
    {u"自由形　　　　背泳ぎ　　　　平泳ぎ　　　　バタフライ　　個人メドレー　リレー　　　　"
     u"メドレーリレー",
     14, 7},
    {u"男子女子混合", 4, 3},
    {u"  25  50 100 200 400 8001500 300", 4, 8},
    {u"学童中学高校大学", 4, 4},
    {u"小学中学高校大学", 4, 4},
};

}  // namespace

QString CodeName(int kind, int code) {
  if (kind < 1 || kind > 6) return QString();
  const NameTable& table = kTables[kind - 1];
  QString name =
      code >= 1 && code <= table.count
          ? MidBytes(QString::fromUtf16(table.text), (code - 1) * table.width + 1, table.width)
          : QString(table.width, QLatin1Char(' '));
  if (kind == kCodeDistance) name += QLatin1Char('m');
  return name;
}

}  // namespace kvsys
