// The layout editor's flows without its window: what the fields hold goes in, the field to go
// to or the entry to show comes out, and the layouts program-wide follow.
#include <gtest/gtest.h>

#include "layout/layout_editor_session.h"
#include "support/layout_db_test.h"

namespace kvsys::test {
namespace {

class EditorSessionTest : public LayoutDbTest {
 protected:
  void SetUp() override {
    LayoutDbTest::SetUp();
    meet.大会名1 = QStringLiteral("市民大会");
    session = std::make_unique<LayoutEditorSession>(
        LayoutEditorRecords{errors_, db_, meet, meet_no, current, [this] { return today; }},
        dialogs_);
  }
  // The fields as a new layout shows them on the meet's day.
  EditorFields Fields(bool modified = false) {
    EditorFields f{FieldTextsOf(NewLayoutSettings(meet)), QStringLiteral("Ｂ４、250x354mm"),
                   modified};
    f.texts[kFieldDate] = QStringLiteral("2026年07月18日");
    return f;
  }
  void Info(const QString& text, const QString& title = kKvs210Caption) {
    dialogs_.Expect(text, MsgButtons::Ok, MsgIcon::Information, title);
  }

  MeetSettings meet;
  int16_t meet_no = 3;
  int16_t current = 0;
  QDate today{2026, 7, 18};
  std::unique_ptr<LayoutEditorSession> session;
};

TEST_F(EditorSessionTest, NewLayoutChecksThenAsksTheNameAndShowsTheEntryInTheGap) {
  ASSERT_EQ(store().CreateLayout(1, QStringLiteral("一"), 1, SampleSettings()), 1);
  ASSERT_EQ(store().CreateLayout(3, QStringLiteral("三"), 1, SampleSettings()), 3);
  ASSERT_TRUE(session->Open());
  ASSERT_TRUE(session->Choose(1));
  ASSERT_EQ(current, 3);

  // An empty rank stops only a modified editor; a rank past 16 bits stops any; a date other
  // than today asks, and Cancel goes to the date. Nothing is written.
  EditorFields f = Fields(true);
  f.texts[kFieldFinal].clear();
  Info(EmptyRankMessage(kFieldFinal));
  EXPECT_EQ(session->NewLayout(f).focus, kFieldFinal);
  f.modified = false;
  f.texts[kFieldHeats] = QStringLiteral("40000");
  Info(RankTooLargeMessage(kFieldHeats));
  EXPECT_EQ(session->NewLayout(f).focus, kFieldHeats);
  f = Fields();
  today = today.addDays(1);
  dialogs_.Expect(kOtherDateQuestion, MsgButtons::OkCancel, MsgIcon::Information, kKvs210Caption,
                  Answer::Cancel);
  EXPECT_EQ(session->NewLayout(f).focus, kFieldDate);
  today = today.addDays(-1);

  // A name refused: the buttons act on the entry chosen before, not on the free number.
  dialogs_.ExpectInput(kLayoutNamePrompt, QString());
  dialogs_.Expect(kNameCancelledMessage, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EditorWrite write = session->NewLayout(f);
  EXPECT_FALSE(write.written);
  EXPECT_EQ(current, 3);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 保存名")).toInt(), 2);

  dialogs_.ExpectInput(kLayoutNamePrompt, QStringLiteral("二"));
  Info(kLayoutRegisteredMessage);
  f.texts[kFieldTitle] = QStringLiteral("表彰状");
  write = session->NewLayout(f);
  ASSERT_TRUE(write.written);
  ASSERT_TRUE(write.entry);
  EXPECT_EQ(write.entry->row, 1);
  EXPECT_EQ(write.entry->fields.title, QStringLiteral("表彰状"));
  EXPECT_EQ(current, 2);
  ASSERT_EQ(session->Layouts().size(), 3u);
  EXPECT_EQ(session->Layouts()[1].name, QStringLiteral("二"));
}

TEST_F(EditorSessionTest, DeletingTheLayoutInForceAsksTwiceAndLeavesNoLayoutToActOn) {
  ASSERT_EQ(store().CreateLayout(1, QStringLiteral("一"), 1, SampleSettings()), 1);
  ASSERT_EQ(store().CreateLayout(2, QStringLiteral("二"), 1, SampleSettings()), 2);
  ASSERT_TRUE(store().DecideLayout(2));
  const std::optional<EditorEntry> open = session->Open();
  ASSERT_TRUE(open);
  EXPECT_EQ(open->row, 1);
  EXPECT_EQ(current, 2);

  // Outside the list every button says so and does nothing.
  Info(kSelectListMessage, kAppTitle);
  EXPECT_FALSE(session->DecideLayout(2));
  Info(kSelectListToDeleteMessage, kAppTitle);
  EXPECT_EQ(session->DeleteLayout(-1), DeleteOutcome::kKept);

  // Declining the second question keeps it.
  const auto ask = [this](Answer second) {
    dialogs_.Expect(DeleteQuestion(QStringLiteral("二")), MsgButtons::YesNo, MsgIcon::Question,
                    kAppTitle, Answer::Yes);
    dialogs_.Expect(kDeleteInForceQuestion, MsgButtons::YesNo, MsgIcon::Information, kAppTitle,
                    second);
  };
  ask(Answer::No);
  EXPECT_EQ(session->DeleteLayout(1), DeleteOutcome::kKept);
  EXPECT_EQ(session->Layouts().size(), 2u);
  ask(Answer::Yes);
  EXPECT_EQ(session->DeleteLayout(1), DeleteOutcome::kDeletedInForce);
  EXPECT_EQ(current, 0);
  EXPECT_EQ(store().DecidedLayout(), 0);
  ASSERT_EQ(session->Layouts().size(), 1u);
  EXPECT_EQ(session->Layouts()[0].number, 1);
}

}  // namespace
}  // namespace kvsys::test
