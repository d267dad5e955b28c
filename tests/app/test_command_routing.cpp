// Routing order and the pure parts of the command table: the first class on
// the route view, document, frame, application performs a command.
#include <gtest/gtest.h>

#include <string>

#include "app/command_router.h"
#include "app/command_table.h"
#include "app/update_rules.h"

namespace {

TEST(CommandRouting, OffersViewThenDocumentThenFrameThenApp) {
  std::string log;
  CommandMap view, doc, frame, app;
  // 1: everybody handles it; 2: all but the view; 3: frame and app; 4: app only.
  for (int id : {1}) view.on(id, [&log, id] { log += "view" + std::to_string(id) + " "; });
  for (int id : {1, 2}) doc.on(id, [&log, id] { log += "doc" + std::to_string(id) + " "; });
  for (int id : {1, 2, 3}) frame.on(id, [&log, id] { log += "frame" + std::to_string(id) + " "; });
  for (int id : {1, 2, 3, 4}) app.on(id, [&log, id] { log += "app" + std::to_string(id) + " "; });
  CommandRouter router;
  int after = 0;
  router.afterCommand = [&after] { ++after; };
  router.setMap(CommandOwner::App, &app);  // registration order does not matter
  router.setMap(CommandOwner::Frame, &frame);
  router.setMap(CommandOwner::View, &view);
  router.setMap(CommandOwner::Document, &doc);

  for (int id : {1, 2, 3, 4}) EXPECT_TRUE(router.route(id));
  EXPECT_FALSE(router.route(5));
  EXPECT_EQ(log, "view1 doc2 frame3 app4 ");
  EXPECT_EQ(after, 4) << "rules refresh after each performed command, not after an unhandled one";
  EXPECT_EQ(router.handlerOf(2), CommandOwner::Document);
  EXPECT_EQ(router.handlerOf(5), CommandOwner::None);

  router.setMap(CommandOwner::View, nullptr);  // the view is gone
  EXPECT_EQ(router.handlerOf(1), CommandOwner::Document);
}

TEST(CommandTable, PromptsSplitIntoStatusTextAndTooltip) {
  const CommandInfo* com3 = findCommand(cmd::kCom3);
  ASSERT_NE(com3, nullptr);
  EXPECT_EQ(promptStatusText(com3->prompt), "Inicjuj połączenie na COM 3");
  EXPECT_EQ(promptTooltip(com3->prompt), "COM 3");
  const CommandInfo* exit = findCommand(cmd::kAppExit);
  EXPECT_EQ(promptStatusText(exit->prompt), "Zakończ program");
  EXPECT_EQ(promptTooltip(exit->prompt), "");
  EXPECT_EQ(commandKeys(*findCommand(cmd::kEditUndo)), (std::vector<std::string>{"Ctrl+Z", "Alt+Backspace"}));
}

TEST(UpdateRules, CommandWithoutHandlerIsDisabledWhateverItsRule) {
  ShellState open;
  open.portNumber = 1;
  open.portOpen = true;
  const CommandInfo* fw = findCommand(cmd::kReadFirmwareVersion);
  EXPECT_TRUE(evaluateCommand(*fw, true, open).enabled);
  EXPECT_FALSE(evaluateCommand(*fw, false, open).enabled);
  // A radio mark never disables its item.
  const CommandInfo* com1 = findCommand(cmd::kCom1);
  const CommandUiState ui = evaluateCommand(*com1, true, open);
  EXPECT_TRUE(ui.enabled);
  EXPECT_TRUE(ui.checked);
  EXPECT_EQ(ui.mark, CommandMark::Radio);
}

// Compare needs a port and a device type; the preview's mark follows its
// setting and never disables the item.
TEST(UpdateRules, CompareAndShowChanges) {
  struct Case {
    bool portOpen;
    int device;
    bool showChanges;
    bool compareEnabled;
  };
  const Case cases[] = {
      {false, -1, false, false}, {true, -1, false, false}, {false, 0, true, false}, {true, 0, true, true}};
  const CommandInfo* compare = findCommand(cmd::kCompareWithDevice);
  const CommandInfo* show = findCommand(cmd::kShowChangesBeforeWriting);
  ASSERT_TRUE(compare && show);
  for (const Case& c : cases) {
    ShellState s;
    s.portOpen = c.portOpen;
    s.selectedDevice = c.device;
    s.showChangesBeforeWriting = c.showChanges;
    EXPECT_EQ(evaluateCommand(*compare, true, s).enabled, c.compareEnabled);
    const CommandUiState ui = evaluateCommand(*show, true, s);
    EXPECT_TRUE(ui.enabled);
    EXPECT_EQ(ui.mark, CommandMark::Check);
    EXPECT_EQ(ui.checked, c.showChanges);
    s.operationRunning = true;
    EXPECT_FALSE(evaluateCommand(*compare, true, s).enabled);
  }
}

}  // namespace
