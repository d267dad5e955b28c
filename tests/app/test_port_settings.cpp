// Connection > "Port settings...": the dialog driven offscreen over a fixed
// device list, the mapping kept in the settings, --port for one run, the
// status bar's port pane and message 2's detail.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include "app/command_ids.h"
#include "app/port_settings_dlg.h"
#include "tests/app/app_harness.h"

namespace {

const SerialPortInfo kFtdi{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0",
                           "FT232R USB UART", "FTDI", "A1"};
const SerialPortInfo kAcm{"/dev/ttyACM0", "", "Pico", "Raspberry Pi", ""};
constexpr const char* kAbsent = "/dev/tq740-absent";

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

class PortSettingsTest : public ::testing::Test {
 protected:
  // The saved value of a port, as the next start reads it.
  static QString saved(int n) {
    QSettings s(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("TQ740conf"));
    return s.value(QStringLiteral("Port Settings/COM%1").arg(n)).toString();
  }
  static void save(int n, const QString& path) {
    QSettings s(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("TQ740conf"));
    s.setValue(QStringLiteral("Port Settings/COM%1").arg(n), path);
  }
  // Runs the command with the dialog driven by steps, which return the button to press.
  void runDialog(const std::function<QDialogButtonBox::StandardButton(CPortSettingsDlg&)>& steps) {
    h.desktop.onDialog = [&](QDialog& d) {
      auto& dlg = dynamic_cast<CPortSettingsDlg&>(d);
      dlg.show();
      dlg.buttonBox()->button(steps(dlg))->click();
      return dlg.result();
    };
    h.run(cmd::kPortSettings);
    h.desktop.onDialog = nullptr;
  }
  static void type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }
  std::string mapped(int n) const { return h.app->view()->portMap().path(n); }

  TempSettings settings;
  AppHarness h;
};

TEST_F(PortSettingsTest, ChosenDeviceIsSavedUnderItsStableNameAndUsedAtTheNextStart) {
  h.discovery.devices = {kAcm, kFtdi};
  ASSERT_TRUE(h.start());
  runDialog([](CPortSettingsDlg& dlg) {
    QComboBox* chooser = dlg.chooser(2);
    // "Other device", then the devices in the discovery's order.
    EXPECT_EQ(chooser->count(), 3);
    EXPECT_EQ(chooser->itemText(2), qs(kFtdi.stableName) + " (ttyUSB0), FT232R USB UART, FTDI, serial A1");
    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);
    QTest::keyClick(chooser, Qt::Key_Down);
    EXPECT_EQ(dlg.pathEdit(2)->text(), qs(kFtdi.stableName));
    EXPECT_EQ(dlg.stateLabel(2)->text(), "present, /dev/ttyUSB0");
    return QDialogButtonBox::Ok;
  });
  EXPECT_EQ(saved(2), qs(kFtdi.stableName));
  EXPECT_EQ(mapped(2), kFtdi.stableName) << "used at once by the next open";
  EXPECT_EQ(mapped(1), h.pty->slavePath());

  h.stop();
  ASSERT_TRUE(h.start());
  EXPECT_EQ(mapped(2), kFtdi.stableName);
  EXPECT_EQ(h.app->portMap().path(2), kFtdi.stableName);
}

TEST_F(PortSettingsTest, PortOptionWinsForTheRunAndIsNeverSaved) {
  save(2, QStringLiteral("/dev/saved"));
  h.portOverrides = {{2, "/dev/from-command-line"}};
  ASSERT_TRUE(h.start());
  EXPECT_EQ(mapped(2), "/dev/from-command-line");
  runDialog([](CPortSettingsDlg& dlg) {
    EXPECT_EQ(dlg.pathEdit(2)->text(), "/dev/from-command-line");
    EXPECT_FALSE(dlg.pathEdit(2)->toolTip().isEmpty()) << "the row says where its path came from";
    type(dlg.pathEdit(3), QStringLiteral("/dev/ttyS7"));
    return QDialogButtonBox::Ok;
  });
  EXPECT_EQ(saved(2), "/dev/saved");
  EXPECT_EQ(saved(3), "/dev/ttyS7");
  EXPECT_EQ(mapped(2), "/dev/from-command-line");
  EXPECT_EQ(mapped(3), "/dev/ttyS7");

  // Changed in the dialog, the row is the user's choice and is kept.
  runDialog([](CPortSettingsDlg& dlg) {
    type(dlg.pathEdit(2), QStringLiteral("/dev/ttyS5"));
    return QDialogButtonBox::Ok;
  });
  EXPECT_EQ(saved(2), "/dev/ttyS5");
  EXPECT_EQ(mapped(2), "/dev/ttyS5");

  h.stop();
  h.portOverrides.clear();
  ASSERT_TRUE(h.start());
  EXPECT_EQ(mapped(2), "/dev/ttyS5");
}

TEST_F(PortSettingsTest, AbsentChosenDeviceIsKeptShownAndFoundAgainAfterRefresh) {
  save(1, qs(kFtdi.stableName));
  h.discovery.devices = {kAcm};
  ASSERT_TRUE(h.start());
  runDialog([this](CPortSettingsDlg& dlg) {
    EXPECT_EQ(dlg.pathEdit(1)->text(), qs(kFtdi.stableName));
    EXPECT_EQ(dlg.chooser(1)->currentText(), qs(kFtdi.stableName) + " (absent now)");
    EXPECT_EQ(dlg.stateLabel(1)->text(), "absent now");
    h.discovery.devices = {kAcm, kFtdi};  // plugged in while the dialog is open
    QTest::mouseClick(dlg.refreshButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.chooser(1)->currentIndex(), 2);
    EXPECT_EQ(dlg.stateLabel(1)->text(), "present, /dev/ttyUSB0");
    EXPECT_EQ(dlg.pathEdit(1)->text(), qs(kFtdi.stableName));
    return QDialogButtonBox::Ok;
  });
  EXPECT_EQ(saved(1), qs(kFtdi.stableName));
  EXPECT_EQ(mapped(1), kFtdi.stableName);
}

TEST_F(PortSettingsTest, CancelChangesNothing) {
  h.discovery.devices = {kFtdi};
  ASSERT_TRUE(h.start());
  const PortMap before = h.app->view()->portMap();
  runDialog([](CPortSettingsDlg& dlg) {
    dlg.chooser(1)->setFocus();
    QTest::keyClick(dlg.chooser(1), Qt::Key_Down);
    EXPECT_EQ(dlg.pathEdit(1)->text(), qs(kFtdi.stableName));
    type(dlg.pathEdit(4), QStringLiteral("/dev/ttyS9"));
    return QDialogButtonBox::Cancel;
  });
  EXPECT_EQ(h.app->view()->portMap(), before);
  QSettings s(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("TQ740conf"));
  EXPECT_FALSE(s.childGroups().contains(QStringLiteral("Port Settings")));
  ASSERT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs[0].title, "Port settings");
}

// Message 2 names the device it tried, and lists the adapters when none is
// a port; a pseudo-terminal typed by hand then opens and the module answers;
// the status bar names the device, and a change to the open port waits for
// its next opening.
TEST_F(PortSettingsTest, TypedPseudoTerminalOpensAndAnswersTheFirmwareQuery) {
  for (int n = 1; n <= 4; ++n) save(n, QString::fromLatin1(kAbsent));
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom3);
  ASSERT_EQ(h.prompt.numbers(), std::vector<int>{2});
  EXPECT_EQ(h.prompt.m_messages[0].detail, "The device /dev/tq740-absent does not exist.");

  h.discovery.devices = {kFtdi};
  h.run(cmd::kCom3);
  ASSERT_EQ(h.prompt.numbers(), (std::vector<int>{2, 2}));
  const std::string& detail = h.prompt.m_messages[1].detail;
  EXPECT_EQ(detail.rfind("The device /dev/tq740-absent does not exist.\n\n", 0), 0u) << detail;
  EXPECT_NE(detail.find("\n  " + kFtdi.stableName + " (ttyUSB0), FT232R USB UART"), std::string::npos)
      << detail;
  EXPECT_NE(detail.find("Connection > \"Port settings...\""), std::string::npos) << detail;
  h.prompt.clear();

  const QString pty = qs(h.pty->slavePath());
  runDialog([&](CPortSettingsDlg& dlg) {
    type(dlg.pathEdit(3), pty);
    EXPECT_EQ(dlg.stateLabel(3)->text(), "present");
    EXPECT_EQ(dlg.chooser(3)->currentIndex(), 0);
    return QDialogButtonBox::Ok;
  });
  EXPECT_FALSE(h.frame()->portPane()->isVisibleTo(h.frame()));
  h.run(cmd::kCom3);
  ASSERT_TRUE(h.app->view()->isPortOpen()) << (h.prompt.texts().empty() ? "" : h.prompt.m_messages[0].detail);
  h.run(cmd::kReadFirmwareVersion);
  EXPECT_EQ(h.prompt.texts(), std::vector<std::string>{"Product code: 302010301\nProgram revision: 1.5"});
  EXPECT_EQ(h.frame()->portPane()->text(), "COM 3: " + pty);
  EXPECT_TRUE(h.frame()->portPane()->isVisibleTo(h.frame()));

  runDialog([](CPortSettingsDlg& dlg) {
    EXPECT_TRUE(dlg.noteLabel()->text().startsWith("COM 3 is open")) << dlg.noteLabel()->text().toStdString();
    type(dlg.pathEdit(3), QString::fromLatin1(kAbsent));
    return QDialogButtonBox::Ok;
  });
  h.run(cmd::kReadFirmwareVersion);
  EXPECT_EQ(h.prompt.numbers(), (std::vector<int>{0, 0})) << "the open port keeps its device";
  EXPECT_EQ(h.frame()->portPane()->text(), "COM 3: " + pty);
  h.run(cmd::kDisconnect);
  EXPECT_FALSE(h.frame()->portPane()->isVisibleTo(h.frame()));
  h.run(cmd::kCom3);
  EXPECT_EQ(h.prompt.numbers(), (std::vector<int>{0, 0, 2}));
}

}  // namespace

namespace {
// A settings file that cannot be written (here a folder has its name, which
// stops root as well as anyone): the choice holds for the run, and the user
// is told that it will be gone at the next start, and why.
TEST_F(PortSettingsTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheChoiceKeptForTheRun) {
  ASSERT_TRUE(h.start());
  const QString file =
      QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("TQ740conf"))
          .fileName();
  QFile::remove(file);
  ASSERT_TRUE(QDir().mkpath(file));
  h.prompt.clear();
  runDialog([](CPortSettingsDlg& dlg) {
    type(dlg.pathEdit(3), QStringLiteral("/dev/ttyS7"));
    return QDialogButtonBox::Ok;
  });
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(h.prompt.m_messages[0].text, "The port settings could not be saved to " + file.toStdString() +
                                             " (a folder has its name). They apply until the program ends.");
  EXPECT_EQ(mapped(3), "/dev/ttyS7");
}
}  // namespace
