// Shared main of every test program: a QApplication on the offscreen platform, with the
// locale and fonts pinned so that widget and drawing tests behave alike on every machine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
