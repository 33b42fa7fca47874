#include "samplemeet/command_line.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace kvsys::samplemeet {

QString UsageText() {
  return QStringLiteral(
      "使い方: kvsys-samplemeet [オプション] FOLDER\n"
      "\n"
      "競泳リザルトシステムの大会データベース（SQLite 形式の代替ファイル）を作成します。\n"
      "FOLDER はデータベースフォルダです（無ければ作成します）。\n"
      "\n"
      "  --preset demo|large   demo: 小さな大会 3 件（1: クラスあり 2 日、2: クラスなし 1 日、\n"
      "                        3: 既定値・桁切りを試す設定で 3 日）\n"
      "                        large: 選手 2000 人、300 種目 3 日間、記録 20000 件の大会 1 件\n"
      "  --layout 5.0|4.6      5.0: FOLDER/SwimNN.mdb（既定）、4.6: FOLDER/NN/SWIM.mdb\n"
      "  --meets N,N,...       作成する大会番号（1〜99）\n"
      "  --swimmers N          選手数（1〜30000）\n"
      "  --events N            種目数（1〜999、ほかに競技番号 0 の行が入ります）\n"
      "  --days N              日数（1〜14）\n"
      "  --results N           記録の行数（1〜200000、省略時は 1 種目約 12 件）\n"
      "  --classes on|off      クラス分けの有無\n"
      "  --seed N              乱数の種（同じ種なら同じファイル。既定 1）\n"
      "  --force               既にある大会ファイルを置き換えます\n"
      "  --in-progress         競技中の大会: 前の 3 分の 1 の種目だけ結果があり、残りは\n"
      "                        出場者だけ（記録なし）\n"
      "  --advance N FILE      競技中の大会 FILE の次の N 種目に、リザルトシステムと同じく\n"
      "                        1 レースずつ結果を書き込みます\n"
      "  --help                この説明を表示します\n"
      "\n"
      "オプションはプリセットの値より優先します。プリセットなしでは大会 1 件"
      "（選手 60 人、16 種目、2 日、クラスあり）を作成します。\n"
      "終了コード: 0 正常、1 作成できない（既存ファイルを含む）、2 引数の誤り。\n");
}

namespace {

std::optional<qulonglong> Number(const QString& text, qulonglong low, qulonglong high) {
  bool ok = false;
  // Digits only: no sign, blank or base prefix slips through.
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
  }
  const qulonglong value = text.toULongLong(&ok);
  if (!ok || value < low || value > high) return std::nullopt;
  return value;
}

QString RangeError(const QString& option, const QString& value, int low, int high) {
  return QStringLiteral("%1 の値 \"%2\" が正しくありません（%3〜%4 の整数）。")
      .arg(option, value)
      .arg(low)
      .arg(high);
}

struct Overrides {
  std::optional<QString> preset;
  std::optional<std::vector<int>> meets;
  std::optional<int> swimmers;
  std::optional<int> events;
  std::optional<int> days;
  std::optional<int> results;
  std::optional<bool> classes;
  std::optional<quint64> seed;
  bool in_progress = false;
};

// The overrides the options give, checked; an error message when one is not usable.
QString ReadOverrides(const QCommandLineParser& parser, CommandLine& line, Overrides& set) {
  const auto given = [&parser](const char* name) { return parser.isSet(QLatin1String(name)); };
  const auto value = [&parser](const char* name) { return parser.value(QLatin1String(name)); };
  if (given("preset")) {
    if (PresetMeets(value("preset")).empty()) {
      return QStringLiteral("--preset は demo か large です（\"%1\"）。").arg(value("preset"));
    }
    set.preset = value("preset");
  }
  if (given("layout")) {
    if (value("layout") == QLatin1String("5.0")) {
      line.layout = FolderLayout::Ver50;
    } else if (value("layout") == QLatin1String("4.6")) {
      line.layout = FolderLayout::Ver46;
    } else {
      return QStringLiteral("--layout は 5.0 か 4.6 です（\"%1\"）。").arg(value("layout"));
    }
  }
  if (given("meets")) {
    std::vector<int> numbers;
    for (const QString& part : value("meets").split(QLatin1Char(','))) {
      const auto number = Number(part.trimmed(), 1, kMaxMeetNo);
      if (!number) return RangeError(QStringLiteral("--meets"), value("meets"), 1, kMaxMeetNo);
      if (std::find(numbers.begin(), numbers.end(), static_cast<int>(*number)) != numbers.end()) {
        return QStringLiteral("--meets の大会番号 %1 が重複しています。").arg(*number);
      }
      numbers.push_back(static_cast<int>(*number));
    }
    set.meets = numbers;
  }
  const struct {
    const char* name;
    int high;
    std::optional<int>* into;
  } counts[] = {{"swimmers", kMaxSwimmers, &set.swimmers},
                {"events", kMaxEvents, &set.events},
                {"days", kMaxDays, &set.days},
                {"results", kMaxResults, &set.results}};
  for (const auto& c : counts) {
    if (!given(c.name)) continue;
    const auto number = Number(value(c.name), 1, static_cast<qulonglong>(c.high));
    if (!number) {
      return RangeError(QStringLiteral("--") + QLatin1String(c.name), value(c.name), 1, c.high);
    }
    *c.into = static_cast<int>(*number);
  }
  if (given("classes")) {
    if (value("classes") != QLatin1String("on") && value("classes") != QLatin1String("off")) {
      return QStringLiteral("--classes は on か off です（\"%1\"）。").arg(value("classes"));
    }
    set.classes = value("classes") == QLatin1String("on");
  }
  if (given("seed")) {
    const auto number = Number(value("seed"), 0, ~0ULL);
    if (!number) {
      return QStringLiteral("--seed の値 \"%1\" が正しくありません（0 以上の整数）。")
          .arg(value("seed"));
    }
    set.seed = *number;
  }
  set.in_progress = given("in-progress");
  line.force = given("force");
  return QString();
}

// Why the parser refused the arguments, in the command's words.
QString ParseFailure(const QCommandLineParser& parser, const QStringList& args) {
  if (!parser.unknownOptionNames().isEmpty()) {
    return QStringLiteral("不明なオプションです: --%1").arg(parser.unknownOptionNames().first());
  }
  if (args.contains(QStringLiteral("--advance"))) {
    return QStringLiteral("--advance には N と FILE が要ります。");
  }
  // "Missing value after '--seed'."
  static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
  const QRegularExpressionMatch m = quoted.match(parser.errorText());
  return QStringLiteral("%1 の値がありません。").arg(m.hasMatch() ? m.captured(1) : QString());
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error) {
  CommandLine line;
  Overrides set;
  auto fail = [&](const QString& message) {
    if (error) *error = message;
    return std::nullopt;
  };
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
  for (const char* flag : {"force", "in-progress"}) {
    parser.addOption(QCommandLineOption(QString::fromLatin1(flag)));
  }
  const QStringList with_value{QStringLiteral("preset"),  QStringLiteral("layout"),
                               QStringLiteral("meets"),   QStringLiteral("swimmers"),
                               QStringLiteral("events"),  QStringLiteral("days"),
                               QStringLiteral("results"), QStringLiteral("classes"),
                               QStringLiteral("seed"),    QStringLiteral("advance")};
  for (const QString& name : with_value) {
    parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
  }
  // The parser takes the program's name first.
  if (!parser.parse(QStringList{QStringLiteral("kvsys-samplemeet")} + args)) {
    return fail(ParseFailure(parser, args));
  }
  if (parser.isSet(QStringLiteral("help"))) {
    line.help = true;
    return line;
  }
  const QStringList positional = parser.positionalArguments();
  if (parser.isSet(QStringLiteral("advance"))) {
    const QString n = parser.value(QStringLiteral("advance"));
    const auto number = Number(n, 1, kMaxEvents);
    if (!number) return fail(RangeError(QStringLiteral("--advance"), n, 1, kMaxEvents));
    if (positional.isEmpty()) return fail(QStringLiteral("--advance には N と FILE が要ります。"));
    line.advance = static_cast<int>(*number);
    line.advance_file = positional.first();
    if (positional.size() > 1) return fail(QStringLiteral("--advance にフォルダは指定しません。"));
    return line;
  }
  if (positional.size() > 1) {
    return fail(
        QStringLiteral("フォルダは 1 つだけ指定してください（\"%1\"）。").arg(positional[1]));
  }
  line.folder = positional.value(0);
  if (const QString wrong = ReadOverrides(parser, line, set); !wrong.isEmpty()) return fail(wrong);
  if (line.folder.isEmpty()) return fail(QStringLiteral("フォルダを指定してください。"));

  std::vector<MeetSpec> base = set.preset ? PresetMeets(*set.preset) : std::vector<MeetSpec>{{}};
  if (set.meets) {
    // Meet numbers replace the preset's; a longer list reuses its shapes in turn.
    std::vector<MeetSpec> renumbered;
    for (size_t i = 0; i < set.meets->size(); ++i) {
      MeetSpec spec = base[i % base.size()];
      spec.number = (*set.meets)[i];
      renumbered.push_back(spec);
    }
    base = renumbered;
  }
  for (MeetSpec& spec : base) {
    if (set.swimmers) spec.swimmers = *set.swimmers;
    if (set.events) spec.events = *set.events;
    if (set.days) spec.days = *set.days;
    if (set.results) spec.results = *set.results;
    if (set.classes) spec.classes = *set.classes;
    if (set.seed) spec.seed = *set.seed;
    spec.in_progress = set.in_progress;
  }
  line.meets = base;
  return line;
}

int RunSampleMeetCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
  QString error;
  const std::optional<CommandLine> line = ParseCommandLine(args, &error);
  if (!line) {
    err << QStringLiteral("kvsys-samplemeet: ") << error << '\n'
        << QStringLiteral("使い方は kvsys-samplemeet --help で表示します。") << '\n';
    err.flush();
    return kExitBadArguments;
  }
  if (line->help) {
    out << UsageText();
    out.flush();
    return kExitOk;
  }
  if (line->advance > 0) {
    const std::vector<int> filled = AdvanceMeet(line->advance_file, line->advance, &error);
    for (int event : filled)
      out << QStringLiteral("競技番号 %1 の結果を書き込みました。").arg(event) << '\n';
    if (filled.empty() && error.isEmpty())
      out << QStringLiteral("書き込む結果はもうありません。") << '\n';
    out.flush();
    if (!error.isEmpty()) {
      err << QStringLiteral("kvsys-samplemeet: ") << error << '\n';
      err.flush();
      return kExitFailed;
    }
    return kExitOk;
  }
  // Check every target first, so a refused run writes nothing at all.
  if (!line->force) {
    bool exists = false;
    for (const MeetSpec& spec : line->meets) {
      const QString path = MeetFilePath(line->folder, line->layout, spec.number);
      if (QFileInfo::exists(path)) {
        err << QStringLiteral("kvsys-samplemeet: %1 は既にあります。")
                   .arg(QDir::toNativeSeparators(path))
            << '\n';
        exists = true;
      }
    }
    if (exists) {
      err << QStringLiteral("何も作成しませんでした。置き換えるには --force を指定してください。")
          << '\n';
      err.flush();
      return kExitFailed;
    }
  }
  for (const MeetSpec& spec : line->meets) {
    const MeetTables meet = GenerateSampleMeet(spec);
    const QString path = MeetFilePath(line->folder, line->layout, spec.number);
    if (!WriteMeetFile(path, meet, line->force, &error)) {
      err << QStringLiteral("kvsys-samplemeet: ") << error << '\n';
      err.flush();
      return kExitFailed;
    }
    const auto rows = [&](const char* table) {
      const Table* t = meet.Find(QString::fromUtf8(table));
      return t ? static_cast<int>(t->rows.size()) : 0;
    };
    out << QStringLiteral("%1: 選手 %2 人、種目 %3、記録 %4 件")
               .arg(QDir::toNativeSeparators(path))
               .arg(rows("選手マスター"))
               .arg(rows("プログラム") - 1)
               .arg(rows("記録マスター"))
        << '\n';
  }
  out.flush();
  return kExitOk;
}

}  // namespace kvsys::samplemeet
