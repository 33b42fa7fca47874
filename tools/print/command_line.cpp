// kvsys-print's command line: its options, the combinations that make a run, and its help.
#include <QCommandLineParser>
#include <QDate>
#include <QRegularExpression>

#include "desk/meet_follow.h"
#include "print/print_command.h"

namespace kvsys::printtool {

namespace {

// Reads a whole number in [lo, hi]; nullopt when the text is anything else.
std::optional<int> Number(const QString& text, int lo, int hi) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  if (!ok || n < lo || n > hi) return std::nullopt;
  return n;
}

QString BadValue(const QString& option, const QString& value) {
  return QStringLiteral("%1 の値が正しくありません: %2").arg(option, value);
}

// The options that take no value, where each goes, and whether only a meet run takes it.
struct Flag {
  const char* name;
  bool CommandLine::*into;
  bool meet_only;
};
constexpr Flag kFlags[] = {
    {"version", &CommandLine::version, false},
    {"open-excluded", &CommandLine::open_excluded, true},
    {"all", &CommandLine::all_events, false},
    {"default-layout", &CommandLine::default_layout, true},
    {"default-printer", &CommandLine::to_printer, false},
    {"new-only", &CommandLine::new_only, true},
    {"follow", &CommandLine::follow, true},
    {"log", &CommandLine::log, true},
    {"changed", &CommandLine::changed, true},
    {"check", &CommandLine::check, true},
    {"example-layouts", &CommandLine::example_layouts, true},
    {"calling-order", &CommandLine::calling_order, true},
    {"handed", &CommandLine::handed, true},
    {"not-handed", &CommandLine::not_handed, true},
    {"since-last-sheet", &CommandLine::since_last_sheet, true},
    {"calibration-sheet", &CommandLine::calibration_sheet, false},
};

// The options that take a text.
struct Text {
  const char* name;
  QString CommandLine::*into;
  bool meet_only;
};
constexpr Text kTexts[] = {
    {"program-folder", &CommandLine::program_folder, false},
    {"meet", &CommandLine::meet, false},
    {"recipients", &CommandLine::recipients, false},
    {"pdf", &CommandLine::pdf, false},
    {"pdf-file", &CommandLine::pdf_file, false},
    {"by-affiliation", &CommandLine::by_affiliation, false},
    {"printer", &CommandLine::printer, false},
    {"layout", &CommandLine::layout_name, false},
    {"dump", &CommandLine::dump, false},
    {"recipients-out", &CommandLine::recipients_out, true},
    {"ceremony-sheet", &CommandLine::ceremony_sheet, true},
};

// The options that take a whole number, and its range.
struct Whole {
  const char* name;
  int CommandLine::*into;
  int lo;
  int hi;
};
constexpr Whole kWholes[] = {
    {"rank", &CommandLine::rank, 1, 9999},
    {"skip-up-to", &CommandLine::skip_up_to, 1, 9999},
    {"heat", &CommandLine::heat, 1, 99},
    {"affiliation", &CommandLine::affiliation, 1, 4},
    {"index", &CommandLine::index, 1, 9999},
    {"interval", &CommandLine::interval, 1, 3600},
    {"hold", &CommandLine::hold, 0, kMaxHoldMinutes},
};

QString Dashed(const QString& name) {
  return QStringLiteral("--") + name;
}

// Why the parser refused the arguments, in the command's words.
QString ParseFailure(const QCommandLineParser& parser) {
  if (!parser.unknownOptionNames().isEmpty()) {
    const QString name = parser.unknownOptionNames().first();
    return QStringLiteral("知らないオプションです: %1")
        .arg(name.size() == 1 ? QStringLiteral("-") + name : Dashed(name));
  }
  // "Missing value after '--pdf'."
  static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
  const QRegularExpressionMatch m = quoted.match(parser.errorText());
  return QStringLiteral("%1 に値がありません。").arg(m.hasMatch() ? m.captured(1) : QString());
}

// --events, --day and --class-wise into cl; why one is not usable, empty when all are.
QString ReadEventChoices(const QCommandLineParser& parser, CommandLine& cl,
                         bool& have_meet_option) {
  for (const QString& list : parser.values(QStringLiteral("events"))) {
    for (const QString& part : list.split(QLatin1Char(','))) {
      const std::optional<int> n = Number(part, 1, 32767);
      if (!n) return BadValue(QStringLiteral("--events"), list);
      cl.events.push_back(*n);
    }
  }
  if (parser.isSet(QStringLiteral("day"))) {
    cl.day = parser.value(QStringLiteral("day"));
    if (!QDate::fromString(cl.day, QStringLiteral("yyyy/MM/dd")).isValid()) {
      return BadValue(QStringLiteral("--day"), cl.day);
    }
    have_meet_option = true;
  }
  if (parser.isSet(QStringLiteral("class-wise"))) {
    const QString v = parser.value(QStringLiteral("class-wise"));
    cl.class_wise = true;
    have_meet_option = true;
    if (v != QLatin1String("all")) {
      const std::optional<int> n = Number(v, 1, 32767);
      if (!n) return BadValue(QStringLiteral("--class-wise"), v);
      cl.class_no = *n;
    }
  }
  return QString();
}

// The calibration sheet is printed on plain paper, of no meet: only where it goes may be said.
// Empty when cl asks for nothing else.
QString CalibrationSheetAlone(const CommandLine& cl, bool have_events, bool have_meet_option) {
  const bool other = have_meet_option || have_events || cl.all_events || !cl.meet.isEmpty() ||
                     !cl.recipients.isEmpty() || !cl.pdf.isEmpty() ||
                     !cl.by_affiliation.isEmpty() || !cl.dump.isEmpty() ||
                     !cl.layout_name.isEmpty() || !cl.recipients_out.isEmpty() || cl.index != 0;
  if (!other && !(cl.to_printer && !cl.pdf_file.isEmpty())) return QString();
  return QStringLiteral(
      "--calibration-sheet は位置合わせシートだけを書くため、--printer、--default-printer、"
      "--pdf-file のどれか一つとだけ使えます。");
}

// The combinations a meet run or a recipients run allows; empty when cl is usable.
QString Combinations(const CommandLine& cl, bool have_events, bool have_meet_option) {
  if (!cl.pdf.isEmpty() + !cl.pdf_file.isEmpty() + !cl.by_affiliation.isEmpty() + cl.to_printer >
      1) {
    return QStringLiteral(
        "--pdf、--pdf-file、--by-affiliation、--printer（--default-printer）はどれか一つを"
        "指定してください。");
  }
  if (cl.meet.isEmpty() == cl.recipients.isEmpty()) {
    return QStringLiteral("--meet か --recipients のどちらか一つを指定してください。");
  }
  if (cl.meet.isEmpty()) {
    return have_events || cl.all_events || have_meet_option
               ? QStringLiteral("種目の指定は --meet と一緒に使います。")
               : QString();
  }
  const bool listing = cl.log || cl.changed;
  if (listing && (have_events || cl.all_events || cl.log == cl.changed)) {
    return QStringLiteral("--log と --changed は、どちらか一つを種目の指定なしで使います。");
  }
  if (!listing && have_events == cl.all_events && !(cl.example_layouts && !have_events)) {
    return QStringLiteral("--events か --all のどちらか一つを指定してください。");
  }
  if (cl.index != 0) return QStringLiteral("--index は --recipients と一緒に使います。");
  if (cl.follow && (listing || cl.check || !cl.pdf_file.isEmpty() || !cl.by_affiliation.isEmpty() ||
                    !cl.recipients_out.isEmpty())) {
    return QStringLiteral(
        "--follow は --pdf-file、--by-affiliation、--recipients-out、--log、--changed、--check "
        "と一緒には使えません。");
  }
  // Commands that only read leave KVSYS.mdb as it is: no layout decided or made.
  if (listing && (!cl.layout_name.isEmpty() || cl.default_layout || cl.example_layouts)) {
    return QStringLiteral(
        "--log と --changed は読むだけのため、--layout、--default-layout、--example-layouts "
        "と一緒には使えません。");
  }
  if (cl.check && (cl.default_layout || cl.example_layouts)) {
    return QStringLiteral(
        "--check は読むだけのため、--default-layout、--example-layouts と一緒には使えません"
        "（--layout はこの確認にだけ使います）。");
  }
  if (DumpOnly(cl) && (cl.new_only || cl.follow)) {
    return QStringLiteral(
        "--dump だけの実行は印刷しないため、--new-only、--follow と一緒には使えません。");
  }
  // Marking the log prints nothing: an output asked for with it would not be there.
  if ((cl.handed || cl.not_handed) &&
      (cl.handed == cl.not_handed || !cl.ceremony_sheet.isEmpty() || listing || cl.check ||
       cl.follow || cl.to_printer || !cl.pdf.isEmpty() || !cl.pdf_file.isEmpty() ||
       !cl.by_affiliation.isEmpty() || !cl.dump.isEmpty() || !cl.recipients_out.isEmpty() ||
       cl.new_only || cl.calling_order)) {
    return QStringLiteral(
        "--handed と --not-handed は、どちらか一つを種目の指定とだけ使います（印刷しません）。");
  }
  // The sheet is its own output: a certificate output asked for with it would not be there.
  if (!cl.ceremony_sheet.isEmpty() &&
      (listing || cl.check || cl.follow || cl.to_printer || !cl.pdf.isEmpty() ||
       !cl.pdf_file.isEmpty() || !cl.by_affiliation.isEmpty() || !cl.dump.isEmpty() ||
       !cl.recipients_out.isEmpty() || cl.new_only || cl.calling_order)) {
    return QStringLiteral(
        "--ceremony-sheet は表彰進行表だけを書くため、賞状の出力や印刷履歴の指定と一緒には"
        "使えません。");
  }
  // A check prints nothing: an output asked for with it would silently not be there.
  if (cl.check && (listing || cl.to_printer || !cl.pdf.isEmpty() || !cl.pdf_file.isEmpty() ||
                   !cl.by_affiliation.isEmpty() || !cl.dump.isEmpty() ||
                   !cl.recipients_out.isEmpty() || cl.new_only)) {
    return QStringLiteral("--check は印刷しないため、出力や印刷履歴の指定と一緒には使えません。");
  }
  return QString();
}

}  // namespace

bool DumpOnly(const CommandLine& cl) {
  return !cl.dump.isEmpty() && cl.pdf.isEmpty() && cl.pdf_file.isEmpty() &&
         cl.by_affiliation.isEmpty() && !cl.to_printer;
}

namespace {

// The options explained, one or more lines each.
QString OptionsText() {
  return QStringLiteral(
      "  --pdf DIR       1枚1ファイル（「0001_種目_1位_氏名.pdf」）でフォルダに出力\n"
      "  --pdf-file FILE すべての賞状を1つの PDF ファイルに出力（既存のファイルは上書きしません）\n"
      "  --by-affiliation DIR  所属順（所属・種目・順位）に並べ、所属ごとに1つの PDF ファイル\n"
      "                  （「所属名.pdf」、所属のない賞状は「所属なし.pdf」、リレーはチーム名）\n"
      "                  をフォルダに出力。各ファイルの最初のページはその賞状の一覧（種目・\n"
      "                  順位・氏名）。同じ名前のファイルがあれば「_2」などを付けます\n"
      "  --printer NAME  プリンタ（CUPS のキュー NAME）に印刷。--default-printer は通常使う\n"
      "                  プリンタ。見つからない・停止中のときは何も印刷せずに終わります\n"
      "  どちらも省くと KVSYS.ini の [Output] PdfFolder（既定は DIR/pdf）と PdfFiles\n"
      "  （Run = 1つのファイル〔既定〕、Certificate = 1枚1ファイル）に従います\n"
      "  （--dump だけのときは PDF を出力しません）。\n"
      "  --rank N        N 位だけ        --skip-up-to N  N 位までを除く\n"
      "  --heat N        N 組だけ（組内順位）\n"
      "  --class-wise    クラス別（all = 各クラス別一括、N = クラス番号）\n"
      "  --open-excluded オープン参加を印刷しない\n"
      "  --affiliation   印刷する所属名（1〜3 = 所属名１〜３、4 = 設定値；既定は KVSYS.ini）\n"
      "  --dump FILE     出力した文書を JSON Lines で書く（--dump だけのときは印刷しないので\n"
      "                  印刷履歴にも記録しない）\n"
      "  --recipients-out FILE  選んだ受賞者をタブ区切りで書く（--recipients で読める形）\n"
      "  --since-last-sheet  --ceremony-sheet で、前回の表彰進行表のあとに賞状を印刷した\n"
      "                  種目の表彰進行表を書く（--events、--all の代わり）\n"
      "  --handed        選んだ種目の印刷済みの賞状を授与済にする（--not-handed は取り消す）。\n"
      "                  授与済の賞状の結果が変わると、--changed と印刷状況に「回収」と出る\n"
      "  --calling-order 種目ごとに表彰の呼び出し順で印刷する（KVSYS.ini の [Ceremony]\n"
      "                  CallFrom = Last〔下位から・既定〕または First〔上位から〕）\n"
      "  --ceremony-sheet FILE  選んだ種目の表彰進行表（呼び出し順の受賞者と未印刷の賞状）を\n"
      "                  A4 の PDF ファイル FILE に書く（賞状は印刷しない）\n"
      "  --calibration-sheet  用紙の大きさごとに1枚の位置合わせシート（端の目盛り・中心の\n"
      "                  十字）を書く。プリンタには KVSYS.ini の [Calibration:キュー名] の\n"
      "                  位置合わせ（OffsetX・OffsetY mm、Scale %）をかけて印刷する\n"
      "  --default-layout  決定レイアウトがなければ、「標準」を（なければ新規レイアウトの\n"
      "                  初期値で作って）決定する\n"
      "  --example-layouts  「標準」と縦書きの見本「縦書き」を、同じ名前のレイアウトがなければ\n"
      "                  保存する（種目を指定しなければ、それだけを行う）\n"
      "  --layout NAME   保存名 NAME のレイアウトでこの実行だけ印刷する（決定レイアウトは\n"
      "                  変えない）。選んだ大会と別の大会用のレイアウトは標準エラーで知らせ、\n"
      "                  --follow はそのままでは始めない\n"
      "  --new-only      "
      "印刷履歴にない賞状だけを印刷する（1枚ずつ履歴に確保してから印刷するので、\n"
      "                  同時に印刷する端末と同じ賞状を出しません）。省くと印刷済みの賞状も\n"
      "                  もう一度印刷し、その枚数を標準エラーに書きます\n"
      "  --follow        大会ファイルを --interval 秒（既定 5）ごとに見て、結果がそろった種目の\n"
      "                  "
      "印刷履歴にない賞状を印刷する（始めたときにそろっていた種目は印刷しません）。\n"
      "                  印刷後に結果が変わった賞状は知らせるだけで印刷しません。Ctrl+C（SIGINT・\n"
      "                  SIGTERM）で、描いている賞状を出力してから終わります\n"
      "  --hold MINUTES  --follow で、種目の結果がそろってから MINUTES 分（0〜600）待って\n"
      "                  印刷する（異議申し立ての時間。待つ間に結果が変われば待ち直します）\n"
      "  --log           大会の印刷履歴をタブ区切りで書く（印刷しません。--check・--changed と\n"
      "                  同じく KVSYS.mdb に何も書きません）\n"
      "  --changed       印刷後に順位・記録・氏名・所属が変わった賞状と、圏外になった・圏内に\n"
      "                  入った受賞者をタブ区切りで書く（印刷しません）\n"
      "  --check         印刷前の確認をタブ区切りで書く（印刷しません）：種目ごとの枚数、\n"
      "                  限度順位の同順位（「3位 2名」）、泳者名のないリレー、記録待ち、\n"
      "                  圏内のオープン参加、用紙からはみ出す・重なる項目\n"
      "\n"
      "  終了コード: 0 = 出力した（--check・--log・--changed は書いた）、1 = 出力できなかった\n"
      "  （出力した賞状を印刷履歴に記録できなかったときも）、2 = 引数の誤り、\n"
      "  3 = 受賞者が 9999 人を超え、残りを出力していない（標準エラーに人数と続きの受賞者）\n");
}

}  // namespace

QString UsageText() {
  return QStringLiteral(
             "使い方:\n"
             "  kvsys-print --program-folder DIR --meet FILE --example-layouts\n"
             "  kvsys-print --program-folder DIR --meet FILE (--events N,N,...|--all)\n"
             "              [--day yyyy/mm/dd] [--rank N] [--skip-up-to N] [--heat N]\n"
             "              [--class-wise all|N] [--open-excluded] [--affiliation 1|2|3|4]\n"
             "              [--pdf DIR|--pdf-file FILE|--by-affiliation DIR|--printer NAME|\n"
             "               --default-printer] [--dump FILE] [--recipients-out FILE] "
             "[--new-only]\n"
             "  kvsys-print --program-folder DIR --meet FILE (--events N,N,...|--all) --check\n"
             "              [--day ...] [--rank ...] など、印刷と同じ種目・順位の指定\n"
             "  kvsys-print --program-folder DIR --meet FILE (--events N,N,...|--all)\n"
             "              (--ceremony-sheet FILE|--handed|--not-handed) [--day ...] など\n"
             "  kvsys-print --program-folder DIR --meet FILE --ceremony-sheet FILE "
             "--since-last-sheet\n"
             "  kvsys-print --program-folder DIR --meet FILE (--log|--changed)\n"
             "  kvsys-print --program-folder DIR --calibration-sheet\n"
             "              [--pdf-file FILE|--printer NAME|--default-printer]\n"
             "  kvsys-print --program-folder DIR --meet FILE (--events N,N,...|--all) --follow\n"
             "              [--interval SECONDS] [--hold MINUTES]\n"
             "              [--pdf DIR|--printer NAME|--default-printer] ...\n"
             "  kvsys-print --program-folder DIR --recipients FILE [--index N]\n"
             "              [--pdf DIR|--pdf-file FILE|--by-affiliation DIR|--printer NAME|\n"
             "               --default-printer]\n"
             "              [--dump FILE]\n"
             "  kvsys-print --version\n"
             "\n"
             "  DIR の KVSYS.mdb で決定されたレイアウトと KVSYS.ini "
             "の印刷オプションで、大会の種目の\n"
             "  賞状を印刷の画面と同じ手順で選び、PDF に出力します。\n"
             "  --program-folder を省くと、kvsys と同じく環境変数 "
             "KVSYS_PROGRAM_FOLDER、実行ファイルの\n"
             "  フォルダ（インストールされていないとき）、$XDG_DATA_HOME/kvsys（既定は\n"
             "  "
             "~/.local/share/kvsys）の順に決めます（なければレイアウトの見本入りで作ります）。\n") +
         OptionsText();
}

std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error) {
  const auto fail = [error](const QString& message) -> std::optional<CommandLine> {
    if (error) *error = message;
    return std::nullopt;
  };
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
  for (const Flag& f : kFlags) parser.addOption(QCommandLineOption(QString::fromLatin1(f.name)));
  QStringList with_value{QStringLiteral("events"), QStringLiteral("day"),
                         QStringLiteral("class-wise")};
  for (const Text& t : kTexts) with_value << QString::fromLatin1(t.name);
  for (const Whole& w : kWholes) with_value << QString::fromLatin1(w.name);
  for (const QString& name : with_value) {
    parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
  }
  // The parser takes the program's name first.
  if (!parser.parse(QStringList{QStringLiteral("kvsys-print")} + args)) {
    return fail(ParseFailure(parser));
  }
  if (!parser.positionalArguments().isEmpty()) {
    return fail(
        QStringLiteral("余分な引数があります: %1").arg(parser.positionalArguments().first()));
  }

  CommandLine cl;
  bool have_meet_option = false;  // an option that only a meet run takes
  cl.help = parser.isSet(QStringLiteral("help"));
  for (const Flag& f : kFlags) {
    if (!parser.isSet(QString::fromLatin1(f.name))) continue;
    cl.*(f.into) = true;
    have_meet_option = have_meet_option || f.meet_only;
  }
  // Every option given with a value has one: the last of each counts, --events gathers all.
  for (const QString& name : with_value) {
    if (parser.values(name).contains(QString())) {
      return fail(QStringLiteral("%1 に値がありません。").arg(Dashed(name)));
    }
  }
  for (const Text& t : kTexts) {
    const QString name = QString::fromLatin1(t.name);
    if (!parser.isSet(name)) continue;
    cl.*(t.into) = parser.value(name);
    have_meet_option = have_meet_option || t.meet_only;
  }
  if (parser.isSet(QStringLiteral("printer"))) cl.to_printer = true;
  for (const Whole& w : kWholes) {
    const QString name = QString::fromLatin1(w.name);
    if (!parser.isSet(name)) continue;
    const std::optional<int> n = Number(parser.value(name), w.lo, w.hi);
    if (!n) return fail(BadValue(Dashed(name), parser.value(name)));
    cl.*(w.into) = *n;
    if (name != QLatin1String("index")) have_meet_option = true;
  }
  const bool have_events = parser.isSet(QStringLiteral("events"));
  if (const QString wrong = ReadEventChoices(parser, cl, have_meet_option); !wrong.isEmpty()) {
    return fail(wrong);
  }
  if (cl.help || cl.version) return cl;
  if (cl.calibration_sheet) {
    const QString wrong = CalibrationSheetAlone(cl, have_events, have_meet_option);
    if (!wrong.isEmpty()) return fail(wrong);
    return cl;
  }
  if (cl.since_last_sheet) {
    if (cl.ceremony_sheet.isEmpty() || have_events || cl.all_events) {
      return fail(
          QStringLiteral("--since-last-sheet は --ceremony-sheet と一緒に、--events や --all "
                         "の代わりに使います。"));
    }
    cl.all_events = true;  // then narrowed to the events printed since the last sheet
  }
  if (const QString wrong = Combinations(cl, have_events, have_meet_option); !wrong.isEmpty()) {
    return fail(wrong);
  }
  return cl;
}

}  // namespace kvsys::printtool
