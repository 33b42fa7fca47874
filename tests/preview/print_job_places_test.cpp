// One print job wherever a run starts: the preview's 印刷 and すべて印刷 through the
// workstation's real output (one file a run, files named as the print list names them, a stop
// that keeps what came out), and the same pages from the print list, the preview and
// kvsys-print.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextStream>

#include "certificate/print_job.h"
#include "desk/kvs220.h"
#include "layout/layout_store.h"
#include "preview/kvpreview.h"
#include "preview_world.h"
#include "print/json_lines.h"
#include "print/print_command.h"
#include "results/meet_settings.h"
#include "support/desk_records.h"
#include "support/find_child.h"

namespace kvsys::test {
namespace {

void WriteIni(const QString& ini, const QByteArray& output_section) {
  QFile f(ini);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[Output]\n" + output_section);
}

QStringList PdfsIn(const QString& folder) {
  // Hidden part files too: a finished run leaves none.
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The preview's line of what the last run did, without the marks that let its paths wrap.
QString RunState(const KVPreview& k) {
  return Child<QLabel>(k, "lblRunState")->text().remove(QChar(0x200B));
}

QString Shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

TEST(PreviewPrintJob, CopiesAreOneFileOfTheRunAndTheLineUnderTheButtonsNamesIt) {
  PreviewWorld p(3);  // Target=PDF, one file a run
  KVPreview k(p.Records(), p.w.dialogs);
  ASSERT_TRUE(k.Open());
  Child<QLineEdit>(k, "Text12")->setText(QStringLiteral("2"));
  Child<QLineEdit>(k, "Text11")->setText(QStringLiteral("3"));
  QTest::keyClick(Child<QLineEdit>(k, "Text11"), Qt::Key_F5);

  const QString folder = p.w.folder() + QStringLiteral("/pdf");
  const QStringList files = PdfsIn(folder);
  ASSERT_EQ(files.size(), 1) << files.join(u' ').toStdString();
  const QString file = folder + u'/' + files.front();
  Poppler poppler;
  EXPECT_EQ(poppler.Pages(file), 3);
  EXPECT_TRUE(RunState(k).endsWith(QStringLiteral("3枚を出力しました。\nPDF：") + Shown(file)))
      << RunState(k).toStdString();

  // Each 印刷 is a run of its own: a second file.
  Child<QLineEdit>(k, "Text11")->setText(QStringLiteral("1"));
  QTest::keyClick(Child<QLineEdit>(k, "Text11"), Qt::Key_F5);
  EXPECT_EQ(PdfsIn(folder).size(), 2);
}

// What the preview prints is logged, with real files: the copies of the certificate on show as
// one row, すべて印刷 a row a certificate; what is only shown is not.
TEST(PreviewPrintJob, ItsPrintsAreLogged) {
  PreviewWorld p(3);  // Target=PDF, one file a run
  PreviewRecords records = p.Records();
  records.meet = LoggedMeet{QStringLiteral("Swim01.mdb"), QStringLiteral("テスト大会"),
                            QStringLiteral("2026/07/18")};
  KVPreview k(records, p.w.dialogs);
  ASSERT_TRUE(k.Open());
  PrintLog log(*p.w.layout_db);
  EXPECT_TRUE(log.Rows(records.meet).empty());
  Child<QLineEdit>(k, "Text11")->setText(QStringLiteral("2"));
  QTest::keyClick(Child<QLineEdit>(k, "Text11"), Qt::Key_F5);
  std::vector<PrintLogRow> rows = log.Rows(records.meet);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].copies, 2);
  EXPECT_TRUE(QFileInfo::exists(rows[0].where)) << rows[0].where.toStdString();
  k.PrintAll();
  EXPECT_EQ(log.Rows(records.meet).size(), 4u);
}

TEST(PreviewPrintJob, PrintAllOneFileACertificateIsNamedAsThePrintListNamesIt) {
  PreviewWorld p(3);
  WriteIni(p.ini, "Target=PDF\nPdfFolder=preview\nPdfFiles=Certificate\n");
  KVPreview k(p.Records(), p.w.dialogs);
  ASSERT_TRUE(k.Open());
  k.PrintAll();
  const QStringList from_preview = PdfsIn(p.w.folder() + QStringLiteral("/preview"));
  EXPECT_TRUE(RunState(k).contains(QStringLiteral("3枚を出力しました。\nPDF：") +
                                   Shown(p.w.folder() + QStringLiteral("/preview"))));

  // The print list's run of the same event, to a folder of its own.
  WriteIni(p.ini, "Target=PDF\nPdfFolder=list\nPdfFiles=Certificate\n");
  PrintJob job(p.w.dialogs, p.ini, p.w.folder());
  RunOptions opts;
  PrintRequest request;
  request.events = {p.w.Listed(1)};
  PrintRunContext context = p.w.Context();
  PlainWarningLabel label;
  const PrintJobResult listed = job.Run(opts, request, context, label);
  ASSERT_EQ(listed.outcome, RunOutcome::kPrinted);
  EXPECT_EQ(listed.written.kind, OutputPlace::Kind::kPdfFolder);
  const QStringList from_list = PdfsIn(p.w.folder() + QStringLiteral("/list"));
  ASSERT_EQ(from_list.size(), 3);
  EXPECT_TRUE(from_list.front().startsWith(QStringLiteral("0001_")))
      << from_list.front().toStdString();
  EXPECT_EQ(from_preview, from_list);
}

TEST(PreviewPrintJob, AStopDuringPrintAllKeepsTheFileAndSaysHowManyCameOut) {
  PreviewWorld p(4);
  KVPreview k(p.Records(), p.w.dialogs);
  ASSERT_TRUE(k.Open());
  // 中止 as the third certificate is about to be drawn.
  QObject::connect(Child<QProgressBar>(k, "ProgressBar1"), &QProgressBar::valueChanged, &k,
                   [&k](int value) {
                     if (value == 2) k.Cancel();
                   });
  p.w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  k.PrintAll();
  EXPECT_TRUE(p.w.dialogs.AllShown());

  const QString folder = p.w.folder() + QStringLiteral("/pdf");
  const QStringList files = PdfsIn(folder);
  ASSERT_EQ(files.size(), 1);
  Poppler poppler;
  EXPECT_EQ(poppler.Pages(folder + u'/' + files.front()), 2);
  EXPECT_TRUE(
      RunState(k).contains(QStringLiteral("中止しました。2枚を出力しました（全4枚）。\nPDF：") +
                           Shown(folder + u'/' + files.front())))
      << RunState(k).toStdString();
}

TEST(PreviewPrintJob, APrinterThatCannotPrintAsksAsThePrintListDoes) {
  PreviewWorld p(2);
  WriteIni(p.ini, "Target=Printer\nPrinter=kvsys-no-such-queue\n");
  KVPreview k(p.Records(), p.w.dialogs);
  ASSERT_TRUE(k.Open());
  const QString folder = p.w.folder() + QStringLiteral("/pdf");
  const QString question = AbsentPrinterText(QStringLiteral("kvsys-no-such-queue")) +
                           QStringLiteral("\r\r") + kPdfInsteadQuestion + QStringLiteral("\r（") +
                           Shown(folder) + QStringLiteral("）");
  p.w.dialogs.ExpectDefault(question, MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2,
                            Answer::No);
  k.Print();
  EXPECT_TRUE(PdfsIn(folder).isEmpty());
  p.w.dialogs.ExpectDefault(question, MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2,
                            Answer::Yes);
  k.PrintAll();
  EXPECT_TRUE(p.w.dialogs.AllShown());
  ASSERT_EQ(PdfsIn(folder).size(), 1);
  Poppler poppler;
  EXPECT_EQ(poppler.Pages(folder + u'/' + PdfsIn(folder).front()), 2);
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(PrintJobPlaces, ThePrintListThePreviewAndThePrintToolGiveTheSamePages) {
  PreviewWorld p(4);
  // The print options as the tool reads them from KVSYS.ini; a 40-character meet name, which
  // every place draws smaller to fit the sheet.
  p.w.options = ReadPrintOptions(p.w.dialogs, p.ini);
  const QString long_name = QStringLiteral(
      "第５４回さいたま市民水泳競技大会兼ジュニアオリンピック関東地区予選会記念水泳大会");
  ASSERT_EQ(long_name.size(), 40);
  LayoutStore store(*p.w.layout_db, p.w.dialogs, p.w.state);
  std::optional<LayoutSettings> settings = store.ReadSettings(1);
  ASSERT_TRUE(settings);
  settings->meet_name1 = long_name;
  ASSERT_TRUE(store.ChangeSettings(1, *settings));
  p.Run();
  const QString dumps = p.w.folder() + QStringLiteral("/dumps/");
  ASSERT_TRUE(QDir().mkpath(dumps));
  auto dump_to = [&dumps](const QString& name) {
    return [path = dumps + name] { return std::make_unique<JsonLinesSink>(path); };
  };

  const MeetSettings meet = LoadMeetSettings(p.w.Results(), p.w.state, p.w.dialogs);
  KVS220 list(ListRecords(p.w, meet, p.ini), p.w.dialogs);
  list.Session().SetOutput(dump_to(QStringLiteral("list.jsonl")));
  list.Open();  // the first event is chosen
  list.Print();

  KVPreview preview(p.Records(), p.w.dialogs);
  preview.Session().SetOutput(dump_to(QStringLiteral("preview.jsonl")));
  ASSERT_TRUE(preview.Open());
  preview.PrintAll();

  QString out_text;
  QString err_text;
  QTextStream out(&out_text);
  QTextStream err(&err_text);
  ASSERT_EQ(printtool::RunPrintCommand(
                {QStringLiteral("--program-folder"), p.w.folder(), QStringLiteral("--meet"),
                 p.w.meet_path(), QStringLiteral("--events"), QStringLiteral("1"),
                 QStringLiteral("--dump"), dumps + QStringLiteral("tool.jsonl")},
                out, err),
            0)
      << err_text.toStdString();

  const QByteArray from_list = ReadAll(dumps + QStringLiteral("list.jsonl"));
  EXPECT_EQ(from_list.count("\"op\":\"document\""), 4);
  int meet_names = 0;
  for (const QByteArray& line : from_list.split('\n')) {
    if (!line.contains(long_name.toUtf8())) continue;
    ++meet_names;
    const double size = line.mid(line.indexOf("\"size\":") + 7).split(',').front().toDouble();
    EXPECT_GT(size, 10);
    EXPECT_LT(size, 30);  // the layout's size
  }
  EXPECT_EQ(meet_names, 4);
  EXPECT_EQ(ReadAll(dumps + QStringLiteral("preview.jsonl")), from_list);
  EXPECT_EQ(ReadAll(dumps + QStringLiteral("tool.jsonl")), from_list);
}

}  // namespace
}  // namespace kvsys::test
