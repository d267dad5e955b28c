// The document commands and the application's life: captions, Save that
// never empties a file holding data, the recent-file list across a restart,
// the start directory and the port released when the window closes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include "app/command_ids.h"
#include "app/ctq740conf_doc.h"
#include "link/posix_serial_device.h"
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

TEST_F(DocumentTest, CaptionAfterStartSaveNewAndOpenByTheirKeys) {
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.caption(), "Kestra - TQ740conf");
  ASSERT_TRUE(h.activate());

  // Save of a document without a path: the Save As dialog, a 0-byte file,
  // the file's name in the caption.
  const QString saved = files.filePath("saved conf.cfg");
  h.desktop.answers = {saved};
  QTest::keyClick(h.frame(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs[0].kind, "save");
  EXPECT_EQ(h.desktop.dialogs[0].title, "Save As");
  EXPECT_EQ(h.desktop.dialogs[0].initialName, "Kestra");
  EXPECT_EQ(h.desktop.dialogs[0].filter, "All Files (*.*)");
  ASSERT_TRUE(QFile::exists(saved));
  EXPECT_EQ(QFileInfo(saved).size(), 0);
  EXPECT_EQ(h.caption(), "saved conf.cfg - TQ740conf");
  EXPECT_EQ(h.app->recentFiles().value(0), saved);

  // A second Save goes to the same (empty) file without a dialog.
  QTest::keyClick(h.frame(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(h.desktop.dialogs.size(), 1u);

  QTest::keyClick(h.frame(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(h.caption(), "Kestra - TQ740conf");
  EXPECT_TRUE(h.app->document()->GetPathName().isEmpty());

  const QString opened = file("module.cfg", "anything");
  h.desktop.answers = {opened};
  QTest::keyClick(h.frame(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(h.desktop.dialogs.size(), 2u);
  EXPECT_EQ(h.desktop.dialogs[1].kind, "open");
  EXPECT_EQ(h.desktop.dialogs[1].title, "Open");
  EXPECT_EQ(h.desktop.dialogs[1].filter, "All Files (*.*)");
  EXPECT_EQ(h.caption(), "Kestra - TQ740conf");
  EXPECT_EQ(h.app->document()->GetPathName(), opened);
  EXPECT_EQ(h.app->recentFiles(), (QStringList{opened, saved}));
  EXPECT_TRUE(h.prompt.m_messages.empty());
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

TEST_F(DocumentTest, SaveNeverEmptiesAFileThatHoldsData) {
  const QString precious = file("precious.cfg", "module data\n");
  ASSERT_TRUE(h.start(precious));  // opened from the command line
  EXPECT_EQ(h.caption(), "Kestra - TQ740conf");
  EXPECT_EQ(h.app->document()->GetPathName(), precious);

  // Save goes through Save As; choosing the same file is refused.
  h.desktop.answers = {precious};
  h.run(cmd::kFileSave);
  ASSERT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs[0].title, "Save As");
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.prompt.m_messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(contentOf(precious), "module data\n");

  // Cancel: nothing happens.
  h.run(cmd::kFileSave);
  EXPECT_EQ(h.desktop.dialogs.size(), 2u);
  EXPECT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(contentOf(precious), "module data\n");

  // Another (new) file is created empty and becomes the document's file.
  const QString fresh = files.filePath("fresh.cfg");
  h.desktop.answers = {fresh};
  h.run(cmd::kFileSave);
  EXPECT_TRUE(QFile::exists(fresh));
  EXPECT_EQ(QFileInfo(fresh).size(), 0);
  EXPECT_EQ(h.caption(), "fresh.cfg - TQ740conf");
  EXPECT_EQ(contentOf(precious), "module data\n");
}

TEST_F(DocumentTest, SaveAsProposesTheTitleCutAtTheFirstStopCharacter) {
  EXPECT_EQ(CTQ740confDoc::proposedFileName("Kestra"), "Kestra");
  EXPECT_EQ(CTQ740confDoc::proposedFileName("my conf.cfg"), "my");
  EXPECT_EQ(CTQ740confDoc::proposedFileName("a#b"), "a");
  EXPECT_EQ(CTQ740confDoc::proposedFileName("x%y;z"), "x");
  EXPECT_EQ(CTQ740confDoc::proposedFileName("dir/file"), "dir");
  EXPECT_EQ(CTQ740confDoc::proposedFileName("dir\\file"), "dir");
}

TEST_F(DocumentTest, StartWithAnUnreadableFileFails) {
  EXPECT_FALSE(h.start(files.filePath("nothing-here.cfg")));
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
