// One device operation at a time, in the real window: input held off and
// every command disabled while it runs, the progress in the status bar, and
// a close of the window held until the transfer has ended, also while one of
// the operation's boxes is up.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <sstream>

#include "app/command_ids.h"
#include "app/ctq740conf_doc.h"
#include "app/operation_progress.h"
#include "form/corder_list_ctrl.h"
#include "link/frame_trace.h"
#include "model/control_ids.h"
#include "model/register_map.h"
#include "ops/config_form.h"
#include "tests/app/app_harness.h"

namespace {

int countFunction(const std::vector<SimRequest>& requests, int function) {
  return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                        [function](const SimRequest& r) { return r.function == function; }));
}

// Runs check every few milliseconds of the event loop until it returns true;
// it is driven by the waits of the running operation.
class Watch {
 public:
  explicit Watch(std::function<bool()> check) : m_check(std::move(check)) {
    m_timer.setInterval(2);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      if (m_check()) m_timer.stop();
    });
    m_timer.start();
  }

 private:
  std::function<bool()> m_check;
  QTimer m_timer;
};

TEST(OperationGuard, InputAndCommandsAreHeldOffWhileAnOperationWaitsForTheModule) {
  TempSettings settings;
  AppHarness h;
  h.sim->setOrders(3);
  // The first answer comes late, so the read certainly waits in the loop.
  h.sim->addFault({SimFault::Delay, 1, std::nullopt, 1, 150});
  ASSERT_TRUE(h.start());
  ASSERT_TRUE(h.activate());
  h.run(cmd::kCom1);
  h.run(cmd::kSelectDevice);
  auto* redirect = qobject_cast<QLineEdit*>(h.app->view()->control(ids::kCom1Redirect));
  auto* add = qobject_cast<QPushButton*>(h.app->view()->control(ids::kAddButton));
  ASSERT_TRUE(redirect && add);
  redirect->setFocus();

  bool seen = false;
  Watch during([&] {
    if (!h.frame()->operation().running()) return false;
    seen = true;
    for (const CommandInfo& c : commandTable()) EXPECT_FALSE(h.frame()->action(c.id)->isEnabled()) << c.id;
    EXPECT_TRUE(h.frame()->progress()->isVisible());
    EXPECT_EQ(h.frame()->progress()->stepText(), QStringLiteral("Reading parameters"));
    // Keys, a click, a shortcut and a second command all come to nothing.
    QTest::keyClicks(redirect, QStringLiteral("99"));
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::keyClick(h.frame(), Qt::Key_F, Qt::AltModifier);
    h.app->router().route(cmd::kReadFirmwareVersion);
    return true;
  });
  h.run(cmd::kReadParameters);

  ASSERT_TRUE(seen);
  EXPECT_EQ(h.prompt.numbers(), std::vector<int>{57});
  EXPECT_EQ(redirect->text().toStdString(), std::to_string(h.sim->registerValue(reg::kCom1RedirectTimeout)));
  EXPECT_EQ(h.app->view()->orderList()->rowCount(), 3);
  // The read's transactions and nothing else: no firmware query.
  EXPECT_EQ(h.sim->requests().size(), 2u + 3u);
  EXPECT_FALSE(h.frame()->progress()->isVisible());
  AppHarness::idle();
  EXPECT_TRUE(h.frame()->action(cmd::kWriteParameters)->isEnabled());
}

// A close of the window in the middle of a transfer, by the user or by a
// signal (the one a shutdown sends, the one of a closed terminal): the
// transfer runs to its end, every block reaches the module, then the window
// closes. A close before a write's first block ends the write there.
struct CloseCase {
  const char* name;
  int command;
  int closeAfterRequests;
  int expectedMessage;  // 0: none
  int signal = 0;       // 0: the window's own close
};

// Names the case in test lists instead of its bytes.
void PrintTo(const CloseCase& c, std::ostream* os) {
  *os << c.name;
}

class CloseDuringTransfer : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseDuringTransfer, FinishesTheTransferThenCloses) {
  const CloseCase& c = GetParam();
  TempSettings settings;
  PtyModule::Options paced;
  paced.pace = true;
  AppHarness h(paced);
  std::ostringstream traced;
  FrameTrace trace(traced);
  h.trace = &trace;
  h.sim->setOrders(kMaxOrders);
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kSelectDevice);
  if (c.command == cmd::kWriteParameters) {
    h.run(cmd::kReadParameters);
    ASSERT_TRUE(h.app->view()->paramsRead());
    h.sim->clearRequests();
    h.prompt.clear();
    // Something to write: every order record changes.
    for (int r = 0; r < kMaxOrders; ++r) h.app->view()->configForm().setOrderText(r, 4, "11");
  }
  const RegisterImage moduleBefore = h.sim->image();
  // The identity read waits long enough to be caught in the act.
  if (c.closeAfterRequests == 1) h.sim->addFault({SimFault::Delay, 1, std::nullopt, 1, 150});
  QPointer<CMainFrame> frame = h.frame();
  QString note;
  Watch closer([&] {
    if (static_cast<int>(h.sim->requests().size()) < c.closeAfterRequests) return false;
    if (c.signal) {
      std::raise(c.signal);
      QCoreApplication::processEvents();  // the notifier reads the pipe
    } else {
      EXPECT_FALSE(frame->close());
    }
    note = frame->progress()->stepText();
    // A prompt or hover text shown in the status bar does not cover it.
    frame->statusBar()->showMessage(QStringLiteral("Zakończ program"));
    return true;
  });
  h.run(c.command);

  EXPECT_EQ(note, QStringLiteral("The program will close when the transfer ends."));
  const std::vector<SimRequest> requests = h.sim->requests();
  if (c.expectedMessage == 0) {
    // Stopped before the first block: the module is as it was.
    EXPECT_TRUE(h.prompt.numbers().empty());
    EXPECT_EQ(countFunction(requests, 16), 0);
    for (std::size_t r = 0; r < RegisterImage::kSize; ++r)
      ASSERT_EQ(h.sim->image().get(r), moduleBefore.get(r));
    // No box can say so while the window closes; the trace does.
    EXPECT_NE(traced.str().find("Stopped. Written to the module: nothing."), std::string::npos);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isNull(); }));
    return;
  }
  // Readable until the window goes, however far the transfer got since.
  ASSERT_FALSE(frame.isNull());
  EXPECT_TRUE(frame->progress()->isVisible());
  EXPECT_EQ(frame->progress()->stepText(), note);
  const auto* step = frame->progress()->findChild<QLabel*>(QStringLiteral("operationStep"));
  ASSERT_NE(step, nullptr);
  EXPECT_GE(step->width(), step->fontMetrics().horizontalAdvance(note)) << "shown in full";
  EXPECT_EQ(h.prompt.numbers(), std::vector<int>{c.expectedMessage});
  if (c.command == cmd::kWriteParameters) {
    for (int r = 0; r < kMaxOrders; ++r) ASSERT_EQ(h.sim->registerValue(orderRecordStart(r) + 2), 11);
    // Identity read, ports, slave and master block, every order record.
    EXPECT_EQ(countFunction(requests, 16), 2 + kMaxOrders);
    EXPECT_EQ(requests.back().start, orderRecordStart(kMaxOrders - 1));
  } else {
    EXPECT_EQ(countFunction(requests, 3), 2 + kMaxOrders);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isNull(); }));
}

// A close held during an operation asks about unsaved changes once the
// operation is over; Cancel keeps the window, and the next operation does not
// close it. A close without asking (a signal, the session's end) asks nothing.
TEST(HeldClose, AsksAboutUnsavedChangesAfterTheOperationAndCancelKeepsTheWindow) {
  TempSettings settings;
  AppHarness h;
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  // Each compare's first answer comes late, so that it waits in the loop.
  h.sim->addFault({SimFault::Delay, 0, std::nullopt, -1, 150});
  auto* address = qobject_cast<QLineEdit*>(h.app->view()->control(ids::kCom1SlaveAddr));
  QTest::keyClicks(address, QStringLiteral("5"));
  ASSERT_TRUE(h.app->document()->IsModified());
  h.prompt.clear();
  h.sim->clearRequests();

  QPointer<CMainFrame> frame = h.frame();
  Watch closer([&] {
    if (!frame->operation().running()) return false;
    EXPECT_FALSE(frame->close());
    return true;
  });
  h.prompt.answerNext(MsgAnswer::Cancel);
  h.run(cmd::kCompareWithDevice);  // leaves the document modified
  h.idle();
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_TRUE(h.prompt.m_messages[0].saveDiscardCancel);
  ASSERT_FALSE(frame.isNull());
  EXPECT_FALSE(frame->progress()->isVisible());
  h.run(cmd::kCompareWithDevice);
  h.idle();
  ASSERT_FALSE(frame.isNull()) << "the refused close is not carried out later";
  EXPECT_EQ(h.prompt.m_messages.size(), 1u);

  Watch quitter([&] {
    if (!frame->operation().running()) return false;
    frame->closeForSessionEnd();
    return true;
  });
  h.run(cmd::kCompareWithDevice);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isNull(); }));
  EXPECT_EQ(h.prompt.m_messages.size(), 1u);
}

const CloseCase kCloseCases[] = {
    {"Read", cmd::kReadParameters, 40, 57},
    {"Write", cmd::kWriteParameters, 60, 67},
    {"WriteSigterm", cmd::kWriteParameters, 60, 67, SIGTERM},
    {"WriteSighup", cmd::kWriteParameters, 60, 67, SIGHUP},
    {"ReadSigint", cmd::kReadParameters, 40, 57, SIGINT},
    {"WriteClosedDuringTheIdentityRead", cmd::kWriteParameters, 1, 0},
    {"WriteSigtermDuringTheIdentityRead", cmd::kWriteParameters, 1, 0, SIGTERM},
};

INSTANTIATE_TEST_SUITE_P(Transfers, CloseDuringTransfer, ::testing::ValuesIn(kCloseCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A close that reaches the frame while the operation's last box is up, and
// the box's event loop processes the deletions that a close schedules: the
// view that runs the operation must still be there when the box returns.
TEST(OperationGuard, ACloseWhileTheOperationsBoxIsUpWaitsForTheOperation) {
  TempSettings settings;
  AppHarness h;
  h.sim->setOrders(2);
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kSelectDevice);
  QPointer<CMainFrame> frame = h.frame();
  QPointer<CTQ740confView> view = h.app->view();
  h.prompt.whileShown = [&](const RecordedMessage&) {
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(view.isNull());
  };
  h.run(cmd::kReadParameters);
  h.prompt.whileShown = nullptr;

  EXPECT_EQ(h.prompt.numbers(), std::vector<int>{57});
  ASSERT_FALSE(view.isNull());
  EXPECT_TRUE(view->paramsRead());
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isNull(); }));
}

}  // namespace

namespace {
// A trace whose every write fails (a full disk, a reader gone): the
// operation goes on to its end, and the loss is said once, after it.
TEST(OperationGuard, ATraceThatFailsIsSaidOnceAndTheOperationGoesOn) {
  struct FullBuf : std::streambuf {
    int_type overflow(int_type) override { return traits_type::eof(); }
  } full;
  std::ostream failing(&full);
  FrameTrace trace(failing);
  TempSettings settings;
  AppHarness h;
  h.trace = &trace;
  h.sim->setOrders(2);
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kSelectDevice);
  h.run(cmd::kReadParameters);
  h.run(cmd::kReadFirmwareVersion);
  ASSERT_EQ(h.prompt.m_messages.size(), 3u);
  EXPECT_EQ(h.prompt.numbers().front(), 57);
  EXPECT_EQ(h.prompt.m_messages[1].text, "Writing the trace failed; it is incomplete from here on.");
  EXPECT_EQ(h.prompt.m_messages[1].kind, MsgKind::Warning);
  EXPECT_EQ(h.prompt.m_messages[2].text, "Product code: 302010301\nProgram revision: 1.5");
}
}  // namespace
