// The modified flag and the question before unsaved changes are lost; the
// caption naming the opened file; Save As with ".json"; a read that detaches
// the document from its file; a close without asking.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/command_ids.h"
#include "app/ctq740conf_doc.h"
#include "form/corder_list_ctrl.h"
#include "model/control_ids.h"
#include "model/register_map.h"
#include "tests/app/app_harness.h"

namespace {

class UnsavedChangesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files.isValid()); }
  static QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(h.app->view()->control(id)); }
  // The form as read from the module, then one field typed as the user does.
  void readThenEdit() {
    h.run(cmd::kCom1);
    h.run(cmd::kAutoSelect);
    ASSERT_EQ(h.prompt.numbers(), std::vector<int>{57});
    ASSERT_FALSE(h.app->document()->IsModified());
    QLineEdit* address = edit(ids::kCom1SlaveAddr);
    address->selectAll();
    QTest::keyClicks(address, QStringLiteral("42"));
    ASSERT_TRUE(h.app->document()->IsModified());
    h.prompt.clear();
    h.sim->clearRequests();
  }
  std::vector<std::string> questions() const {
    std::vector<std::string> out;
    for (const RecordedMessage& m : h.prompt.m_messages)
      if (m.saveDiscardCancel) out.push_back(m.text);
    return out;
  }
  TempSettings settings;
  QTemporaryDir files;
  AppHarness h;
};

// Each command that would replace the form or end the program asks first.
// Cancel stops it with the edit kept and nothing sent; Discard lets it go on.
TEST_F(UnsavedChangesTest, EveryCommandThatLosesEditsAsksAndCancelOrDiscardDoWhatTheySay) {
  struct Case {
    const char* name;
    int command;
    bool sends;  // goes on to talk to the module
  };
  const std::vector<Case> cases = {
      {"Exit", cmd::kAppExit, false},   {"New", cmd::kFileNew, false},
      {"Open", cmd::kFileOpen, false},  {"Read", cmd::kReadParameters, true},
      {"Auto", cmd::kAutoSelect, true}, {"Select device", cmd::kSelectDevice, false},
  };
  const QString empty = files.filePath("old.cfg");  // opens as an empty document
  QFile(empty).open(QIODevice::WriteOnly);
  for (const Case& c : cases) {
    for (MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::Discard}) {
      const bool cancel = answer == MsgAnswer::Cancel;
      SCOPED_TRACE(std::string(c.name) + (cancel ? " / Cancel" : " / Discard"));
      ASSERT_TRUE(h.start());
      readThenEdit();
      EXPECT_EQ(h.caption(), "Kestra* - TQ740conf");
      h.desktop.dialogs.clear();
      h.desktop.answers = {empty};
      h.prompt.answerNext(answer);
      h.run(c.command);
      h.idle();
      EXPECT_EQ(questions(), std::vector<std::string>{"Save changes to Kestra?"});
      EXPECT_EQ(h.desktop.dialogs.size(), !cancel && c.command == cmd::kFileOpen ? 1u : 0u);
      if (cancel) {
        ASSERT_NE(h.frame(), nullptr) << "the window stays";
        EXPECT_TRUE(h.sim->requests().empty());
        EXPECT_EQ(h.app->view()->selectedDevice(), 0);
        EXPECT_EQ(edit(ids::kCom1SlaveAddr)->text(), "42");
        EXPECT_TRUE(h.app->document()->IsModified());
      } else if (c.command == cmd::kAppExit) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return h.frame() == nullptr; })) << "the window closed";
      } else {
        EXPECT_EQ(!h.sim->requests().empty(), c.sends);
        EXPECT_FALSE(h.app->document()->IsModified());
        EXPECT_EQ(h.caption().endsWith("* - TQ740conf"), false);
      }
      h.stop();
      h.prompt = RecordingPrompt();
      h.desktop = RecordingDesktop();
    }
  }
}

// Save saves and goes on; a Save that is cancelled stops the command.
TEST_F(UnsavedChangesTest, SaveAnswerSavesFirstAndStopsWhenTheSaveIsCancelled) {
  ASSERT_TRUE(h.start());
  readThenEdit();
  h.prompt.answerNext(MsgAnswer::Save);  // and the Save As dialog is cancelled
  h.run(cmd::kReadParameters);
  EXPECT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_TRUE(h.sim->requests().empty());
  EXPECT_EQ(edit(ids::kCom1SlaveAddr)->text(), "42");

  const QString path = files.filePath("plant");
  h.desktop.answers = {path};
  h.prompt.answerNext(MsgAnswer::Save);
  h.run(cmd::kReadParameters);
  ASSERT_TRUE(QFile::exists(path + ".json"));
  EXPECT_TRUE(contentOf(path + ".json").contains("\"slave_address\": 42"));
  EXPECT_FALSE(h.sim->requests().empty()) << "the read went on";
  EXPECT_EQ(h.prompt.numbers().back(), 57);
  EXPECT_FALSE(h.app->document()->IsModified());
}

// Without edits nothing asks; the program's own changes never mark the
// document; a close from a signal or the session's end never asks.
TEST_F(UnsavedChangesTest, NothingAsksWhenUnmodifiedOrWhenClosingWithoutAsking) {
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  for (int id : {cmd::kAutoSelect, cmd::kReadParameters, cmd::kSelectDevice, cmd::kFileNew}) h.run(id);
  edit(ids::kCom1SlaveAddr)->setText("42");  // not the user
  h.run(cmd::kSelectDevice);
  EXPECT_TRUE(questions().empty());
  EXPECT_FALSE(h.app->document()->IsModified());

  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  QTest::keyClicks(edit(ids::kMasterPoolTime), QStringLiteral("5"));
  ASSERT_TRUE(h.app->document()->IsModified());
  h.frame()->closeForSessionEnd();
  EXPECT_TRUE(QTest::qWaitFor([&] { return h.frame() == nullptr; }));
  EXPECT_TRUE(questions().empty());
}

// An edit of the order list marks the document; an Add that the editor
// refuses changes nothing and marks nothing.
TEST_F(UnsavedChangesTest, OrderListChangesMarkTheDocument) {
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  h.prompt.clear();
  auto* add = qobject_cast<QPushButton*>(h.app->view()->control(ids::kAddButton));
  add->click();  // empty editor fields: refused with message 49
  EXPECT_EQ(h.prompt.numbers(), std::vector<int>{49});
  EXPECT_FALSE(h.app->document()->IsModified());
  h.clickOrderRow(1);
  h.prompt.answerNext(MsgAnswer::Yes);  // message 52: delete the order?
  qobject_cast<QPushButton*>(h.app->view()->control(ids::kDeleteButton))->click();
  EXPECT_EQ(h.app->view()->orderList()->rowCount(), 2);
  EXPECT_TRUE(h.app->document()->IsModified());
}

// After Open the caption names the file. A read detaches the document from
// it, so Save asks for a name and the opened backup stays as it was.
TEST_F(UnsavedChangesTest, OpenShowsTheFileAndAutoThenSaveLeavesItUntouched) {
  h.sim->setOrders(5);
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  const QString backup = files.filePath("plant-a.json");
  h.desktop.answers = {backup};
  h.run(cmd::kFileSave);
  const QByteArray before = contentOf(backup);

  h.sim->setOrders(2);
  h.desktop.answers = {backup};
  h.run(cmd::kFileOpen);
  EXPECT_EQ(h.caption(), "plant-a.json - TQ740conf");
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  EXPECT_EQ(h.caption(), "Kestra - TQ740conf");
  EXPECT_TRUE(h.app->document()->GetPathName().isEmpty());
  h.desktop.dialogs.clear();
  h.run(cmd::kFileSave);  // the dialog is cancelled
  ASSERT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs[0].kind, "save");
  EXPECT_EQ(contentOf(backup), before);
}

// Save As always asks, proposes the product and the date, and adds ".json":
// the file is one that Open's default filter lists.
TEST_F(UnsavedChangesTest, SaveAsAddsJsonAndOpensFilterListsIt) {
  ASSERT_TRUE(h.start());
  h.run(cmd::kCom1);
  h.run(cmd::kAutoSelect);
  h.desktop.answers = {files.filePath("x")};
  h.run(cmd::kSaveConfigurationAs);
  ASSERT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs[0].initialName,
            "TQ-740-0 " + QDate::currentDate().toString(Qt::ISODate) + ".json");
  EXPECT_EQ(h.caption(), "x.json - TQ740conf");
  EXPECT_EQ(QDir(files.path()).entryList({QStringLiteral("*.json")}, QDir::Files), QStringList{"x.json"});

  // With a path, Save As still asks, and proposes the file's own name; a
  // name that already ends in ".json" is kept.
  h.desktop.answers = {files.filePath("y.json")};
  h.run(cmd::kSaveConfigurationAs);
  ASSERT_EQ(h.desktop.dialogs.size(), 2u);
  EXPECT_EQ(h.desktop.dialogs[1].initialName, "x.json");
  EXPECT_TRUE(QFile::exists(files.filePath("y.json")));
  EXPECT_FALSE(QFile::exists(files.filePath("y.json.json")));

  // "x" again: x.json exists, and the dialog asked only about "x".
  h.desktop.answers = {files.filePath("x")};
  h.prompt.clear();
  h.prompt.answerNext(MsgAnswer::No);
  h.run(cmd::kSaveConfigurationAs);
  ASSERT_EQ(h.prompt.texts(), std::vector<std::string>{"x.json already exists.\nDo you want to replace it?"});
  EXPECT_EQ(h.caption(), "y.json - TQ740conf");
}

}  // namespace
