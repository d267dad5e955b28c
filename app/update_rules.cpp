#include "app/update_rules.h"

CommandMark markKind(UpdateRule rule) {
  switch (rule) {
    case UpdateRule::SelectDevice:
    case UpdateRule::Disconnect:
    case UpdateRule::Com:
      return CommandMark::Radio;
    case UpdateRule::ShowChanges:
    case UpdateRule::ToolbarVisible:
    case UpdateRule::StatusBarVisible:
      return CommandMark::Check;
    default:
      return CommandMark::None;
  }
}

CommandUiState evaluateCommand(const CommandInfo& c, bool hasHandler, const ShellState& s) {
  CommandUiState ui;
  ui.mark = markKind(c.rule);
  if (!hasHandler) return ui;
  ui.enabled = true;
  switch (c.rule) {
    case UpdateRule::Default:
      break;
    case UpdateRule::PortOpen:
      ui.enabled = s.portOpen;
      break;
    case UpdateRule::ReadParameters:
      ui.enabled = s.portOpen && s.selectedDevice != -1;
      break;
    case UpdateRule::Compare:
      ui.enabled = s.portOpen && s.selectedDevice != -1;
      break;
    case UpdateRule::ShowChanges:
      ui.checked = s.showChangesBeforeWriting;
      break;
    case UpdateRule::WriteParameters:
      ui.enabled = s.portOpen && s.paramsRead;
      break;
    case UpdateRule::FormShown:
      ui.enabled = s.selectedDevice != -1;
      break;
    case UpdateRule::SelectDevice:
      ui.checked = s.selectedDevice == 0;
      break;
    case UpdateRule::Disconnect:
      ui.checked = s.portNumber == 0;
      break;
    case UpdateRule::Com:
      ui.checked = s.portNumber == c.ruleArg;
      break;
    case UpdateRule::ToolbarVisible:
      ui.checked = s.toolbarVisible;
      break;
    case UpdateRule::StatusBarVisible:
      ui.checked = s.statusBarVisible;
      break;
  }
  // One operation at a time; the marks still show the state.
  if (s.operationRunning) ui.enabled = false;
  return ui;
}

std::string lockPaneText(int paneId, const LockKeyState& locks) {
  switch (paneId) {
    case cmd::kPaneCaps:
      return locks.caps ? "CAP" : "";
    case cmd::kPaneNum:
      return locks.num ? "NUM" : "";
    case cmd::kPaneScroll:
      return locks.scroll ? "SCRL" : "";
    default:
      return {};
  }
}
