// Device > Master timing...: the window's table against the same figures
// that tq740ctl prints, its updates while the form changes, the command's
// enabled state, and the warnings of Open and Write about an order that
// cannot be answered within the master timeout.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "app/command_ids.h"
#include "app/master_timing_dlg.h"
#include "model/configuration.h"
#include "model/configuration_json.h"
#include "model/control_ids.h"
#include "model/wire_timing.h"
#include "ops/config_form.h"
#include "tests/app/app_harness.h"

namespace {

class MasterTimingTest : public ::testing::Test {
 protected:
  // COM4 at 1200 baud 8N2, a 500 ms timeout and two orders, the second a
  // function 3 read of 120 registers (answer at least 2.28 s).
  void SetUp() override {
    h.sim->setOrders(2);
    h.sim->setRegister(reg::kCom4Baud, 0);
    h.sim->setRegister(reg::kCom4Parity, 4);
    h.sim->setRegister(reg::kMasterTimeout, 500);
    h.sim->setRegister(orderRecordStart(1), 0x0903);
    h.sim->setRegister(orderRecordStart(1) + 2, 120);
    h.sim->setRegister(orderRecordStart(1) + 3, 100);
    h.sim->setRegister(orderRecordStart(1) + 4, 0);  // "Data memory", which function 3 may address
    ASSERT_TRUE(h.start());
  }

  Configuration moduleConfiguration() const { return Configuration::fromImage(h.sim->image(), 2); }

  std::vector<std::vector<std::string>> shownRows() const {
    QTableWidget* t = h.app->masterTimingDialog()->table();
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < t->rowCount(); ++r) {
      rows.emplace_back();
      for (int c = 0; c < t->columnCount(); ++c) rows.back().push_back(t->item(r, c)->text().toStdString());
    }
    return rows;
  }
  static void settle() { QCoreApplication::processEvents(); }

  TempSettings settings;
  AppHarness h;
};

TEST_F(MasterTimingTest, WindowShowsTheTableOfTheFormAndFollowsIt) {
  h.frame()->UpdateCommandUI();
  EXPECT_FALSE(h.frame()->action(cmd::kMasterTiming)->isEnabled()) << "no device selected";
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  ASSERT_EQ(h.prompt.numbers(), std::vector<int>{57});
  h.frame()->UpdateCommandUI();
  ASSERT_TRUE(h.frame()->action(cmd::kMasterTiming)->isEnabled());

  h.run(cmd::kMasterTiming);
  CMasterTimingDlg* dlg = h.app->masterTimingDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->windowTitle(), "Master timing");

  // The same cells as tq740ctl timing prints for this configuration.
  const wire::TimingTable expected = wire::timingTable(wire::masterTiming(moduleConfiguration()));
  EXPECT_EQ(shownRows(), expected.rows);
  EXPECT_EQ(shownRows()[1],
            (std::vector<std::string>{"2", "9", "3", "120", "8", "245", "2.28 s", "2.38 s", "-1.78 s",
                                      "CANNOT FIT"}));
  EXPECT_EQ(dlg->summary()->text(), "1 of 2 orders cannot be answered within the master timeout of 500 ms.");
  EXPECT_TRUE(dlg->notes()->text().contains("Master pooltime: 100 ms, shown apart and not added in"));
  EXPECT_TRUE(dlg->notes()->text().contains("Every time is a lower bound"));

  // The baud rate, the timeout and the list change the figures.
  CTQ740confView* view = h.app->view();
  qobject_cast<QComboBox*>(view->control(ids::kCom4Baud))->setCurrentIndex(3);  // 9600
  settle();
  EXPECT_EQ(shownRows()[1][6], "284.7 ms");  // 248.5 characters of 1.146 ms
  EXPECT_EQ(shownRows()[1][9], "yes");
  qobject_cast<QLineEdit*>(view->control(ids::kMasterTimeout))->setText("0");
  settle();
  EXPECT_EQ(shownRows()[1][8], "-");
  EXPECT_EQ(dlg->summary()->text(), "Master timeout 0: the orders are not checked.");
  ConfigForm& form = view->configForm();
  form.insertOrder(2, "3");
  for (const auto& [c, t] : std::vector<std::pair<int, std::string>>{{1, "4"}, {2, "16"}, {3, "1"}, {4, "25"}})
    form.setOrderText(2, c, t);
  settle();
  ASSERT_EQ(shownRows().size(), 3u);
  EXPECT_EQ(shownRows()[2][4], "59");

  // The command brings the open window forward rather than a second one.
  h.run(cmd::kMasterTiming);
  EXPECT_EQ(h.app->masterTimingDialog(), dlg);
}

TEST_F(MasterTimingTest, OpenWarnsAndWriteAsksBeforeWritingAnything) {
  QTemporaryDir dir;
  const QString path = dir.filePath("slow.json");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(config_json::write(moduleConfiguration())));
  }
  ASSERT_TRUE(h.app->OpenDocumentFile(path));
  ASSERT_EQ(h.prompt.m_messages.size(), 1u) << h.prompt.texts().front();
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Warning);
  const std::string named = "order 2 (slave 9, function 3, 120 registers): the answer takes at least 2.28 s";
  EXPECT_NE(h.prompt.m_messages[0].text.find(named), std::string::npos) << h.prompt.m_messages[0].text;

  h.run(cmd::kCom1);
  h.sim->clearRequests();
  h.prompt.clear();
  h.prompt.answerNext(MsgAnswer::No);
  h.run(cmd::kWriteParameters);
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Question);
  EXPECT_NE(h.prompt.m_messages[0].text.find(named), std::string::npos);
  ASSERT_EQ(h.sim->requests().size(), 1u);
  EXPECT_EQ(h.sim->requests()[0].function, 3);

  h.prompt.clear();
  h.prompt.answerNext(MsgAnswer::Yes);
  h.run(cmd::kWriteParameters);
  EXPECT_EQ(h.prompt.numbers(), (std::vector<int>{0, 67}));
}

}  // namespace
