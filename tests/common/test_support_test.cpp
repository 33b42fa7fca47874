// The support every test program relies on: fixtures that are missing and controls that are
// not there fail the test with their names instead of crashing it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "support/find_child.h"
#include "support/fixture.h"

namespace kvsys::test {
namespace {

TEST(TestSupport, FixturesComeFromTheRepository) {
  const QString path = FixturePath(QStringLiteral("Swim01.mdb"));
  EXPECT_TRUE(path.startsWith(QStringLiteral(KVSYS_SOURCE_DIR "/tests/fixtures/jet/")));
  EXPECT_TRUE(ReadFixture(QStringLiteral("Swim01.mdb")).startsWith(QByteArray("\0\1\0\0", 4)));
  EXPECT_TRUE(FixtureText(QStringLiteral("swim-schema.sql")).contains(QStringLiteral("大会設定")));
  try {
    FixturePath(QStringLiteral("no-such-meet.mdb"));
    ADD_FAILURE() << "a missing fixture was returned";
  } catch (const MissingFixture& e) {
    EXPECT_STREQ(e.what(), "missing fixture tests/fixtures/jet/no-such-meet.mdb");
  }
  EXPECT_THROW(ReadFixture(QStringLiteral("no-such-meet.mdb")), MissingFixture);
}

TEST(TestSupport, ControlsAreFoundByNameOnceAtAnyDepth) {
  QWidget window;
  window.setObjectName(QStringLiteral("KVSTEST"));
  auto* frame = new QWidget(&window);
  auto* button = new QPushButton(frame);
  button->setObjectName(QStringLiteral("SSCommand1"));
  auto* label = new QLabel(&window);
  label->setObjectName(QStringLiteral("LBL1"));
  EXPECT_EQ(Child<QPushButton>(window, "SSCommand1"), button);
  EXPECT_EQ(Child<QLabel>(&window, "LBL1"), label);

  try {
    Child<QPushButton>(window, "LBL1");  // there, but not a button
    ADD_FAILURE() << "a control of another type was returned";
  } catch (const MissingControl& e) {
    EXPECT_STREQ(e.what(), "0 QPushButton named \"LBL1\" in QWidget \"KVSTEST\" (expected one)");
  }
  (new QPushButton(&window))->setObjectName(QStringLiteral("SSCommand1"));
  EXPECT_THROW(Child<QPushButton>(window, "SSCommand1"), MissingControl);
  EXPECT_THROW(Child<QLabel>(static_cast<QWidget*>(nullptr), "LBL1"), MissingControl);
}

}  // namespace
}  // namespace kvsys::test
