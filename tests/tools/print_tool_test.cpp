// kvsys-print: its command line, a demo meet printed headless, and the recipients file read
// back by the first form of the command.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextStream>
#include <QThread>
#include <map>
#include <memory>
#include <set>

#include "common/cp932.h"
#include "common/print_options.h"
#include "db/workspace.h"
#include "layout/layout_db_open.h"
#include "layout/layout_schema.h"
#include "layout/layout_settings.h"
#include "layout/layout_store.h"
#include "print/file_names.h"
#include "print/print_command.h"
#include "print/print_surface.h"
#include "print/recipients_file.h"
#include "results/meet_settings.h"
#include "samplemeet/sample_meet.h"
#include "support/document_helpers.h"
#include "support/fixture.h"
#include "support/program_folder.h"
#include "support/raw_db.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace kvsys::printtool {
namespace {

QStringList Args(const QString& line) {
  return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(PrintCommandLine, MeetFormAndRecipientsForm) {
  QString error;
  std::optional<CommandLine> cl = ParseCommandLine(
      Args("--program-folder p --meet m.mdb --events 3,1,12 --day 2026/07/18 --rank 2 "
           "--skip-up-to=1 --heat 4 --class-wise all --open-excluded --affiliation 2 --pdf out "
           "--dump d.jsonl --recipients-out r.tsv"),
      &error);
  ASSERT_TRUE(cl) << error.toStdString();
  EXPECT_EQ(cl->events, (std::vector<int>{3, 1, 12}));
  EXPECT_EQ(cl->skip_up_to, 1);  // the --option=value form
  EXPECT_TRUE(cl->class_wise);
  EXPECT_EQ(cl->class_no, 0);
  cl = ParseCommandLine(Args("--program-folder p --meet m --all --class-wise 3"), &error);
  ASSERT_TRUE(cl);
  EXPECT_EQ(cl->class_no, 3);
  cl = ParseCommandLine(Args("--program-folder p --meet m --events 2 --check --rank 1"), &error);
  ASSERT_TRUE(cl) << error.toStdString();
  EXPECT_TRUE(cl->check);
  cl = ParseCommandLine(Args("--program-folder p --recipients r.tsv --index 2"), &error);
  ASSERT_TRUE(cl) << error.toStdString();
  EXPECT_EQ(cl->index, 2);
  // No folder named: the one kvsys would use is found when the command runs.
  cl = ParseCommandLine(Args("--meet m --all"), &error);
  ASSERT_TRUE(cl) << error.toStdString();
  EXPECT_TRUE(cl->program_folder.isEmpty());

  const char* bad[] = {
      "--program-folder p --meet m --recipients r --all",    // two sources
      "--program-folder p --meet m",                         // no events
      "--program-folder p --meet m --events 1,x",            // not a number
      "--program-folder p --meet m --all --heat 100",        // past the last heat
      "--program-folder p --meet m --all --day 2026-07-18",  // not the date form
      "--program-folder p --recipients r --rank 1",          // a meet option
      "--program-folder p --meet m --all --colour red",      // unknown
      "--program-folder p --meet m --all --check --pdf o",   // a check prints nothing
      "--program-folder p --meet m --check",                 // no events
      "--program-folder p --recipients r --check",           // a meet option
      // Commands that only read decide or make no layout; a dump alone logs nothing.
      "--program-folder p --meet m --log --layout x",
      "--program-folder p --meet m --changed --default-layout",
      "--program-folder p --meet m --all --check --example-layouts",
      "--program-folder p --meet m --all --dump d --new-only",
  };
  for (const char* line : bad) {
    error.clear();
    EXPECT_FALSE(ParseCommandLine(Args(QString::fromLatin1(line)), &error)) << line;
    EXPECT_FALSE(error.isEmpty()) << line;
  }
}

class PrintCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    meet = samplemeet::WriteSampleMeet(folder.Meets(), samplemeet::FolderLayout::Ver50,
                                       samplemeet::PresetMeets(QStringLiteral("demo")).front(),
                                       false, &error);
    ASSERT_FALSE(meet.isEmpty()) << error.toStdString();
  }
  void Decide() {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    test::ScriptedDialogs dialogs;
    DbErrorState state;
    LayoutStore store(*db, dialogs, state);
    ASSERT_EQ(store.CreateLayout(1, QStringLiteral("標準"), 1, LayoutSettings{}), 1);
    ASSERT_TRUE(store.DecideLayout(1));
  }
  int Run(const QString& line) {
    out_text.clear();
    err_text.clear();
    QTextStream out(&out_text);
    QTextStream err(&err_text);
    return RunPrintCommand(Args(QStringLiteral("--program-folder ") + folder.path() + u' ' + line),
                           out, err);
  }
  // The documents of a dump without their numbers, one text per document.
  QStringList Documents(const QString& name) const {
    QStringList docs;
    for (const QString& line : QString::fromUtf8(folder.Read(name)).split(u'\n')) {
      if (line.isEmpty()) continue;
      if (line.contains(QStringLiteral("\"op\":\"document\""))) docs << QString();
      docs.last() +=
          QString(line).remove(QRegularExpression(QStringLiteral("^\\{\"doc\":\\d+,"))) + u'\n';
    }
    return docs;
  }

  test::ProgramFolder folder;
  QString meet;
  QString out_text;
  QString err_text;
};

TEST_F(PrintCommandTest, AMeetPrintedHeadlessAndReadBackFromItsRecipients) {
  ASSERT_EQ(Run(QStringLiteral("--all --meet ") + meet), kExitFailed);
  EXPECT_TRUE(err_text.contains(QStringLiteral("表示内容を決定してください。")));
  Decide();

  const QString dump = folder.File(QStringLiteral("all.jsonl"));
  const QString tsv = folder.File(QStringLiteral("all.tsv"));
  const QString pdf = folder.File(QStringLiteral("pdf"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --pdf %2 --dump %3 --recipients-out %4")
                    .arg(meet, pdf, dump, tsv)),
            kExitOk)
      << err_text.toStdString();
  const QStringList lines =
      QString::fromUtf8(folder.Read(QStringLiteral("all.tsv"))).split(u'\n', Qt::SkipEmptyParts);
  const QStringList docs = Documents(QStringLiteral("all.jsonl"));
  ASSERT_GT(lines.size(), 20);
  EXPECT_EQ(docs.size(), lines.size());
  EXPECT_EQ(QDir(pdf).entryList(QDir::Files).size(), lines.size());
  for (const QString& line : lines) EXPECT_EQ(line.count(u'\t'), 5) << line.toStdString();
  EXPECT_TRUE(out_text.contains(QStringLiteral("賞状 %1 枚を出力しました。").arg(lines.size())));

  // The same certificate from the recipients file.
  ASSERT_EQ(Run(QStringLiteral("--recipients %1 --index 3 --dump %2")
                    .arg(tsv, folder.File(QStringLiteral("one.jsonl")))),
            kExitOk)
      << err_text.toStdString();
  const QStringList one = Documents(QStringLiteral("one.jsonl"));
  ASSERT_EQ(one.size(), 1);
  EXPECT_EQ(one[0], docs[2]);

  // The whole run as one file, which a second run never overwrites.
  const QString one_file = folder.File(QStringLiteral("run.pdf"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --pdf-file %2").arg(meet, one_file)), kExitOk)
      << err_text.toStdString();
  const QByteArray whole = folder.Read(QStringLiteral("run.pdf"));
  EXPECT_EQ(
      QString::fromLatin1(whole).count(QRegularExpression(QStringLiteral(R"(/Type\s*/Page[^s])"))),
      lines.size());
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --all --pdf-file %2").arg(meet, one_file)), kExitFailed);
  EXPECT_TRUE(err_text.contains(QStringLiteral("同じ名前のファイルがあります。")));
  EXPECT_EQ(folder.Read(QStringLiteral("run.pdf")), whole);

  // The layout prints rank 1 only: skipping it leaves nothing, which is said, not an error.
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --events 1 --skip-up-to 1").arg(meet)), kExitOk);
  EXPECT_TRUE(err_text.contains(QStringLiteral("印刷対象がありません。")));
}

// The pages of a PDF file as pdftotext reads them, blanks dropped (a name may be spaced out).
QStringList PdfPages(test::Poppler& poppler, const QString& file) {
  QStringList pages =
      QString::fromUtf8(poppler.Run(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}))
          .remove(QRegularExpression(QStringLiteral("[ \u3000\r\n]")))
          .split(u'\f');
  if (!pages.isEmpty() && pages.last().isEmpty()) pages.removeLast();
  return pages;
}

// What the print log (kvsys-print --log) says of the certificates written into a folder's club
// files, checked against the files as poppler reads them.
struct ClubFiles {
  std::map<QString, QString> file_of_club;
  std::map<QString, std::set<int>> logged_pages;  // by file name
  std::map<QString, QStringList> pages_of;        // by file name

  // Each logged certificate is in its club's file (a relay's club is its team), on a page that
  // shows its name.
  void ReadLog(const QString& log, const QString& folder, test::Poppler& poppler) {
    for (const QString& line : log.split(u'\n', Qt::SkipEmptyParts).mid(1)) {
      const QStringList f = line.split(u'\t');
      ASSERT_GT(f.size(), 23) << line.toStdString();
      if (!f[22].startsWith(QDir::toNativeSeparators(folder))) continue;
      const QString file = QFileInfo(f[22]).fileName();
      const QString club = f[10] == QLatin1String("1") ? f[12] : f[13];
      EXPECT_TRUE(file.startsWith(SafeFileName(club.isEmpty() ? QStringLiteral("所属なし") : club)))
          << line.toStdString();
      // One file per club, one club per file.
      EXPECT_EQ(file_of_club.emplace(club, file).first->second, file) << line.toStdString();
      if (!pages_of.count(file)) pages_of[file] = PdfPages(poppler, f[22]);
      const int page = f[23].toInt();
      EXPECT_TRUE(logged_pages[file].insert(page).second) << line.toStdString();
      ASSERT_TRUE(page >= 2 && page <= pages_of[file].size()) << line.toStdString();
      EXPECT_TRUE(pages_of[file][page - 1].contains(QString(f[12]).remove(u' ').remove(u'\u3000')))
          << line.toStdString();
    }
  }
  // Each file is its cover, listing as many as it holds, then its certificates; the number of
  // certificates in all.
  int Check(const QStringList& files) {
    EXPECT_EQ(file_of_club.size(), static_cast<size_t>(files.size()));
    int certificates = 0;
    for (const QString& file : files) {
      const QStringList& pages = pages_of[file];
      const std::set<int>& logged = logged_pages[file];
      const int n = static_cast<int>(logged.size());
      certificates += n;
      if (n == 0) {
        ADD_FAILURE() << file.toStdString() << " holds no logged certificate";
        continue;
      }
      EXPECT_TRUE(pages[0].contains(QStringLiteral("賞状一覧（%1枚）").arg(n)))
          << file.toStdString();
      const int cover = static_cast<int>(pages.size()) - n;
      EXPECT_GE(cover, 1) << file.toStdString();
      EXPECT_EQ(*logged.begin(), cover + 1) << file.toStdString();
      EXPECT_EQ(*logged.rbegin(), pages.size()) << file.toStdString();
      for (int page = cover + 1; page <= pages.size(); ++page) {
        EXPECT_FALSE(pages[page - 1].contains(QStringLiteral("賞状一覧"))) << file.toStdString();
      }
    }
    return certificates;
  }
};

// A recipients file's club files: the clubs' order, names that meet once made safe, no
// affiliation, and a file that is there already, which is never replaced.
void CheckRecipientClubs(const QString& folder, const QStringList& drawn, test::Poppler& poppler) {
  const QStringList order = {QStringLiteral("山田太郎"), QStringLiteral("田中一郎"),
                             QStringLiteral("佐藤次郎"), QStringLiteral("鈴木花子")};
  // Drawn in the clubs' order, those without an affiliation last.
  ASSERT_EQ(drawn.size(), order.size());
  for (int k = 0; k < order.size(); ++k) {
    EXPECT_TRUE(drawn[k].contains(order[k])) << drawn[k].toStdString();
  }
  const std::map<QString, QStringList> expected = {
      {QStringLiteral("A_B.pdf"), {order[0], order[1]}},
      {QStringLiteral("A_B_2.pdf"), {order[2]}},
      {QStringLiteral("所属なし_2.pdf"), {order[3]}}};
  EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 4);
  for (const auto& [file, names] : expected) {
    const QStringList pages = PdfPages(poppler, QDir(folder).filePath(file));
    ASSERT_EQ(pages.size(), names.size() + 1) << file.toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral("賞状一覧（%1枚）").arg(names.size())));
    for (int k = 0; k < names.size(); ++k) {
      // The cover lists them all; each certificate page shows its own name only.
      EXPECT_TRUE(pages[0].contains(names[k])) << file.toStdString();
      for (const QString& name : order) {
        EXPECT_EQ(pages[k + 1].contains(name), name == names[k]) << file.toStdString();
      }
    }
  }
}

TEST_F(PrintCommandTest, ClubFilesHoldTheRunByAffiliation) {
  Decide();
  test::Poppler poppler;
  // The same run as one file: as many certificates as the clubs' files hold in all.
  const QString one_file = folder.File(QStringLiteral("run.pdf"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --pdf-file %2").arg(meet, one_file)), kExitOk)
      << err_text.toStdString();
  const int run_pages = poppler.Pages(one_file);
  ASSERT_GT(run_pages, 20);
  const QString clubs = folder.File(QStringLiteral("clubs"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --by-affiliation %2").arg(meet, clubs)), kExitOk)
      << err_text.toStdString();
  EXPECT_TRUE(out_text.contains(QStringLiteral("賞状 %1 枚を出力しました。").arg(run_pages)));
  const QStringList files = QDir(clubs).entryList({QStringLiteral("*.pdf")}, QDir::Files);
  ASSERT_GT(files.size(), 2);
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --log").arg(meet)), kExitOk);
  ClubFiles seen;
  seen.ReadLog(out_text, clubs, poppler);
  EXPECT_EQ(seen.Check(files), run_pages);

  folder.Write(QStringLiteral("clubs2/所属なし.pdf"), "not ours");
  folder.Write(QStringLiteral("r.tsv"),
               "山田太郎\tA/B\t男子50m自由形\t\t１\t\n"
               "鈴木花子\t\t女子50m自由形\t\t２\t\n"
               "佐藤次郎\tA_B\t男子50m自由形\t\t２\t\n"
               "田中一郎\tA/B\t男子100m自由形\t\t３\t\n");
  const QString clubs2 = folder.File(QStringLiteral("clubs2"));
  ASSERT_EQ(Run(QStringLiteral("--recipients %1 --by-affiliation %2 --dump %3")
                    .arg(folder.File(QStringLiteral("r.tsv")), clubs2,
                         folder.File(QStringLiteral("clubs.jsonl")))),
            kExitOk)
      << err_text.toStdString();
  EXPECT_EQ(folder.Read(QStringLiteral("clubs2/所属なし.pdf")), QByteArray("not ours"));
  CheckRecipientClubs(clubs2, Documents(QStringLiteral("clubs.jsonl")), poppler);
}

TEST_F(PrintCommandTest, WhatCannotBeDoneIsSaid) {
  Decide();
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --events 999").arg(meet)), kExitBadArguments);
  EXPECT_TRUE(err_text.contains(QStringLiteral("競技番号 999")));
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --all --day 2001/01/01 --dump %2")
                    .arg(meet, folder.File(QStringLiteral("x.jsonl")))),
            kExitBadArguments);
  EXPECT_TRUE(err_text.contains(QStringLiteral("印刷する種目を選択してください。")));
  folder.Write(QStringLiteral("bad.tsv"), "a\tb\tc\td\te\tf\tg\n");
  EXPECT_EQ(Run(QStringLiteral("--recipients %1").arg(folder.File(QStringLiteral("bad.tsv")))),
            kExitFailed);
  EXPECT_TRUE(err_text.contains(QStringLiteral("1 行目")));

  // Without its settings file the run still prints, with the built-in options, and says so.
  QFile::remove(folder.File(QStringLiteral("KVSYS.ini")));
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --events 1 --dump %2")
                    .arg(meet, folder.File(QStringLiteral("y.jsonl")))),
            kExitOk);
  EXPECT_TRUE(err_text.contains(QStringLiteral("初期設定ファイルがありません。")))
      << err_text.toStdString();
}

// A damaged KVSYS.mdb is refused before anything is printed or logged, even where the damage
// lies in a table the run never reads: the run fails saying so, nothing more is written to the
// file and a copy is kept beside it.
TEST_F(PrintCommandTest, ADamagedLayoutDatabaseIsRefusedAndLeftAsItWas) {
  Decide();
  const QByteArray bytes = folder.DamageLayoutDb(QStringLiteral("KVSSEL"));
  const QString pdf = folder.File(QStringLiteral("pdf"));
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --all --pdf %2").arg(meet, pdf)), kExitFailed);
  EXPECT_TRUE(err_text.contains(kLayoutDbDamagedMessage)) << err_text.toStdString();
  EXPECT_TRUE(QDir(pdf).entryList(QDir::Files).isEmpty());
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb")), bytes);
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb.damaged")), bytes);
}

// The demo meet printed with the example 標準, as ./run.sh sets a program folder up: the
// edition stands on its own ("第40回", no "第0回" over it) and every text ends inside its sheet.
TEST_F(PrintCommandTest, TheDemoMeetsStandardCertificatesEndInsideTheSheet) {
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --example-layouts").arg(meet)), kExitOk)
      << err_text.toStdString();
  const QString dump = folder.File(QStringLiteral("s.jsonl"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --dump %2").arg(meet, dump)), kExitOk)
      << err_text.toStdString();
  EXPECT_FALSE(err_text.contains(QStringLiteral("はみ出します"))) << err_text.toStdString();
  PrintSurface measure;
  int sheet_width = 0;
  int texts = 0;
  QStringList editions;
  for (const QByteArray& line : folder.Read(QStringLiteral("s.jsonl")).split('\n')) {
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    if (o.value(QStringLiteral("op")) == QStringLiteral("document")) {
      sheet_width = o.value(QStringLiteral("width")).toInt();
      continue;
    }
    if (o.value(QStringLiteral("op")) != QStringLiteral("text")) continue;
    ++texts;
    const QString text = o.value(QStringLiteral("text")).toString();
    if (text.startsWith(u'第') && text.endsWith(u'回')) editions << text;
    measure.SetFontName(o.value(QStringLiteral("font")).toString());
    measure.SetFontSize(o.value(QStringLiteral("size")).toDouble());
    measure.SetFontBold(o.value(QStringLiteral("bold")).toBool());
    measure.SetFontItalic(o.value(QStringLiteral("italic")).toBool());
    EXPECT_LE(o.value(QStringLiteral("x")).toInt() + measure.TextLength(text), sheet_width)
        << text.toStdString();
  }
  EXPECT_GT(texts, 100);
  ASSERT_FALSE(editions.isEmpty());
  EXPECT_EQ(editions.front(), QStringLiteral("第40回"));
  EXPECT_FALSE(editions.contains(QStringLiteral("第0回")));

  // Not shrunk, a name too long for the sheet is told on stderr, and the run goes on.
  {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    test::ScriptedDialogs dialogs;
    DbErrorState state;
    LayoutStore store(*db, dialogs, state);
    std::optional<LayoutSettings> settings = store.ReadSettings(store.DecidedLayout());
    ASSERT_TRUE(settings);
    settings->meet_name1 = QStringLiteral("府中ジュニアスイミングフェスティバル記念大会");
    ASSERT_TRUE(store.ChangeSettings(store.DecidedLayout(), *settings));
  }
  folder.dir().Write(QStringLiteral("KVSYS.ini"), "[Prn]\nShrink=False\n");
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --events 1 --rank 1 --dump %2").arg(meet, dump)),
            kExitOk);
  EXPECT_TRUE(err_text.contains(QStringLiteral("大会名前段が用紙からはみ出します（")))
      << err_text.toStdString();
}

// Nothing the operator has is replaced: a second dump of the same name goes beside the first,
// and a recipients file of an existing name stops the run before anything is printed.
// The tool reads the workstation's print options as the program does: a file the program never
// wrote them to reads as the program would write them, and 「オープン参加は賞状なし」 holds.
TEST_F(PrintCommandTest, TheWorkstationsPrintOptionsHoldForTheTool) {
  test::ScriptedDialogs dialogs;
  EXPECT_TRUE(ReadPrintOptions(dialogs, folder.path() + QStringLiteral("/KVSYS.ini")) ==
              FirstPrintOptions());
  Decide();
  test::RawDb m(meet);
  const int event =
      m.Scalar(QStringLiteral("SELECT min(競技番号) FROM 記録マスター WHERE ゴール <> ''")).toInt();
  m.Exec(QStringLiteral("UPDATE 記録マスター SET 事由入力ステータス = 4 WHERE 競技番号 = %1")
             .arg(event));
  const QString run = QStringLiteral("--meet %1 --events %2 --dump %3").arg(meet).arg(event);
  ASSERT_EQ(Run(run.arg(folder.File(QStringLiteral("open.jsonl")))), kExitOk)
      << err_text.toStdString();
  ASSERT_GT(Documents(QStringLiteral("open.jsonl")).size(), 0);
  folder.Write(QStringLiteral("KVSYS.ini"), folder.Ini() + "[Prn]\nOpen=True\n");
  ASSERT_EQ(Run(run.arg(folder.File(QStringLiteral("none.jsonl")))), kExitOk)
      << err_text.toStdString();
  EXPECT_TRUE(Documents(QStringLiteral("none.jsonl")).isEmpty());
}

TEST_F(PrintCommandTest, ExistingDumpsAndRecipientListsAreNeverReplaced) {
  Decide();
  const QString dump = folder.File(QStringLiteral("d.jsonl"));
  folder.Write(QStringLiteral("d.jsonl"), "another run\n");
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --events 1 --dump %2").arg(meet, dump)), kExitOk)
      << err_text.toStdString();
  EXPECT_EQ(folder.Read(QStringLiteral("d.jsonl")), QByteArray("another run\n"));
  EXPECT_TRUE(
      out_text.contains(QStringLiteral("JSON Lines: ") + folder.File(QStringLiteral("d_2.jsonl"))))
      << out_text.toStdString();

  folder.Write(QStringLiteral("r.tsv"), "kept\n");
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --events 1 --recipients-out %2 --dump %3")
                    .arg(meet, folder.File(QStringLiteral("r.tsv")), dump)),
            kExitFailed);
  EXPECT_EQ(folder.Read(QStringLiteral("r.tsv")), QByteArray("kept\n"));
  EXPECT_FALSE(QFileInfo::exists(folder.File(QStringLiteral("d_3.jsonl"))));
}

// --check writes the table of the check and leaves no output: its counts are those a run
// prints.
TEST_F(PrintCommandTest, TheCheckWritesItsTableAndPrintsNothing) {
  Decide();
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --check").arg(meet)), kExitOk)
      << err_text.toStdString();
  EXPECT_FALSE(QFileInfo::exists(folder.File(QStringLiteral("pdf"))));
  EXPECT_FALSE(out_text.contains(QStringLiteral("出力しました")));
  const QStringList lines = out_text.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_GT(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("競技No.\t種目\t")));
  int certificates = 0;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QStringList cells = lines[i].split(u'\t');
    ASSERT_EQ(cells.size(), lines[0].count(u'\t') + 1) << lines[i].toStdString();
    certificates += cells[4].toInt();
  }

  const QString dump = folder.File(QStringLiteral("all.jsonl"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --dump %2").arg(meet, dump)), kExitOk)
      << err_text.toStdString();
  EXPECT_GT(certificates, 0);
  EXPECT_EQ(Documents(QStringLiteral("all.jsonl")).size(), certificates);
}

// More recipients than a run holds: the first 9999 come out, and the run says how many were
// left out and exits 3, not 0.
TEST_F(PrintCommandTest, MoreThan9999RecipientsIsNotADoneRun) {
  QString error;
  const QString large = samplemeet::WriteSampleMeet(
      folder.File(QStringLiteral("large")), samplemeet::FolderLayout::Ver50,
      samplemeet::PresetMeets(QStringLiteral("large")).front(), false, &error);
  ASSERT_FALSE(large.isEmpty()) << error.toStdString();
  {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    test::ScriptedDialogs dialogs;
    DbErrorState state;
    LayoutStore store(*db, dialogs, state);
    LayoutSettings s;
    s.rank_heats = s.rank_timed_final = s.rank_final = s.rank_b_final = 99;
    ASSERT_EQ(store.CreateLayout(1, QStringLiteral("全員"), 1, s), 1);
    ASSERT_TRUE(store.DecideLayout(1));
  }
  const QString dump = folder.File(QStringLiteral("all.jsonl"));
  EXPECT_EQ(Run(QStringLiteral("--meet %1 --all --dump %2").arg(large, dump)), kExitIncomplete);
  EXPECT_TRUE(err_text.contains(QStringLiteral("印刷されない賞状："))) << err_text.toStdString();
  EXPECT_TRUE(out_text.contains(QStringLiteral("賞状 9999 枚を出力しました。")));
}

// The example layouts are saved once, the standard one decided; the vertical one prints its
// texts as vertical runs on B4, its data to the left of the title and the presenter leftmost.
TEST_F(PrintCommandTest, ExampleLayoutsAreSavedOnceAndTheVerticalOnePrintsInColumns) {
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --example-layouts").arg(meet)), kExitOk)
      << err_text.toStdString();
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --example-layouts").arg(meet)), kExitOk);
  {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    test::ScriptedDialogs dialogs;
    DbErrorState state;
    LayoutStore store(*db, dialogs, state);
    const std::vector<SavedLayout> saved = store.ListLayouts();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].name, QStringLiteral("標準"));
    EXPECT_EQ(saved[1].name, QStringLiteral("縦書き"));
    EXPECT_EQ(store.DecidedLayout(), saved[0].number);
    ASSERT_TRUE(store.ReadSettings(saved[1].number));
    EXPECT_EQ(store.ReadSettings(saved[1].number)->paper_code, 12);
  }

  const QString dump = folder.File(QStringLiteral("v.jsonl"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --layout 縦書き --events 1 --rank 1 --dump %2")
                    .arg(meet, dump)),
            kExitOk)
      << err_text.toStdString();
  const QStringList docs = Documents(QStringLiteral("v.jsonl"));
  ASSERT_FALSE(docs.isEmpty());
  const QStringList lines = docs[0].split(u'\n', Qt::SkipEmptyParts);
  EXPECT_TRUE(lines[0].contains(QStringLiteral("\"paper\":12,")));
  EXPECT_TRUE(lines[0].contains(QStringLiteral("\"pages\":1}"))) << lines[0].toStdString();
  // Every text stands in a column, and the columns read right to left.
  const QRegularExpression text(
      QStringLiteral(R"re("x":(\d+).*"vertical":true,"text":"([^"]*)")re"));
  QMap<QString, int> x;
  for (const QString& line : lines.mid(1)) {
    if (!line.contains(QStringLiteral("\"op\":\"text\""))) continue;
    const QRegularExpressionMatch m = text.match(line);
    ASSERT_TRUE(m.hasMatch()) << line.toStdString();
    x.insert(m.captured(2), m.captured(1).toInt());
  }
  ASSERT_TRUE(x.contains(QStringLiteral("賞　　状")));
  ASSERT_TRUE(x.contains(QStringLiteral("種目")));
  ASSERT_TRUE(x.contains(QStringLiteral("見本 太郎")));
  EXPECT_GT(x[QStringLiteral("賞　　状")], x[QStringLiteral("種目")]);
  EXPECT_GT(x[QStringLiteral("種目")], x[QStringLiteral("見本 太郎")]);

  EXPECT_EQ(Run(QStringLiteral("--meet %1 --layout 無い --events 1").arg(meet)), kExitFailed);
  EXPECT_TRUE(err_text.contains(QStringLiteral("レイアウト「無い」は保存されていません。")));
}

// Two runs started at once, while another workstation holds the write lock until both are
// waiting for it, save one 標準 between them, with the example layouts or the default layout.
TEST_F(PrintCommandTest, RunsStartedAtOnceSaveOneStandardLayout) {
  const QString program = QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-print");
  ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
  for (const QString& mode : {QStringLiteral("--example-layouts"),
                              QStringLiteral("--default-layout --events 1 --rank 1 --pdf")}) {
    test::ProgramFolder at_once;
    test::RawDb other(at_once.LayoutDbPath());
    other.Exec(QStringLiteral("BEGIN IMMEDIATE"));
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 2; ++i) {
      QStringList args = Args(mode);
      if (args.last() == QLatin1String("--pdf"))
        args << at_once.File(QStringLiteral("pdf%1").arg(i));
      runs.push_back(std::make_unique<QProcess>());
      runs.back()->start(program, QStringList{QStringLiteral("--program-folder"), at_once.path(),
                                              QStringLiteral("--meet"), meet} +
                                      args);
      ASSERT_TRUE(runs.back()->waitForStarted());
    }
    QThread::msleep(2000);  // both have read what they read before writing; less than the busy wait
    other.Exec(QStringLiteral("ROLLBACK"));
    for (auto& run : runs) {
      ASSERT_TRUE(run->waitForFinished(120000));
      EXPECT_EQ(run->exitCode(), kExitOk)
          << mode.toStdString() << run->readAllStandardError().toStdString();
    }
    EXPECT_EQ(other.Scalar(QStringLiteral("SELECT count(*) FROM 保存名 WHERE savename = '標準'")),
              1)
        << mode.toStdString();
    EXPECT_EQ(
        other.Scalar(QStringLiteral("SELECT 決定 FROM 全体フォント")),
        other.Scalar(QStringLiteral("SELECT SaveNumber FROM 保存名 WHERE savename = '標準'")));
  }
  // The default layout is made for the meet it was made on, as the editor's new layouts are.
  test::ProgramFolder fresh;
  QString said;
  QTextStream out(&said);
  QTextStream err(&said);
  ASSERT_EQ(RunPrintCommand(Args(QStringLiteral("--program-folder %1 --meet %2 --default-layout "
                                                "--events 1 --rank 1 --dump %3")
                                     .arg(fresh.path(), meet, fresh.File(QStringLiteral("d")))),
                            out, err),
            kExitOk)
      << said.toStdString();
  ASSERT_GT(MeetNumberOfFile(meet), 0);
  EXPECT_EQ(
      test::RawDb(fresh.LayoutDbPath()).Scalar(QStringLiteral("SELECT taikai_no FROM 保存名")),
      MeetNumberOfFile(meet));
}

// Control characters in a swimmer's name are dropped alike whether the certificates come from
// the meet or from the recipients file written of it; other texts round-trip exactly.
TEST_F(PrintCommandTest, ControlCharactersPrintAlikeFromTheMeetAndTheRecipientsFile) {
  Decide();
  {
    test::RawDb db(meet);
    db.Exec(
        QStringLiteral("UPDATE 選手マスター SET 氏名 = 氏名 || char(9) || 'A' || char(13) || "
                       "char(10) || 'B' || char(7) || 'C' || char(133) || '\\t'"));
  }
  const QString tsv = folder.File(QStringLiteral("r.tsv"));
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --dump %2 --recipients-out %3")
                    .arg(meet, folder.File(QStringLiteral("meet.jsonl")), tsv)),
            kExitOk)
      << err_text.toStdString();
  ASSERT_EQ(Run(QStringLiteral("--recipients %1 --dump %2")
                    .arg(tsv, folder.File(QStringLiteral("file.jsonl")))),
            kExitOk)
      << err_text.toStdString();
  const QStringList from_meet = Documents(QStringLiteral("meet.jsonl"));
  ASSERT_FALSE(from_meet.isEmpty());
  EXPECT_EQ(Documents(QStringLiteral("file.jsonl")), from_meet);
  // The name is one text run, its letters joined, the literal backslash kept.
  const QString dump = QString::fromUtf8(folder.Read(QStringLiteral("meet.jsonl")));
  // (Half-width letters of names print full-width on a vertical certificate.)
  EXPECT_TRUE(dump.contains(QStringLiteral("ABC\\\\t\"}")) ||
              dump.contains(QStringLiteral("ＡＢＣ＼ｔ\"}")))
      << dump.left(2000).toStdString();
  EXPECT_FALSE(dump.contains(QStringLiteral("\\u00")));
  EXPECT_FALSE(dump.contains(QStringLiteral("\\r")));

  // A file written by hand: each escape stands for its character, an unknown one for itself.
  folder.Write(QStringLiteral("hand.tsv"), "a\\\\b\\qc\\n\tx\n");
  RecipientTable table;
  QString error;
  ASSERT_TRUE(ReadRecipientsFile(folder.File(QStringLiteral("hand.tsv")), table, &error));
  EXPECT_EQ(table[1].Name, QStringLiteral("a\\b\\qc"));  // the LF is dropped when read
  EXPECT_EQ(table[1].Affiliation, QStringLiteral("x"));
}

// Texts that are no control characters come back exactly, wherever they stand: a leading
// U+FEFF of the first text is no byte order mark, a backslash at the end of a text no escape.
TEST(RecipientsFile, EveryTextComesBackExactly) {
  test::TempFolder folder;
  const QString path = folder.File(QStringLiteral("r.tsv"));
  RecipientTable table;
  table.RecipientCount = 3;
  table[1] = Recipient{QString(QChar(0xFEFF)) + QStringLiteral("山田"),
                       QStringLiteral("東京\\"),
                       QStringLiteral("\\t"),
                       QString(),
                       QStringLiteral("１"),
                       QStringLiteral("𠮷 25.34"),
                       {}};
  table[2] = Recipient{QStringLiteral("鈴木\t花子\r\n"),
                       QString(),
                       QString(),
                       QStringLiteral("一般"),
                       QStringLiteral("OP"),
                       QString(),
                       {}};
  table[3] = Recipient{};
  QString error;
  ASSERT_TRUE(WriteRecipientsFile(path, table, &error)) << error.toStdString();
  RecipientTable read;
  ASSERT_TRUE(ReadRecipientsFile(path, read, &error)) << error.toStdString();
  ASSERT_EQ(read.RecipientCount, 2);  // a row of empty texts is no certificate
  for (int i = 1; i <= 2; ++i) EXPECT_EQ(read[i], CleanRecipient(table[i])) << i;
  EXPECT_EQ(read[1].Name, QString(QChar(0xFEFF)) + QStringLiteral("山田"));
}

// As a Japanese spreadsheet saves it: Shift_JIS, blank lines between. Bytes that are neither
// UTF-8 nor Shift_JIS are refused with their line, and the table is left as it was.
TEST(RecipientsFile, ShiftJisIsReadAndGarbageIsRefusedWithItsLine) {
  test::TempFolder folder;
  const QByteArray sjis =
      *EncodeCp932(QStringLiteral("山田 太郎\t東中学校\t男子50m自由形\t\t１\t30秒12\r\n\r\n"
                                  "鈴木 花子\t西中学校\t女子50m自由形\t\t２\t31秒00\r\n"));
  const QString path = folder.Write(QStringLiteral("sjis.tsv"), sjis);
  RecipientTable read;
  QString error;
  ASSERT_TRUE(ReadRecipientsFile(path, read, &error)) << error.toStdString();
  ASSERT_EQ(read.RecipientCount, 2);
  EXPECT_EQ(read[1].Name, QStringLiteral("山田 太郎"));
  EXPECT_EQ(read[2].EventName, QStringLiteral("女子50m自由形"));

  const QString bad = folder.Write(QStringLiteral("bad.tsv"), sjis + "\x82\xff\t\n");
  EXPECT_FALSE(ReadRecipientsFile(bad, read, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("4 行目"))) << error.toStdString();
  EXPECT_EQ(read.RecipientCount, 2);
  EXPECT_EQ(read[1].Name, QStringLiteral("山田 太郎"));
}

// A run killed at any moment leaves whole files or none under their names: every PDF opens
// to its end, the dump is the previous run's or this one's in full, and the hidden work files
// of killed runs are cleared by the next run.
TEST_F(PrintCommandTest, KilledRunsLeaveNoPartialFiles) {
  Decide();
  const QString pdf = folder.File(QStringLiteral("pdf"));
  const QString dump = folder.File(QStringLiteral("run.jsonl"));
  const QStringList args = {QStringLiteral("--program-folder"),
                            folder.path(),
                            QStringLiteral("--meet"),
                            meet,
                            QStringLiteral("--all"),
                            QStringLiteral("--pdf"),
                            pdf,
                            QStringLiteral("--dump"),
                            dump};
  const QString program = QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-print");
  ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
  ASSERT_EQ(QProcess::execute(program, args), kExitOk);
  const QByteArray whole_dump = folder.Read(QStringLiteral("run.jsonl"));
  ASSERT_FALSE(whole_dump.isEmpty());

  for (int kill = 0; kill < 12; ++kill) {
    QProcess run;
    run.start(program, args);
    ASSERT_TRUE(run.waitForStarted());
    QThread::msleep(QRandomGenerator::global()->bounded(20, 300));
    run.kill();
    run.waitForFinished();
    EXPECT_EQ(folder.Read(QStringLiteral("run.jsonl")), whole_dump) << "kill " << kill;
    for (const QFileInfo& f : QDir(pdf).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files)) {
      QFile file(f.filePath());
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      const QByteArray bytes = file.readAll();
      EXPECT_TRUE(bytes.startsWith("%PDF") && bytes.trimmed().endsWith("%%EOF"))
          << f.fileName().toStdString() << " after kill " << kill;
    }
  }
  ASSERT_EQ(QProcess::execute(program, args), kExitOk);
  for (const QString& folder_path : {pdf, folder.path()}) {
    EXPECT_TRUE(QDir(folder_path)
                    .entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden)
                    .isEmpty())
        << folder_path.toStdString();
  }
}

// The print log across runs and desks: what --new-only leaves out, what a plain run tells,
// what --changed finds after a correction of the results, and claims of two desks at once.
class AwardDeskTest : public PrintCommandTest {
 protected:
  void SetUp() override {
    PrintCommandTest::SetUp();
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    test::ScriptedDialogs dialogs;
    DbErrorState state;
    LayoutStore store(*db, dialogs, state);
    LayoutSettings limits;
    limits.rank_heats = limits.rank_timed_final = limits.rank_final = limits.rank_b_final = 3;
    ASSERT_EQ(store.CreateLayout(1, QStringLiteral("標準"), 1, limits), 1);
    ASSERT_TRUE(store.DecideLayout(1));
  }
  QVariant Log(const QString& sql) {
    test::RawDb log(folder.LayoutDbPath());
    return log.Scalar(sql);
  }
  int PdfCount(const QString& dir) const {
    return static_cast<int>(QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files).size());
  }
};

// --check (with --layout for itself), --log, --changed and a run that only writes the dump and
// the recipients leave KVSYS.mdb byte for byte as it was, and the decision with it.
TEST_F(AwardDeskTest, CommandsThatOnlyReadLeaveTheLayoutDatabaseAsItIs) {
  {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    test::ScriptedDialogs dialogs;
    DbErrorState state;
    LayoutSettings other;
    other.title = QStringLiteral("鳥取");
    ASSERT_EQ(
        LayoutStore(*db, dialogs, state).CreateLayout(2, QStringLiteral("鳥取大会"), 3, other), 2);
  }
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --events 1 --pdf %2")
                    .arg(meet, folder.File(QStringLiteral("a")))),
            kExitOk);
  const auto file = [this] {
    return folder.Read(QStringLiteral("KVSYS.mdb")) +
           (QFileInfo::exists(folder.LayoutDbPath() + QStringLiteral("-wal"))
                ? folder.Read(QStringLiteral("KVSYS.mdb-wal"))
                : QByteArray());
  };
  const QByteArray before = file();
  const QString m = QStringLiteral("--meet %1 ").arg(meet);
  ASSERT_EQ(Run(m + QStringLiteral("--events 1 --check --layout 鳥取大会")), kExitOk);
  // The layout named here, for this check only: it is another meet's, and says so.
  EXPECT_TRUE(err_text.contains(QStringLiteral("レイアウト「鳥取大会」は 大会No.3")))
      << err_text.toStdString();
  ASSERT_EQ(Run(m + QStringLiteral("--log")), kExitOk);
  EXPECT_GT(out_text.count(u'\n'), 1);
  ASSERT_EQ(Run(m + QStringLiteral("--changed")), kExitOk);
  ASSERT_EQ(Run(m + QStringLiteral("--events 1 --recipients-out %1 --dump %2")
                        .arg(folder.File(QStringLiteral("r.tsv")),
                             folder.File(QStringLiteral("d.jsonl")))),
            kExitOk)
      << err_text.toStdString();
  EXPECT_FALSE(Documents(QStringLiteral("d.jsonl")).isEmpty());
  EXPECT_TRUE(file() == before);
  EXPECT_EQ(Log(QStringLiteral("SELECT 決定 FROM 全体フォント")).toInt(), 1);
}

TEST_F(AwardDeskTest, NewOnlyReprintsAndChangedResults) {
  const QString events = QStringLiteral("--meet %1 --events 1,2 ").arg(meet);
  ASSERT_EQ(Run(events + QStringLiteral("--new-only --pdf ") + folder.File(QStringLiteral("a"))),
            kExitOk)
      << err_text.toStdString();
  const int printed = PdfCount(folder.File(QStringLiteral("a")));
  ASSERT_GT(printed, 3);
  EXPECT_EQ(Log(QStringLiteral("SELECT count(*) FROM 印刷履歴 WHERE 状態 = '出力'")), printed);
  // Each row names the file its certificate went to.
  EXPECT_EQ(Log(QStringLiteral("SELECT count(DISTINCT 出力先) FROM 印刷履歴")), printed);

  ASSERT_EQ(Run(events + QStringLiteral("--new-only --pdf ") + folder.File(QStringLiteral("b"))),
            kExitOk);
  EXPECT_EQ(PdfCount(folder.File(QStringLiteral("b"))), 0);
  EXPECT_TRUE(
      out_text.contains(QStringLiteral("印刷済みの %1 枚は出力していません。").arg(printed)))
      << out_text.toStdString();

  ASSERT_EQ(Run(events + QStringLiteral("--pdf ") + folder.File(QStringLiteral("c"))), kExitOk);
  EXPECT_EQ(PdfCount(folder.File(QStringLiteral("c"))), printed);
  EXPECT_TRUE(
      err_text.contains(QStringLiteral("印刷済みの賞状 %1 枚をもう一度印刷します。").arg(printed)))
      << err_text.toStdString();
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --log").arg(meet)), kExitOk);
  EXPECT_EQ(out_text.count(u'\n'), 1 + 2 * printed);

  // A protest swaps the times of a first and a third place of event 1.
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --changed").arg(meet)), kExitOk);
  EXPECT_EQ(out_text.count(u'\n'), 1) << out_text.toStdString();
  const QVariant first = Log(QStringLiteral(
      "SELECT 選手番号 FROM 印刷履歴 WHERE 競技番号 = 1 AND 順位 = '１' ORDER BY 番号 LIMIT 1"));
  const QVariant third = Log(QStringLiteral(
      "SELECT 選手番号 FROM 印刷履歴 WHERE 競技番号 = 1 AND 順位 = '３' ORDER BY 番号 LIMIT 1"));
  ASSERT_TRUE(first.isValid() && third.isValid());
  {
    test::RawDb results(meet);
    const QString goal =
        QStringLiteral("SELECT ゴール FROM 記録マスター WHERE 競技番号 = 1 AND 選手番号 = %1");
    const QString first_goal = results.Scalar(goal.arg(first.toInt())).toString();
    const QString third_goal = results.Scalar(goal.arg(third.toInt())).toString();
    const QString set = QStringLiteral(
        "UPDATE 記録マスター SET ゴール = '%1' WHERE 競技番号 = 1 AND 選手番号 = %2");
    results.Exec(set.arg(third_goal).arg(first.toInt()));
    results.Exec(set.arg(first_goal).arg(third.toInt()));
  }
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --changed").arg(meet)), kExitOk);
  const QStringList lines = out_text.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 1 + 2) << out_text.toStdString();
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("変更\t順位 ")));
  EXPECT_TRUE(lines[2].startsWith(QStringLiteral("変更\t順位 ")));
  EXPECT_TRUE(out_text.contains(QStringLiteral("順位 １→３"))) << out_text.toStdString();
  EXPECT_TRUE(out_text.contains(QStringLiteral("順位 ３→１"))) << out_text.toStdString();
}

// A meet of the results system's own Jet files is logged and left out alike.
TEST_F(AwardDeskTest, AJetMeetIsLoggedToo) {
  const QString jet = folder.File(QStringLiteral("Swim01.mdb"));
  ASSERT_TRUE(QFile::copy(test::FixturePath(QStringLiteral("Swim01.mdb")), jet));
  const QString run = QStringLiteral("--meet %1 --all --new-only --pdf ").arg(jet);
  ASSERT_EQ(Run(run + folder.File(QStringLiteral("j1"))), kExitOk) << err_text.toStdString();
  const int printed = PdfCount(folder.File(QStringLiteral("j1")));
  ASSERT_GT(printed, 0);
  EXPECT_EQ(Log(QStringLiteral("SELECT count(*) FROM 印刷履歴 WHERE 大会ファイル = 'Swim01.mdb'")),
            printed);
  ASSERT_EQ(Run(run + folder.File(QStringLiteral("j2"))), kExitOk);
  EXPECT_EQ(PdfCount(folder.File(QStringLiteral("j2"))), 0);
}

// Two desks printing the whole meet at once with --new-only print each certificate once in
// all; once a desk killed mid-run is settled (by the next run of any desk), every file that came
// out has its row and no row names a file that did not.
TEST_F(AwardDeskTest, TwoDesksAtOnceAndAKilledDesk) {
  const QString program = QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-print");
  const QStringList common = {QStringLiteral("--program-folder"), folder.path(),
                              QStringLiteral("--meet"), meet, QStringLiteral("--all")};
  std::vector<std::unique_ptr<QProcess>> desks;
  for (int i = 0; i < 2; ++i) {
    desks.push_back(std::make_unique<QProcess>());
    desks.back()->start(program,
                        common + QStringList{QStringLiteral("--new-only"), QStringLiteral("--pdf"),
                                             folder.File(QStringLiteral("desk%1").arg(i))});
    ASSERT_TRUE(desks.back()->waitForStarted());
  }
  for (auto& desk : desks) {
    ASSERT_TRUE(desk->waitForFinished(300000));
    EXPECT_EQ(desk->exitCode(), kExitOk) << desk->readAllStandardError().toStdString();
  }
  const int files = PdfCount(folder.File(QStringLiteral("desk0"))) +
                    PdfCount(folder.File(QStringLiteral("desk1")));
  ASSERT_GT(files, 20);
  EXPECT_EQ(Log(QStringLiteral("SELECT count(*) FROM 印刷履歴")), files);
  EXPECT_EQ(Log(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT 競技番号, クラス番号, 組, "
                               "リレー, 選手番号 FROM 印刷履歴)")),
            files);

  // The next desk that starts printing settles what a killed one left (--log only reads).
  int settled = 0;
  const auto settle = [this, &settled] {
    ASSERT_EQ(Run(QStringLiteral("--meet %1 --events 1 --rank 1 --pdf %2")
                      .arg(meet, folder.File(QStringLiteral("settle%1").arg(++settled)))),
              kExitOk)
        << err_text.toStdString();
  };
  for (int kill = 0; kill < 4; ++kill) {
    const QString dir = folder.File(QStringLiteral("killed%1").arg(kill));
    QProcess run;
    run.start(program, common + QStringList{QStringLiteral("--pdf"), dir});
    ASSERT_TRUE(run.waitForStarted());
    QThread::msleep(QRandomGenerator::global()->bounded(300, 900));
    run.kill();
    run.waitForFinished();
    settle();
    EXPECT_EQ(Log(QStringLiteral("SELECT count(*) FROM 印刷履歴 WHERE 出力先 LIKE '%1/%' AND "
                                 "状態 = '出力'")
                      .arg(dir))
                  .toInt(),
              PdfCount(dir))
        << "kill " << kill;
    EXPECT_EQ(Log(QStringLiteral("SELECT count(*) FROM 印刷履歴 WHERE 状態 = '確保'")).toInt(), 0);
  }
  // A run into one file that is killed: its rows are its pages if the file came out, else none.
  const QString one = folder.File(QStringLiteral("one.pdf"));
  QProcess run;
  run.start(program, common + QStringList{QStringLiteral("--pdf-file"), one});
  ASSERT_TRUE(run.waitForStarted());
  QThread::msleep(300);
  run.kill();
  run.waitForFinished();
  settle();
  test::Poppler poppler;
  EXPECT_EQ(
      Log(QStringLiteral("SELECT count(*) FROM 印刷履歴 WHERE 出力先 = '%1' AND 状態 = '出力'")
              .arg(one))
          .toInt(),
      QFileInfo::exists(one) ? poppler.Pages(one) : 0);
  EXPECT_EQ(Log(QStringLiteral("SELECT count(*) FROM 印刷履歴 WHERE 状態 = '確保'")).toInt(), 0);
}

// Following a meet in progress: each event's certificates come out once its last result is in,
// in the order the events complete, never twice (a restart, a second desk), and a result
// corrected after printing is announced, not printed again.
class FollowTest : public AwardDeskTest {
 protected:
  void SetUp() override {
    AwardDeskTest::SetUp();
    samplemeet::MeetSpec spec = samplemeet::PresetMeets(QStringLiteral("demo")).front();
    spec.number = 9;
    spec.in_progress = true;
    QString error;
    live = samplemeet::WriteSampleMeet(folder.Meets(), samplemeet::FolderLayout::Ver50, spec, false,
                                       &error);
    ASSERT_FALSE(live.isEmpty()) << error.toStdString();
  }
  // Layout 1 made the followed meet's (its texts and its number, as the editor's 変更 does).
  void LayoutForTheLiveMeet() {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    auto results = ws.OpenDatabase(live, false, true);
    test::ScriptedDialogs dialogs;
    DbErrorState state;
    LayoutStore store(*db, dialogs, state);
    LayoutSettings s = NewLayoutSettings(LoadMeetSettings(*results, state, dialogs));
    s.rank_heats = s.rank_timed_final = s.rank_final = s.rank_b_final = 3;
    ASSERT_TRUE(store.ChangeSettings(1, s, store.ReadSettings(1), 9));
  }
  std::unique_ptr<QProcess> StartFollowing(const QString& pdf) {
    LayoutForTheLiveMeet();
    auto run = std::make_unique<QProcess>();
    run->start(QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-print"),
               {QStringLiteral("--program-folder"), folder.path(), QStringLiteral("--meet"), live,
                QStringLiteral("--all"), QStringLiteral("--follow"), QStringLiteral("--interval"),
                QStringLiteral("1"), QStringLiteral("--pdf"), pdf});
    EXPECT_TRUE(run->waitForStarted());
    // It has had its first look once it says so.
    while (!run->canReadLine() && run->waitForReadyRead(10000)) {
    }
    EXPECT_TRUE(run->readLine().contains("大会の結果を見ています"));
    QThread::msleep(1500);
    return run;
  }
  // The events a follower printed, as it said them, once count of them are there.
  static QStringList Printed(QProcess& run, int count) {
    QStringList lines;
    for (int wait = 0; wait < 300 && lines.size() < count; ++wait) {
      run.waitForReadyRead(100);
      while (run.canReadLine()) {
        const QString line = QString::fromUtf8(run.readLine()).trimmed();
        // Not the announcements of changed results.
        if (line.contains(QStringLiteral("競技番号")) &&
            !line.contains(QStringLiteral(" 印刷後の"))) {
          lines << line;
        }
      }
    }
    return lines;
  }
  static void Stop(QProcess& run) {
    run.terminate();  // SIGTERM
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), kExitOk);
  }
  int Certificates() {
    return Log(QStringLiteral("SELECT count(*) FROM 印刷履歴 WHERE 大会ファイル = 'Swim09.mdb'"))
        .toInt();
  }

  QString live;
};

// Nobody watches a followed meet: a layout made for another meet keeps it from starting, and
// a run says which layout it prints with when that is another meet's.
TEST_F(FollowTest, AnotherMeetsLayoutKeepsFollowingFromStarting) {
  const QString follow = QStringLiteral("--meet %1 --all --follow --pdf %2")
                             .arg(live, folder.File(QStringLiteral("f")));
  EXPECT_EQ(Run(follow), kExitFailed);
  const QString notice =
      QStringLiteral("レイアウト「標準」は 大会No.1（大会名なし）用です。 大会名：大会No.9 ");
  EXPECT_TRUE(err_text.contains(notice)) << err_text.toStdString();
  EXPECT_FALSE(out_text.contains(QStringLiteral("大会の結果を見ています")));
  EXPECT_EQ(PdfCount(folder.File(QStringLiteral("f"))), 0);

  LayoutForTheLiveMeet();
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --all --check").arg(live)), kExitOk);
  EXPECT_FALSE(err_text.contains(QStringLiteral("レイアウト「"))) << err_text.toStdString();
}

TEST_F(FollowTest, EventsComeOutAsTheyCompleteAndNeverTwice) {
  const QString pdf = folder.File(QStringLiteral("follow"));
  std::unique_ptr<QProcess> run = StartFollowing(pdf);
  // The next event has all its results but one: it is not printed.
  test::RawDb meet(live);
  const int next = meet.Scalar(QStringLiteral("SELECT min(競技番号) FROM 予定記録")).toInt();
  meet.Exec(QStringLiteral("UPDATE 記録マスター SET ゴール = p.ゴール, 事由入力ステータス = "
                           "p.事由入力ステータス FROM 予定記録 p "
                           "WHERE 記録マスター.競技番号 = %1 AND p.競技番号 = %1 AND p.組 = "
                           "記録マスター.組 AND p.水路 = "
                           "記録マスター.水路 AND p.選手番号 = 記録マスター.選手番号 AND p.rowid "
                           "<> (SELECT max(rowid) FROM "
                           "予定記録 WHERE 競技番号 = %1 AND ゴール <> '')")
                .arg(next));
  QThread::msleep(2500);
  EXPECT_EQ(PdfCount(pdf), 0);

  QString error;
  const std::vector<int> advanced = samplemeet::AdvanceMeet(live, 3, &error);
  ASSERT_EQ(advanced.size(), 3u) << error.toStdString();
  const QStringList lines = Printed(*run, 3);
  ASSERT_EQ(lines.size(), 3) << lines.join(u'\n').toStdString()
                             << run->readAllStandardError().toStdString();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(
        lines[i].contains(QStringLiteral("競技番号 %1 ").arg(advanced[static_cast<size_t>(i)])))
        << lines[i].toStdString();
  }
  const int printed = PdfCount(pdf);
  ASSERT_GT(printed, 0);
  EXPECT_EQ(Certificates(), printed);

  // A protest: the winner of the first event is moved behind the last.
  meet.Exec(QStringLiteral("UPDATE 記録マスター SET ゴール = '59:59.99' WHERE 競技番号 = %1 AND "
                           "選手番号 = (SELECT 選手番号 FROM 記録マスター WHERE 競技番号 = %1 AND "
                           "事由入力ステータス = 0 AND ゴール <> '' ORDER BY ゴール LIMIT 1)")
                .arg(advanced[0]));
  bool announced = false;
  for (int wait = 0; wait < 100 && !announced; ++wait) {
    run->waitForReadyRead(100);
    announced = QString::fromUtf8(run->readAll()).contains(QStringLiteral("印刷後の"));
  }
  EXPECT_TRUE(announced);
  Stop(*run);
  EXPECT_EQ(PdfCount(pdf), printed);

  // Started again, with the workstation's [Prn] Open=True: what came out before stays out, and
  // the next event, whose finishers are all open entrants, earns nothing and is said alone.
  folder.Write(QStringLiteral("KVSYS.ini"), folder.Ini() + "\n[Prn]\nOpen=True\n");
  const int open_only = meet.Scalar(QStringLiteral("SELECT min(競技番号) FROM 予定記録")).toInt();
  meet.Exec(QStringLiteral("UPDATE 予定記録 SET 事由入力ステータス = 4 WHERE 競技番号 = %1 AND "
                           "ゴール <> ''")
                .arg(open_only));
  run = StartFollowing(pdf);
  ASSERT_EQ(samplemeet::AdvanceMeet(live, 1, &error), std::vector<int>{open_only});
  const QStringList said = Printed(*run, 1);
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].endsWith(QStringLiteral("：賞状なし"))) << said[0].toStdString();
  Stop(*run);
  EXPECT_EQ(PdfCount(pdf), printed);
  EXPECT_EQ(Certificates(), PdfCount(pdf));
  EXPECT_EQ(
      Log(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT 競技番号, 選手番号 FROM 印刷履歴 "
                         "WHERE 大会ファイル = 'Swim09.mdb')")),
      Certificates());
}

TEST_F(FollowTest, TwoDesksFollowingOneMeetPrintEachCertificateOnce) {
  std::unique_ptr<QProcess> first = StartFollowing(folder.File(QStringLiteral("a")));
  std::unique_ptr<QProcess> second = StartFollowing(folder.File(QStringLiteral("b")));
  QString error;
  ASSERT_EQ(samplemeet::AdvanceMeet(live, 4, &error).size(), 4u) << error.toStdString();
  Printed(*first, 4);
  Printed(*second, 4);
  Stop(*first);
  Stop(*second);
  const int files =
      PdfCount(folder.File(QStringLiteral("a"))) + PdfCount(folder.File(QStringLiteral("b")));
  ASSERT_GT(files, 0);
  EXPECT_EQ(Certificates(), files);
  EXPECT_EQ(
      Log(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT 競技番号, 選手番号 FROM 印刷履歴 "
                         "WHERE 大会ファイル = 'Swim09.mdb')")),
      files);
}

// A follower started again finishes the events a follower of the meet had begun, says which
// other complete events have certificates not printed, and prints nothing of a file that came to
// hold another meet.
TEST_F(FollowTest, ARestartFinishesWhatAFollowerBeganAndAnotherMeetPrintsNothing) {
  test::RawDb meet(live);
  const int begun =
      meet.Scalar(QStringLiteral("SELECT 競技番号 FROM 記録マスター GROUP BY 競技番号 "
                                 "HAVING sum(ゴール = '') = 0 ORDER BY 競技番号 "
                                 "LIMIT 1"))
          .toInt();
  ASSERT_GT(begun, 0);
  // A follower killed after the first place of that event came out.
  ASSERT_EQ(Run(QStringLiteral("--meet %1 --events %2 --rank 1 --new-only --pdf %3")
                    .arg(live)
                    .arg(begun)
                    .arg(folder.File(QStringLiteral("before")))),
            kExitOk)
      << err_text.toStdString();
  Log(QStringLiteral("UPDATE 印刷履歴 SET 自動 = 1"));
  const int first_places = Certificates();
  ASSERT_GT(first_places, 0);

  const QString pdf = folder.File(QStringLiteral("again"));
  std::unique_ptr<QProcess> run = StartFollowing(pdf);
  QString said;
  for (int wait = 0; wait < 300 && !said.contains(QStringLiteral("競技番号 %1 ").arg(begun));
       ++wait) {
    run->waitForReadyRead(100);
    said += QString::fromUtf8(run->readAllStandardOutput());
  }
  EXPECT_TRUE(said.contains(QStringLiteral("競技番号 %1 ").arg(begun))) << said.toStdString();
  EXPECT_GT(PdfCount(pdf), 0);
  EXPECT_EQ(Certificates(), first_places + PdfCount(pdf));

  // The file now holds another meet: said once, nothing printed.
  meet.Exec(QStringLiteral("UPDATE 大会設定 SET 大会名1 = '別の大会', 始期間 = '2030/01/05'"));
  QString error;
  ASSERT_FALSE(samplemeet::AdvanceMeet(live, 2, &error).empty()) << error.toStdString();
  QThread::msleep(3000);
  Stop(*run);
  said += QString::fromUtf8(run->readAllStandardOutput());
  EXPECT_TRUE(said.contains(QStringLiteral("始めたときに結果がそろっていて未印刷の賞状がある種目")))
      << said.toStdString();
  EXPECT_EQ(said.count(QStringLiteral("大会ファイルが別の大会（別の大会 2030/01/05）になりました")),
            1)
      << said.toStdString();
  EXPECT_EQ(Certificates(), first_places + PdfCount(pdf));
}

}  // namespace
}  // namespace kvsys::printtool
