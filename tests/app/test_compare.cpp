// Compare with device and Show changes before writing: the module read into
// a configuration of its own, the differences listed with the form's labels,
// the form and the module left as they were; a preview that is cancelled
// writes nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>

#include "app/command_ids.h"
#include "app/compare_dlg.h"
#include "app/ctq740conf_doc.h"
#include "form/corder_list_ctrl.h"
#include "model/control_ids.h"
#include "model/register_map.h"
#include "tests/app/app_harness.h"

namespace {

struct Shown {
  QString title, summary;
  std::vector<std::vector<QString>> rows;  // label, module, form
  QStringList keys;
};

class CompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.start());
    h.desktop.onDialog = [this](QDialog& dialog) {
      auto* dlg = dynamic_cast<CCompareDlg*>(&dialog);
      if (!dlg) return int(QDialog::Rejected);
      Shown s{dlg->windowTitle(), dlg->summary()->text(), {}, {}};
      for (int i = 0; i < dlg->list()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* it = dlg->list()->topLevelItem(i);
        s.rows.push_back({it->text(0), it->text(1), it->text(2)});
        s.keys << it->toolTip(0);
      }
      shown.push_back(s);
      return answer;
    };
    h.run(cmd::kCom1);
    h.run(cmd::kAutoSelect);
    ASSERT_EQ(h.prompt.numbers(), std::vector<int>{57});
    h.prompt.clear();
    h.sim->clearRequests();
  }
  QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(h.app->view()->control(id)); }
  int writes() const {
    int n = 0;
    for (const SimRequest& r : h.sim->requests()) n += r.function == 16;
    return n;
  }
  TempSettings settings;
  AppHarness h;
  std::vector<Shown> shown;
  int answer = QDialog::Rejected;
};

TEST_F(CompareTest, OneEditedFieldIsTheOnlyDifferenceAndNothingChanges) {
  h.run(cmd::kCompareWithDevice);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "Compare with device");
  EXPECT_EQ(shown[0].summary, "No differences");
  EXPECT_TRUE(h.prompt.m_messages.empty()) << "no message 57";

  QLineEdit* maxErrors = edit(ids::kMasterMaxErrors);  // the last field
  maxErrors->selectAll();
  QTest::keyClicks(maxErrors, QStringLiteral("7"));
  h.run(cmd::kCompareWithDevice);
  ASSERT_EQ(shown.size(), 2u);
  ASSERT_EQ(shown[1].rows.size(), 1u);
  EXPECT_EQ(shown[1].rows[0], (std::vector<QString>{"Master max number error", "3", "7"}));
  EXPECT_EQ(shown[1].keys, QStringList{"master.max_number_error"});
  EXPECT_EQ(writes(), 0);
  EXPECT_EQ(maxErrors->text(), "7");
  EXPECT_TRUE(h.app->document()->IsModified());
}

TEST_F(CompareTest, AnEditedOrderListsItsChangedFieldsNumberedFromOne) {
  h.clickOrderRow(1);
  QLineEdit* address = edit(ids::kOrderMemAddr);
  address->selectAll();
  QTest::keyClicks(address, QStringLiteral("77"));
  h.prompt.answerNext(MsgAnswer::Yes);  // message 52: modify the order?
  qobject_cast<QPushButton*>(h.app->view()->control(ids::kModifyButton))->click();
  ASSERT_EQ(h.app->view()->orderList()->text(1, 5), "77");
  const QString before = QString::number(h.sim->registerValue(reg::kFirstOrder + 5 + 3));

  h.run(cmd::kCompareWithDevice);
  ASSERT_EQ(shown.size(), 1u);
  ASSERT_EQ(shown[0].rows.size(), 1u);
  EXPECT_EQ(shown[0].rows[0], (std::vector<QString>{"Order 2 Memory Address", before, "77"}));
  EXPECT_EQ(shown[0].keys, QStringList{"master.orders[1].memory_address"});
}

TEST_F(CompareTest, AFailedCompareShowsTheFailureAndLeavesTheForm) {
  edit(ids::kCom1SlaveAddr)->setText("");  // fails the Write check
  h.run(cmd::kCompareWithDevice);
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(h.sim->requests().empty()) << "nothing is read";
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_NE(h.prompt.m_messages[0].text.find("Nothing was compared"), std::string::npos);
  EXPECT_TRUE(h.app->view()->control(ids::kIndCom1SlaveAddr)->isVisible());

  edit(ids::kCom1SlaveAddr)->setText("9");
  h.prompt.clear();
  h.sim->addFault({SimFault::NoAnswer, 0, std::nullopt, -1});
  h.run(cmd::kCompareWithDevice);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(h.prompt.numbers(), (std::vector<int>{10, 53}));
  EXPECT_EQ(edit(ids::kCom1SlaveAddr)->text(), "9");
  EXPECT_EQ(h.app->view()->orderList()->rowCount(), 3);
}

// Show changes before writing: off by default and remembered. On, the
// preview comes after the identity and before the first block; Cancel
// writes nothing, Write writes.
TEST_F(CompareTest, ShowChangesBeforeWritingCancelWritesNothing) {
  EXPECT_FALSE(h.frame()->action(cmd::kShowChangesBeforeWriting)->isChecked());
  h.run(cmd::kWriteParameters);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(h.prompt.numbers(), std::vector<int>{67});

  h.run(cmd::kShowChangesBeforeWriting);
  h.frame()->UpdateCommandUI();
  EXPECT_TRUE(h.frame()->action(cmd::kShowChangesBeforeWriting)->isChecked());
  EXPECT_TRUE(QSettings(QString::fromLatin1(CTQ740confApp::kRegistryKey), QStringLiteral("TQ740conf"))
                  .value(QStringLiteral("Settings/ShowChangesBeforeWriting"))
                  .toBool());

  edit(ids::kMasterPoolTime)->setText("250");
  h.prompt.clear();
  h.sim->clearRequests();
  h.run(cmd::kWriteParameters);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "Changes before writing");
  ASSERT_EQ(shown[0].rows.size(), 1u);
  EXPECT_EQ(shown[0].rows[0], (std::vector<QString>{"Master pooltime", "100", "250"}));
  EXPECT_EQ(writes(), 0);
  EXPECT_TRUE(h.prompt.m_messages.empty());
  // The identity first, then the read of the preview.
  const std::vector<SimRequest> requests = h.sim->requests();
  ASSERT_GE(requests.size(), 3u);
  EXPECT_EQ(requests[0].start, block::kIdentity.start);
  EXPECT_EQ(requests[0].count, block::kIdentity.count);
  EXPECT_EQ(requests[1].start, block::kReadPorts.start);

  answer = QDialog::Accepted;
  h.run(cmd::kWriteParameters);
  EXPECT_EQ(h.prompt.numbers(), std::vector<int>{67});
  EXPECT_EQ(h.sim->registerValue(reg::kMasterPoolTime), 250);

  // Nothing differs now: it says so, and still offers Write.
  h.run(cmd::kWriteParameters);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_TRUE(shown[2].rows.empty());
  EXPECT_TRUE(shown[2].summary.startsWith("No differences"));
}

// A foreign module accepted at message 59 is not asked about again by the
// read of the preview.
TEST_F(CompareTest, PreviewDoesNotAskAgainAboutAnAcceptedModule) {
  h.run(cmd::kShowChangesBeforeWriting);
  h.sim->setRegister(reg::kProductCodeLow, 20414);
  answer = QDialog::Accepted;
  h.run(cmd::kWriteParameters);  // the recording prompt answers Yes to 59
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(h.prompt.numbers(), (std::vector<int>{59, 67}));
}

// In Catch mode a Write sends the number of orders but no order records: the
// preview leaves a differing record out, while Compare names it.
TEST(CompareCatchMode, PreviewShowsWhatTheWriteSendsNotTheOrderRecords) {
  TempSettings settings;
  AppHarness h;
  h.sim->setMasterMode(1);
  h.sim->setRegister(reg::kCom1SlaveMode, 1);
  h.sim->setRegister(reg::kCom2SlaveMode, 1);
  h.sim->setRegister(reg::kCom3SlaveMode, 2);
  ASSERT_TRUE(h.start());
  std::vector<std::size_t> rows;
  h.desktop.onDialog = [&rows](QDialog& dialog) {
    rows.push_back(static_cast<std::size_t>(dynamic_cast<CCompareDlg&>(dialog).list()->topLevelItemCount()));
    return int(QDialog::Rejected);
  };
  h.run(cmd::kShowChangesBeforeWriting);
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  ASSERT_EQ(h.prompt.numbers(), std::vector<int>{57});
  h.sim->setRegister(orderRecordStart(0) + 2, 99);  // the module's first record differs

  h.run(cmd::kWriteParameters);
  h.run(cmd::kCompareWithDevice);
  EXPECT_EQ(rows, (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(h.sim->registerValue(orderRecordStart(0) + 2), 99) << "nothing written";
}

}  // namespace
