// The main frame: menu, toolbar, accelerators and status panes against the
// resource tables; the update rules against real view states reached over a
// pseudo-terminal; routing; the firmware query against the simulated module.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <map>
#include <set>

#include "app/command_ids.h"
#include "app/ctq740conf_doc.h"
#include "tests/app/app_harness.h"

namespace {

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.start()); }
  TempSettings settings;
  AppHarness h;
};

// Walks a menu into lines "Menu/Sub|text|id" ("-" for a separator).
void walkMenu(QMenu* menu, const QString& path, QStringList& out) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) {
      out << path + QStringLiteral("|-");
    } else if (a->menu()) {
      out << path + QStringLiteral("|") + a->text() + QStringLiteral("|submenu");
      walkMenu(a->menu(), path + QStringLiteral("/") + a->text(), out);
    } else {
      out << path + QStringLiteral("|") + a->text() + QStringLiteral("|") + a->data().toString();
    }
  }
}

TEST_F(FrameTest, MenuToolbarAcceleratorsAndPanesMatchTheResource) {
  // Menu 128.
  QStringList menu;
  for (QAction* top : h.frame()->menuBar()->actions()) walkMenu(top->menu(), top->text(), menu);
  const QStringList expectedMenu = {
      "&File|&Open configuration|32771",
      "&File|&Save configuration|32772",
      "&File|Save configuration &as...|32803",
      "&File|-",
      "&File|&Exit|57665",
      "&Device|&Select device|submenu",
      "&Device/&Select device|&Auto|32783",
      "&Device/&Select device|-",
      "&Device/&Select device|TQ-740-0|32784",
      "&Device|-",
      "&Device|&Read parameters from device|32773",
      "&Device|&Write parameters to device|32774",
      "&Device|&Compare with device|32801",
      "&Device|Show c&hanges before writing|32802",
      "&Device|-",
      "&Device|&Start device|32775",
      "&Device|-",
      "&Device|Master &timing...|32810",
      "Firm&ware|&Read firmware version|32776",
      "Firm&ware|&Change firmware|32777",
      "&Connection|&Disconnect|32778",
      "&Connection|-",
      "&Connection|COM &1|32779",
      "&Connection|COM &2|32780",
      "&Connection|COM &3|32781",
      "&Connection|COM &4|32782",
      "&Connection|-",
      "&Connection|Port &settings...|32800",
      "&View|&Toolbar|59392",
      "&View|&Status Bar|59393",
      "&Help|&Documentation|32785",
      "&Help|&About TQ740conf...|57664",
  };
  EXPECT_EQ(menu, expectedMenu);

  // Toolbar 128: buttons, separators and tooltips; 16 x 16 images.
  QStringList toolbar;
  for (QAction* a : h.frame()->toolBar()->actions()) {
    if (a->isSeparator()) {
      toolbar << QStringLiteral("-");
      continue;
    }
    auto* button = qobject_cast<QToolButton*>(h.frame()->toolBar()->widgetForAction(a));
    ASSERT_NE(button, nullptr);
    toolbar << a->data().toString() + QStringLiteral("|") + button->toolTip();
    EXPECT_FALSE(a->icon().pixmap(16, 16).isNull()) << a->data().toInt();
  }
  const QStringList expectedToolbar = {
      "57603|Save configuration",
      "57601|Open configuration",
      "-",
      "32783|AutoDetect",
      "32773|Read parameters from device",
      "32774|Write parameters to device",
      "-",
      "32779|COM 1",
      "32780|COM 2",
      "32781|COM 3",
      "32782|COM 4",
      "32778|Disconnect",
      "-",
      "32785|Documentation",
      "57664|About",
  };
  EXPECT_EQ(toolbar, expectedToolbar);
  EXPECT_EQ(h.frame()->toolBar()->iconSize(), QSize(16, 16));

  // Status prompts (the text before "\n" of each command's string).
  const std::map<int, QString> prompts = {
      {32771, "Załaduj z pliku domyślną konfigurację modułu"},
      {32772, "Zapisz do pliku domyślną konfigurację modułu"},
      {57665, "Zakończ program"},
      {32783, "Automatycznie odczytaj typ modułu"},
      {32784, "3xModBus RTU Slave - 1x ModBus RTU Master"},
      {32773, "Pobierz ustawienia z modułu"},
      {32774, "Wyślij ustawienia do modułu"},
      {32775, "Rozpocznij normalną pracę modułu"},
      {32776, "Czytaj rodzaj i wersję oprogramowania modułu"},
      {32777, "Uruchom loader"},
      {32778, "Rozłącz się"},
      {32779, "Inicjuj połączenie na COM 1"},
      {32780, "Inicjuj połączenie na COM 2"},
      {32781, "Inicjuj połączenie na COM 3"},
      {32782, "Inicjuj połączenie na COM 4"},
      {32800, "Przypisz urządzenia szeregowe do portów COM 1 - COM 4"},
      {59392, "ToolBar on/off"},
      {59393, "StatusBar on/off"},
      {32785, "Dokumentacja"},
      {57664, "O programie"},
      {57603, "Zapisz do pliku domyślną konfigurację modułu"},
      {57601, "Załaduj z pliku domyślną konfigurację modułu"},
      {57600, "Create a new document"},
  };
  for (const auto& [id, text] : prompts) {
    ASSERT_NE(h.frame()->action(id), nullptr) << id;
    EXPECT_EQ(h.frame()->action(id)->statusTip(), text) << id;
  }

  // Accelerator table 128: 13 entries.
  std::multiset<std::pair<QString, int>> keys;
  for (QAction* a : h.frame()->actions())
    for (const QKeySequence& k : a->shortcuts()) keys.insert({k.toString(), a->data().toInt()});
  const std::multiset<std::pair<QString, int>> expectedKeys = {
      {"Ctrl+N", 57600},    {"Ctrl+O", 57601},   {"Ctrl+S", 57603},    {"Ctrl+Z", 57643},
      {"Ctrl+X", 57635},    {"Ctrl+C", 57634},   {"Ctrl+V", 57637},    {"Alt+Backspace", 57643},
      {"Shift+Del", 57635}, {"Ctrl+Ins", 57634}, {"Shift+Ins", 57637}, {"F6", 57680},
      {"Shift+F6", 57681},
  };
  EXPECT_EQ(keys, expectedKeys);

  // Status bar panes, left to right.
  QStringList panes;
  for (QLabel* l : h.frame()->statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
    panes << l->objectName();
  // The four panes, and the port pane, hidden while no port is open.
  EXPECT_EQ(panes, (QStringList{"pane0", "pane59137", "pane59138", "pane59139", "portPane"}));
  EXPECT_FALSE(h.frame()->portPane()->isVisibleTo(h.frame()));
  EXPECT_EQ(h.frame()->messagePaneText(), "Ready");
}

// One row: the commands run from start, then the commands enabled among
// those with a port rule and the one item of each radio group that is marked.
struct RuleCase {
  const char* name;
  std::vector<int> commands;
  std::set<int> enabledPortCommands;  // among 32783, 32776, 32773, 32774
  int markedConnection;               // 32778..32782
  bool deviceMarked;                  // 32784
};

class UpdateRuleTest : public ::testing::TestWithParam<RuleCase> {
 protected:
  TempSettings settings;
  AppHarness h;
};

TEST_P(UpdateRuleTest, EnabledAndMarkedFollowTheViewState) {
  const RuleCase& c = GetParam();
  ASSERT_TRUE(h.start());
  for (int id : c.commands) h.run(id);
  // Opening is checked through the menu as the user sees it: the rules run
  // when the menu is about to open.
  emit h.frame()->menu(QStringLiteral("&Connection"))->aboutToShow();

  for (int id : {cmd::kAutoSelect, cmd::kReadFirmwareVersion, cmd::kReadParameters, cmd::kWriteParameters})
    EXPECT_EQ(h.frame()->action(id)->isEnabled(), c.enabledPortCommands.count(id) == 1) << id;
  for (int id = cmd::kDisconnect; id <= cmd::kCom4; ++id) {
    QAction* a = h.frame()->action(id);
    EXPECT_EQ(a->isChecked(), id == c.markedConnection) << id;
    EXPECT_TRUE(a->isEnabled()) << "a radio mark never disables " << id;
    auto* button = qobject_cast<QToolButton*>(h.frame()->toolBar()->widgetForAction(a));
    EXPECT_EQ(button->isChecked(), id == c.markedConnection) << "button of " << id;
  }
  EXPECT_EQ(h.frame()->action(cmd::kSelectDevice)->isChecked(), c.deviceMarked);
  EXPECT_FALSE(h.frame()->action(cmd::kStartDevice)->isEnabled());
  EXPECT_FALSE(h.frame()->action(cmd::kChangeFirmware)->isEnabled());
  for (int id : {cmd::kOpenConfiguration, cmd::kSaveConfiguration, cmd::kAppExit, cmd::kSelectDevice,
                 cmd::kViewToolbar, cmd::kViewStatusBar, cmd::kDocumentation, cmd::kAppAbout, cmd::kFileSave,
                 cmd::kFileOpen, cmd::kFileNew})
    EXPECT_TRUE(h.frame()->action(id)->isEnabled()) << id;
  QAction* submenu = h.frame()->menu(QStringLiteral("&Device/&Select device"))->menuAction();
  EXPECT_TRUE(submenu->isEnabled());
  EXPECT_FALSE(submenu->isCheckable());
}

void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << c.name;
}

const RuleCase kRuleCases[] = {
    {"after_start", {}, {}, cmd::kDisconnect, false},
    {"port2_open", {cmd::kCom2}, {cmd::kAutoSelect, cmd::kReadFirmwareVersion}, cmd::kCom2, false},
    {"port3_open", {cmd::kCom3}, {cmd::kAutoSelect, cmd::kReadFirmwareVersion}, cmd::kCom3, false},
    {"port4_open", {cmd::kCom4}, {cmd::kAutoSelect, cmd::kReadFirmwareVersion}, cmd::kCom4, false},
    {"com1_while_com2_open_changes_nothing",
     {cmd::kCom2, cmd::kCom1},
     {cmd::kAutoSelect, cmd::kReadFirmwareVersion},
     cmd::kCom2,
     false},
    {"device_without_port", {cmd::kSelectDevice}, {}, cmd::kDisconnect, true},
    {"port2_and_device",
     {cmd::kCom2, cmd::kSelectDevice},
     {cmd::kAutoSelect, cmd::kReadFirmwareVersion, cmd::kReadParameters},
     cmd::kCom2,
     true},
    {"parameters_read",
     {cmd::kCom1, cmd::kSelectDevice, cmd::kReadParameters},
     {cmd::kAutoSelect, cmd::kReadFirmwareVersion, cmd::kReadParameters, cmd::kWriteParameters},
     cmd::kCom1,
     true},
    {"disconnected_after_read",
     {cmd::kCom1, cmd::kSelectDevice, cmd::kReadParameters, cmd::kDisconnect},
     {},
     cmd::kDisconnect,
     true},
};

INSTANTIATE_TEST_SUITE_P(States, UpdateRuleTest, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameTest, ToolbarButtonsFollowTheStateWhenTheLoopGoesIdle) {
  // A command run without the router (as another part of the program might)
  // shows on the toolbar once the event loop has been idle. Opening a port
  // lets the loop run while it waits, so the port is closed that way.
  h.run(cmd::kCom3);
  auto* com3 =
      qobject_cast<QToolButton*>(h.frame()->toolBar()->widgetForAction(h.frame()->action(cmd::kCom3)));
  ASSERT_TRUE(com3->isChecked());
  h.app->view()->OnDisconnect();
  EXPECT_TRUE(com3->isChecked());
  AppHarness::idle();
  EXPECT_FALSE(com3->isChecked());
  EXPECT_TRUE(h.frame()->action(cmd::kDisconnect)->isChecked());
}

TEST_F(FrameTest, EveryCommandIsPerformedByTheClassItsRowNames) {
  for (const CommandInfo& c : commandTable()) EXPECT_EQ(h.app->router().handlerOf(c.id), c.owner) << c.id;

  // The File menu's configuration items are the document's Open and Save;
  // the unhandled editing keys change nothing and show nothing.
  ASSERT_TRUE(h.activate());
  h.run(cmd::kOpenConfiguration);
  ASSERT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs[0].title, "Open");
  h.run(cmd::kSaveConfiguration);
  ASSERT_EQ(h.prompt.m_messages.size(), 1u);  // nothing to save without a form
  for (auto key : {Qt::Key_Z, Qt::Key_X, Qt::Key_C, Qt::Key_V})
    QTest::keyClick(h.frame(), key, Qt::ControlModifier);
  QTest::keyClick(h.frame(), Qt::Key_F6);
  EXPECT_EQ(h.prompt.m_messages.size(), 1u);
  EXPECT_EQ(h.desktop.dialogs.size(), 1u);
  EXPECT_EQ(h.caption(), "Kestra - TQ740conf");
}

TEST_F(FrameTest, MessagePaneShowsThePromptOfTheHighlightedItemOrHoveredButton) {
  ASSERT_TRUE(h.activate());
  EXPECT_EQ(h.frame()->messagePaneText(), "Ready");

  QToolBar* tb = h.frame()->toolBar();
  QWidget* com1 = tb->widgetForAction(h.frame()->action(cmd::kCom1));
  QTest::mouseMove(com1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return h.frame()->messagePaneText() == "Inicjuj połączenie na COM 1"; }))
      << h.frame()->messagePaneText().toStdString();
  QTest::mouseMove(h.frame()->centralWidget());
  EXPECT_TRUE(QTest::qWaitFor([&] { return h.frame()->messagePaneText() == "Ready"; }))
      << h.frame()->messagePaneText().toStdString();

  // Items of menus opened from the menu bar, enabled or greyed.
  const std::pair<const char*, int> items[] = {{"&Connection", cmd::kCom1},
                                               {"Firm&ware", cmd::kChangeFirmware}};
  for (const auto& [title, id] : items) {
    QMenu* menu = h.frame()->menu(QString::fromUtf8(title));
    h.frame()->menuBar()->setActiveAction(menu->menuAction());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::mouseMove(menu, menu->actionGeometry(h.frame()->action(id)).center());
    const QString expected = h.frame()->action(id)->statusTip();
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.frame()->messagePaneText() == expected; }))
        << title << ": " << h.frame()->messagePaneText().toStdString();
    menu->close();
    EXPECT_EQ(h.frame()->messagePaneText().toStdString(), "Ready");
  }
  EXPECT_FALSE(h.frame()->action(cmd::kChangeFirmware)->isEnabled());
}

// Each lock pane shows its text exactly while its own lock is on, whatever
// the other two locks are.
TEST_F(FrameTest, LockPanesShowTheirTextWhileTheLockIsOn) {
  struct Case {
    LockKeyState locks;  // caps, num, scroll
    const char *caps, *num, *scroll;
  };
  const Case cases[] = {
      {{false, false, false}, "", "", ""},      {{true, false, false}, "CAP", "", ""},
      {{false, true, false}, "", "NUM", ""},    {{false, false, true}, "", "", "SCRL"},
      {{true, false, true}, "CAP", "", "SCRL"}, {{true, true, true}, "CAP", "NUM", "SCRL"},
      {{false, false, false}, "", "", ""},  // and back off
  };
  for (const Case& c : cases) {
    const LockKeyState locks = c.locks;
    h.frame()->setLockKeyReader([locks] { return locks; });
    AppHarness::idle();
    EXPECT_EQ(h.frame()->pane(cmd::kPaneCaps)->text(), c.caps);
    EXPECT_EQ(h.frame()->pane(cmd::kPaneNum)->text(), c.num);
    EXPECT_EQ(h.frame()->pane(cmd::kPaneScroll)->text(), c.scroll);
  }
}

TEST_F(FrameTest, ViewMenuHidesAndShowsTheBarsWhereTheyWere) {
  QToolBar* tb = h.frame()->toolBar();
  EXPECT_EQ(h.frame()->toolBarArea(tb), Qt::TopToolBarArea);
  h.frame()->addToolBar(Qt::LeftToolBarArea, tb);  // the user docked it on the left
  QAction* toggle = h.frame()->action(cmd::kViewToolbar);
  EXPECT_TRUE(toggle->isChecked());
  h.run(cmd::kViewToolbar);
  EXPECT_TRUE(tb->isHidden());
  EXPECT_FALSE(toggle->isChecked());
  h.run(cmd::kViewToolbar);
  EXPECT_FALSE(tb->isHidden());
  EXPECT_TRUE(toggle->isChecked());
  EXPECT_EQ(h.frame()->toolBarArea(tb), Qt::LeftToolBarArea);
  EXPECT_TRUE(tb->isFloatable());
  EXPECT_EQ(tb->allowedAreas(), Qt::AllToolBarAreas);

  h.run(cmd::kViewStatusBar);
  EXPECT_TRUE(h.frame()->statusBar()->isHidden());
  EXPECT_FALSE(h.frame()->action(cmd::kViewStatusBar)->isChecked());
  h.run(cmd::kViewStatusBar);
  EXPECT_FALSE(h.frame()->statusBar()->isHidden());
  EXPECT_TRUE(h.frame()->action(cmd::kViewStatusBar)->isChecked());
}

// The firmware query through the menu, against the simulated module.
struct FirmwareCase {
  const char* name;
  std::vector<std::pair<int, std::uint16_t>> registers;
  bool silent;
  std::vector<std::string> texts;
  std::vector<MsgKind> kinds;
};

class FirmwareQueryTest : public ::testing::TestWithParam<FirmwareCase> {
 protected:
  TempSettings settings;
  AppHarness h;
};

TEST_P(FirmwareQueryTest, ReportsProductCodeAndRevisionOrMessage66) {
  const FirmwareCase& c = GetParam();
  for (const auto& [reg, value] : c.registers) h.sim->setRegister(reg, value);
  if (c.silent) {
    h.sim->addFault({SimFault::NoAnswer, 0, std::nullopt, -1, 0});
    h.timer.shorten(1);
  }
  ASSERT_TRUE(h.start());
  EXPECT_FALSE(h.frame()->action(cmd::kReadFirmwareVersion)->isEnabled()) << "no port open yet";
  h.run(cmd::kCom1);
  ASSERT_TRUE(h.frame()->action(cmd::kReadFirmwareVersion)->isEnabled()) << "no device type needed";
  h.run(cmd::kReadFirmwareVersion);

  EXPECT_EQ(h.prompt.texts(), c.texts);
  ASSERT_EQ(h.prompt.m_messages.size(), c.kinds.size());
  for (std::size_t i = 0; i < c.kinds.size(); ++i) EXPECT_EQ(h.prompt.m_messages[i].kind, c.kinds[i]) << i;
  EXPECT_EQ(h.app->view()->selectedDevice(), -1) << "the form is not touched";
  EXPECT_TRUE(h.app->view()->isPortOpen()) << "a failed query leaves the port open";
}

void PrintTo(const FirmwareCase& c, std::ostream* os) {
  *os << c.name;
}

const FirmwareCase kFirmwareCases[] = {
    {"module_of_this_type",
     {},
     false,
     {"Product code: 302010301\nProgram revision: 1.5"},
     {MsgKind::Information}},
    {"module_of_another_type",
     {{0, 65535}, {1, 65534}, {2, 2}, {3, 10}},
     false,
     {"Product code: -2\nProgram revision: 2.10"},
     {MsgKind::Information}},
    {"silent_module",
     {},
     true,
     {"message 10\n\nCommunication error.", "message 66\n\nFailed to read Firmware Version."},
     {MsgKind::Error, MsgKind::Error}},
};

INSTANTIATE_TEST_SUITE_P(Modules, FirmwareQueryTest, ::testing::ValuesIn(kFirmwareCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
