// The document commands and the application's life: Save and Open of the
// configuration, bad files, captions, the recent-file list across a restart,
// the start directory and the port released when the window closes.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/command_ids.h"
#include "app/ctq740conf_doc.h"
#include "app/native_path.h"
#include "link/posix_serial_device.h"
#include "model/configuration.h"
#include "model/configuration_json.h"
#include "model/control_ids.h"
#include "model/register_map.h"
#include "ops/config_form.h"
#include "tests/app/app_harness.h"

namespace {

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files.isValid()); }
  QString file(const QString& name, const QByteArray& content = {}) {
    const QString path = files.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
  }
  static QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  TempSettings settings;
  QTemporaryDir files;
  AppHarness h;
};

// Save writes the configuration that the form shows; Open in a fresh window
// fills the form as a read does, compared by saving again.
TEST_F(DocumentTest, SaveThenOpenInAFreshWindowGivesTheSameForm) {
  h.sim->setOrders(150);
  h.sim->setRegister(reg::kCom2Baud, 7);
  h.sim->setRegister(50 + 4, 7);  // a memory selection no list names, kept as its number
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.caption(), "Kestra - TQ740conf");
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  ASSERT_EQ(h.prompt.numbers(), std::vector<int>{57});
  ASSERT_TRUE(h.activate());

  // Ctrl+S without a path: the Save As dialog, then the file.
  const QString saved = files.filePath("saved conf.json");
  h.desktop.answers = {saved};
  QTest::keyClick(h.frame(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs[0].kind, "save");
  EXPECT_EQ(h.desktop.dialogs[0].title, "Save As");
  EXPECT_EQ(h.desktop.dialogs[0].initialName,
            "TQ-740-0 " + QDate::currentDate().toString(Qt::ISODate) + ".json");
  EXPECT_EQ(h.desktop.dialogs[0].filter, "Configuration (*.json);;All Files (*.*)");
  EXPECT_EQ(h.caption(), "saved conf.json - TQ740conf");
  EXPECT_EQ(h.app->recentFiles().value(0), saved);
  const QByteArray first = contentOf(saved);
  ASSERT_TRUE(first.startsWith("{\n")) << first.left(80).toStdString();
  EXPECT_TRUE(first.contains("\"baudrate\": \"115200\""));
  EXPECT_TRUE(first.contains("\"memory_selection\": 7 }"));
  h.stop();

  ASSERT_TRUE(h.start());
  ASSERT_TRUE(h.activate());
  h.prompt.clear();
  h.desktop.answers = {saved};
  QTest::keyClick(h.frame(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(h.desktop.dialogs.size(), 2u);
  EXPECT_EQ(h.desktop.dialogs[1].title, "Open");
  EXPECT_EQ(h.desktop.dialogs[1].filter, "Configuration (*.json);;All Files (*.*)");
  EXPECT_EQ(h.caption(), "saved conf.json - TQ740conf");
  EXPECT_EQ(h.app->document()->GetPathName(), saved);
  EXPECT_EQ(h.app->view()->selectedDevice(), 0);
  EXPECT_TRUE(h.app->view()->paramsRead());
  // The orders that the editor would refuse are named in one warning box.
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Warning);
  EXPECT_NE(h.prompt.m_messages[0].text.find("master.orders[0].memory_selection: 7"), std::string::npos);

  // Save goes to the opened file without a dialog, and writes what it read.
  QTest::keyClick(h.frame(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(h.desktop.dialogs.size(), 2u);
  EXPECT_EQ(contentOf(saved), first);

  // With a port open, Write sends the loaded configuration after reading
  // the identity.
  h.sim->setOrders(0);
  h.sim->setRegister(reg::kCom2Baud, 0);
  h.run(cmd::kCom2);
  h.sim->clearRequests();
  h.prompt.clear();
  h.run(cmd::kWriteParameters);
  EXPECT_EQ(h.prompt.numbers(), std::vector<int>{67});
  EXPECT_EQ(h.sim->requests().front().function, 3);
  EXPECT_EQ(h.sim->registerValue(reg::kMasterOrderCount), 150);
  EXPECT_EQ(h.sim->registerValue(reg::kCom2Baud), 7);
}

TEST_F(DocumentTest, SaveWithoutAValidFormWritesNothing) {
  ASSERT_TRUE(h.start());
  const QString path = files.filePath("never.json");
  h.desktop.answers = {path};
  h.run(cmd::kSaveConfiguration);  // no device selected: no form
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Warning);
  EXPECT_NE(h.prompt.m_messages[0].text.find("Nothing was saved"), std::string::npos);

  h.run(cmd::kSelectDevice);  // an empty form fails the Write check
  h.run(cmd::kFileSave);
  ASSERT_EQ(h.prompt.m_messages.size(), 2u);
  EXPECT_EQ(h.prompt.m_messages[1].kind, MsgKind::Error);
  EXPECT_EQ(h.prompt.numbers()[1], 0) << "no message number";
  EXPECT_TRUE(h.app->view()->control(ids::kIndCom1Baud)->isVisible());
  EXPECT_TRUE(h.desktop.dialogs.empty());
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(h.app->document()->GetPathName().isEmpty());
}

// A file of 0 bytes, as earlier versions saved, opens as an empty document.
TEST_F(DocumentTest, EmptyFileOpensAsAnEmptyDocument) {
  ASSERT_TRUE(h.start());
  const QString empty = file("old.cfg");
  h.desktop.answers = {empty};
  h.run(cmd::kOpenConfiguration);
  EXPECT_TRUE(h.prompt.m_messages.empty());
  EXPECT_EQ(h.caption(), "old.cfg - TQ740conf");
  EXPECT_EQ(h.app->document()->GetPathName(), empty);
  EXPECT_EQ(h.app->recentFiles(), QStringList{empty});
  EXPECT_EQ(h.app->view()->selectedDevice(), -1);
  EXPECT_FALSE(h.app->view()->paramsRead());
}

TEST_F(DocumentTest, BadFilesAreRefusedWithOneBoxAndChangeNothing) {
  QByteArray orders;
  for (int i = 0; i < 151; ++i) orders += QByteArray(i ? "," : "") + "{}";
  struct Bad {
    const char* name;
    QByteArray content;
    const char* line;  // the box holds this
  };
  const std::vector<Bad> cases = {
      {"not JSON", "{ \"com1\": ", "not valid JSON"},
      {"a number", "17", "expected an object"},
      {"wrong type", "{\"com1\": [], \"com2\": {}, \"com3\": {}, \"com4\": {}, \"master\": {}}",
       "com1: expected an object, got an array"},
      {"151 orders", "{\"master\": {\"orders\": [" + orders + "]}}",
       "master.orders: 151 orders, at most 150"},
      {"unknown text", "{\"com4\": {\"baudrate\": \"9601\", \"parity\": \"8N1\"}}",
       "com4.baudrate: \"9601\" is not one of"},
      {"a directory", {}, "is a directory"},
      {"just over the size limit", QByteArray(1024 * 1024 + 1, ' '), "is larger than 1024 KiB"},
  };
  ASSERT_TRUE(h.start());
  const QString good = file("good.cfg");
  ASSERT_TRUE(h.app->OpenDocumentFile(good));
  h.run(cmd::kSelectDevice);
  qobject_cast<QLineEdit*>(h.app->view()->control(ids::kCom1SlaveAddr))->setText("42");
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    h.prompt.clear();
    const QString bad = c.content.isEmpty() ? files.path() : file("bad.json", c.content);
    h.desktop.answers = {bad};
    h.run(cmd::kFileOpen);
    ASSERT_EQ(h.prompt.m_messages.size(), 1u);
    const RecordedMessage& box = h.prompt.m_messages[0];
    EXPECT_EQ(box.kind, MsgKind::Error);
    EXPECT_EQ(box.text.rfind("Cannot open the configuration file " + bad.toStdString(), 0), 0u);
    EXPECT_NE(box.text.find(c.line), std::string::npos) << box.text;
    EXPECT_EQ(h.prompt.numbers()[0], 0) << "no message number";
    EXPECT_EQ(h.app->document()->GetPathName(), good);
    EXPECT_EQ(h.app->recentFiles(), QStringList{good});
    EXPECT_EQ(h.caption(), "good.cfg - TQ740conf");
    EXPECT_EQ(qobject_cast<QLineEdit*>(h.app->view()->control(ids::kCom1SlaveAddr))->text(), "42");
  }
  // Many problems: the first ten lines, then how many more.
  h.prompt.clear();
  h.desktop.answers = {
      file("empty-groups.json", "{\"com1\": {}, \"com2\": {}, \"com3\": {}, \"com4\": {}, \"master\": {}}")};
  h.run(cmd::kFileOpen);
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_NE(h.prompt.m_messages[0].text.find("\n... and "), std::string::npos) << h.prompt.m_messages[0].text;
}

TEST_F(DocumentTest, OpenOfAnUnreadableFileReportsItAndChangesNothing) {
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  const QString missing = files.filePath("gone.cfg");
  h.desktop.answers = {missing};
  h.run(cmd::kFileOpen);
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Error);
  EXPECT_NE(h.prompt.m_messages[0].text.find("gone.cfg"), std::string::npos);
  EXPECT_TRUE(h.app->document()->GetPathName().isEmpty());
  EXPECT_TRUE(h.app->recentFiles().isEmpty());
  EXPECT_TRUE(h.app->view()->isPortOpen()) << "no initial update ran";

  // Cancel in the dialog does nothing at all.
  h.run(cmd::kFileOpen);
  EXPECT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_TRUE(h.app->view()->isPortOpen());
}

TEST_F(DocumentTest, OpenRunsTheInitialUpdateWhichClosesAnOpenPort) {
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kSelectDevice);
  h.desktop.answers = {file("a.cfg")};
  h.run(cmd::kFileOpen);
  EXPECT_FALSE(h.app->view()->isPortOpen());
  EXPECT_EQ(h.app->view()->selectedDevice(), -1);
  EXPECT_TRUE(h.frame()->action(cmd::kDisconnect)->isChecked());
}

// Open's default filter "*.json" matches exactly that suffix.
TEST_F(DocumentTest, SavedNamesEndInJson) {
  EXPECT_EQ(CTQ740confDoc::withJsonSuffix("/d/x"), "/d/x.json");
  EXPECT_EQ(CTQ740confDoc::withJsonSuffix("/d/x.json"), "/d/x.json");
  EXPECT_EQ(CTQ740confDoc::withJsonSuffix("/d/x.cfg"), "/d/x.cfg.json");
  EXPECT_EQ(CTQ740confDoc::withJsonSuffix("/d/x.JSON"), "/d/x.JSON.json");
}

// The file named on the command line opens once the window shows: its box
// belongs to the window.
TEST_F(DocumentTest, StartWithAnUnreadableFileFails) {
  bool windowShown = false;
  h.prompt.whileShown = [&](const RecordedMessage&) {
    const CMainFrame* frame = CTQ740confApp::instance()->mainFrame();
    windowShown = frame && frame->isVisible();
  };
  EXPECT_FALSE(h.start(files.filePath("nothing-here.cfg")));
  EXPECT_TRUE(windowShown);
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Error);
  EXPECT_EQ(h.app->mainFrame(), nullptr);
}

TEST_F(DocumentTest, RecentFileListOfFourSurvivesARestart) {
  ASSERT_TRUE(h.start());
  QStringList paths;
  for (const char* name : {"1.cfg", "2.cfg", "3.cfg", "4.cfg", "5.cfg"}) paths << file(name);
  for (const QString& p : paths) ASSERT_TRUE(h.app->OpenDocumentFile(p));
  ASSERT_TRUE(h.app->OpenDocumentFile(paths[2]));  // opening again moves it to the top
  const QStringList expected{paths[2], paths[4], paths[3], paths[1]};
  EXPECT_EQ(h.app->recentFiles(), expected);
  h.stop();

  QSettings stored(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("TQ740conf"));
  EXPECT_TRUE(stored.fileName().startsWith(settings.path())) << stored.fileName().toStdString();
  for (int i = 1; i <= 4; ++i)
    EXPECT_EQ(stored.value(QStringLiteral("Recent File List/File%1").arg(i)).toString(), expected[i - 1]);

  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.app->recentFiles(), expected);
}

TEST_F(DocumentTest, StartDirectoryIsTheCurrentDirectoryAfterStart) {
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.app->startDir(), QDir::currentPath());
  EXPECT_EQ(CTQ740confApp::instance(), h.app.get());
}

TEST_F(DocumentTest, ClosingTheWindowReleasesAnOpenPort) {
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  ASSERT_TRUE(h.app->view()->isPortOpen());
  PosixSerialDevice second;
  EXPECT_FALSE(second.open(h.pty->slavePath())) << "the open port is held exclusively";

  h.run(cmd::kAppExit);  // closes the main window
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(h.app->mainFrame(), nullptr);
  EXPECT_TRUE(second.open(h.pty->slavePath())) << second.lastErrorText();
}

}  // namespace

namespace {
// A file name that is not UTF-8 (Latin-1 "é", a lone 0xFF) opens, from the
// command line as from anywhere, and Save writes back to that same file.
TEST_F(DocumentTest, AFileNameThatIsNotUtf8OpensAndSavesInPlace) {
  const std::string name = files.path().toStdString() + "/caf\xE9-\xFF.json";
  const QString path = pathFromNative(name);
  EXPECT_EQ(nativeFromPath(path), name);
  EXPECT_EQ(nativeFromPath(pathFromNative("ok \xC3\xA9 \xF0\x9F\x98\x80")), "ok \xC3\xA9 \xF0\x9F\x98\x80");
  {
    std::ofstream out(name);
    out << config_json::write(Configuration::fromImage(SimModule().image(), 2));
  }
  ASSERT_TRUE(h.start(path)) << ::testing::PrintToString(h.prompt.texts());
  EXPECT_TRUE(h.prompt.m_messages.empty());
  EXPECT_EQ(h.app->view()->configForm().orderCount(), 2);
  h.run(cmd::kSaveConfiguration);
  EXPECT_TRUE(h.prompt.m_messages.empty()) << ::testing::PrintToString(h.prompt.texts());
  EXPECT_EQ(std::filesystem::directory_iterator(files.path().toStdString())->path().string(), name);
  std::filesystem::remove(name);  // QTemporaryDir cannot name it
}
}  // namespace
