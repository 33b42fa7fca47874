// The print list and the preview side by side in one area, as in the main window: ﾌﾟﾚﾋﾞｭｰ出力
// opens the preview on the run, a direct run leaves the preview's certificates alone, and
// closing the preview while a run fills the table does not empty it under the run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <memory>

#include "desk/kvs220.h"
#include "preview/kvpreview.h"
#include "preview/preview_window_ui.h"
#include "preview_world.h"
#include "results/meet_settings.h"
#include "support/desk_records.h"
#include "support/find_child.h"

namespace kvsys::test {
namespace {

class PrintListPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meet = LoadMeetSettings(p.w.Results(), p.w.state, p.w.dialogs);
    list = new KVS220(ListRecords(p.w, meet, p.ini, {QStringLiteral("IPAMincho")}), p.w.dialogs);
    area.addSubWindow(list)->setAttribute(Qt::WA_DeleteOnClose);
    list->SetPreviewOpener([this] {
      OpenPreview(area, p.Records(), p.w.dialogs,
                  [this](const QString& name, const std::function<QWidget*()>& create) {
                    QWidget* page = create();
                    page->setObjectName(name);
                    QMdiSubWindow* sub = area.addSubWindow(page);
                    sub->setAttribute(Qt::WA_DeleteOnClose);
                    page->show();
                    return sub;
                  });
    });
    list->Open();
    Child<QCheckBox>(*list, "Check1")->setChecked(true);
  }
  KVPreview* Preview() const {
    for (QMdiSubWindow* sub : area.subWindowList()) {
      auto* preview = qobject_cast<KVPreview*>(sub->widget());
      if (preview && !sub->isHidden()) return preview;
    }
    return nullptr;
  }
  qsizetype Pdfs() const {
    return QDir(p.w.folder() + QStringLiteral("/pdf")).entryList({QStringLiteral("*.pdf")}).size();
  }

  PreviewWorld p{3};
  MeetSettings meet;
  QMdiArea area;
  KVS220* list = nullptr;
};

TEST_F(PrintListPreviewTest, ThePreviewRunOpensThePreviewAndADirectRunLeavesItsCertificates) {
  Child<QCheckBox>(*list, "PRV_CHK")->setChecked(true);
  list->Print();
  KVPreview* preview = Preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->Session().Count(), 3);
  EXPECT_TRUE(Texts(preview->Session().Held()).contains(QStringLiteral("S1")));
  EXPECT_EQ(Pdfs(), 0);

  // Printed directly with other names in the results: the preview still shows its own run.
  p.w.Meet(QStringLiteral("UPDATE 選手マスター SET 氏名 = '別人' || 選手番号"));
  Child<QCheckBox>(*list, "PRV_CHK")->setChecked(false);
  list->Print();
  EXPECT_GT(Pdfs(), 0);  // one file per run or per certificate, as the output is set
  EXPECT_EQ(p.w.recipients[1].Name, QStringLiteral("別人1"));
  preview->Activate();
  EXPECT_TRUE(Texts(preview->Session().Held()).contains(QStringLiteral("S1")));
}

TEST_F(PrintListPreviewTest, ClosingThePreviewDuringARunLeavesTheTableToTheRun) {
  Child<QCheckBox>(*list, "PRV_CHK")->setChecked(true);
  list->Print();
  KVPreview* preview = Preview();
  ASSERT_NE(preview, nullptr);

  Child<QCheckBox>(*list, "PRV_CHK")->setChecked(false);
  // The operator closes the preview while the first recipient of the next run is collected.
  QTimer::singleShot(0, &area, [preview] { preview->CloseWindow(); });
  list->Print();
  EXPECT_EQ(Preview(), nullptr);
  EXPECT_GT(Pdfs(), 0);  // one file per run or per certificate, as the output is set
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(p.w.recipients[i].Name, QStringLiteral("S%1").arg(i));

  // Closed with no run going, the table is emptied.
  Child<QCheckBox>(*list, "PRV_CHK")->setChecked(true);
  list->Print();
  ASSERT_NE(Preview(), nullptr);
  Preview()->CloseWindow();
  EXPECT_EQ(p.w.recipients[1], Recipient());
}

}  // namespace
}  // namespace kvsys::test
