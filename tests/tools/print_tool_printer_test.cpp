// kvsys-print's printer options: one destination only, a named queue or the default printer.
#include <gtest/gtest.h>

#include "print/print_command.h"

namespace kvsys::printtool {
namespace {

TEST(PrintCommandPrinter, ANamedQueueOrTheDefaultPrinterAndNoOtherDestination) {
  QString error;
  const QStringList meet{QStringLiteral("--program-folder"), QStringLiteral("p"),
                         QStringLiteral("--meet"), QStringLiteral("m"), QStringLiteral("--all")};
  std::optional<CommandLine> cl = ParseCommandLine(
      meet + QStringList{QStringLiteral("--printer"), QStringLiteral("事務室")}, &error);
  ASSERT_TRUE(cl) << error.toStdString();
  EXPECT_TRUE(cl->to_printer);
  EXPECT_EQ(cl->printer, QStringLiteral("事務室"));

  cl = ParseCommandLine(meet + QStringList{QStringLiteral("--default-printer")}, &error);
  ASSERT_TRUE(cl) << error.toStdString();
  EXPECT_TRUE(cl->to_printer);
  EXPECT_TRUE(cl->printer.isEmpty());
  cl = ParseCommandLine(meet, &error);
  ASSERT_TRUE(cl);
  EXPECT_FALSE(cl->to_printer);

  const QString one = QStringLiteral(
      "--pdf、--pdf-file、--by-affiliation、--printer（--default-printer）はどれか一つを"
      "指定してください。");
  for (const QStringList& both :
       {QStringList{QStringLiteral("--printer"), QStringLiteral("a"), QStringLiteral("--pdf"),
                    QStringLiteral("d")},
        QStringList{QStringLiteral("--default-printer"), QStringLiteral("--pdf-file"),
                    QStringLiteral("f.pdf")},
        QStringList{QStringLiteral("--pdf"), QStringLiteral("d"), QStringLiteral("--pdf-file"),
                    QStringLiteral("f.pdf")},
        QStringList{QStringLiteral("--by-affiliation"), QStringLiteral("c"),
                    QStringLiteral("--pdf-file"), QStringLiteral("f.pdf")}}) {
    EXPECT_FALSE(ParseCommandLine(meet + both, &error)) << both.join(u' ').toStdString();
    EXPECT_EQ(error, one);
  }
  EXPECT_FALSE(ParseCommandLine(meet + QStringList{QStringLiteral("--printer")}, &error));

  // The calibration sheet needs no meet, and takes nothing but where it goes.
  const QStringList sheet{QStringLiteral("--program-folder"), QStringLiteral("p"),
                          QStringLiteral("--calibration-sheet")};
  cl = ParseCommandLine(sheet + QStringList{QStringLiteral("--printer"), QStringLiteral("a")},
                        &error);
  ASSERT_TRUE(cl) << error.toStdString();
  EXPECT_TRUE(cl->calibration_sheet && cl->to_printer);
  for (const QStringList& more :
       {QStringList{QStringLiteral("--meet"), QStringLiteral("m")},
        QStringList{QStringLiteral("--rank"), QStringLiteral("1")},
        QStringList{QStringLiteral("--printer"), QStringLiteral("a"), QStringLiteral("--pdf-file"),
                    QStringLiteral("f.pdf")}}) {
    EXPECT_FALSE(ParseCommandLine(sheet + more, &error)) << more.join(u' ').toStdString();
    EXPECT_TRUE(error.startsWith(QStringLiteral("--calibration-sheet は"))) << error.toStdString();
  }
}

}  // namespace
}  // namespace kvsys::printtool
