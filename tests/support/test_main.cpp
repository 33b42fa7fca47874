// Shared main of every test program: a QApplication on the offscreen platform, with the
// locale and fonts pinned so that widget and drawing tests behave alike on every machine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLocale>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
  // Logical DPI of the screen: widget sizes and screen fonts do not follow the machine's.
  qputenv("QT_FONT_DPI", "96");
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QApplication app(argc, argv);
  // The widget font is one the scripts install everywhere, not whatever fontconfig picks.
  QApplication::setFont(QFont(QStringLiteral("IPAGothic"), 9));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
