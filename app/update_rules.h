#pragma once
// The one function that decides, from the view's and the frame's state,
// whether a command is enabled and whether it carries a mark. It runs before
// a menu opens and whenever the event loop goes idle.

#include <string>

#include "app/command_table.h"

// What the rules read: the view's connection and form state and the bars.
struct ShellState {
  int portNumber = 0;       // m_nPort
  bool portOpen = false;    // m_hPort present
  int selectedDevice = -1;  // m_nDevice
  bool paramsRead = false;  // m_bParamsRead
  bool showChangesBeforeWriting = false;
  bool toolbarVisible = true;
  bool statusBarVisible = true;
  bool operationRunning = false;  // a device operation runs: every command waits
};

enum class CommandMark { None, Check, Radio };

struct CommandUiState {
  bool enabled = false;
  CommandMark mark = CommandMark::None;  // the kind of mark the item can carry
  bool checked = false;                  // the mark is shown
};

// The kind of mark a command's rule sets (fixed per command).
CommandMark markKind(UpdateRule rule);

// Evaluates a command's rule. A command that no class on the route handles
// is disabled whatever its rule.
CommandUiState evaluateCommand(const CommandInfo& c, bool hasHandler, const ShellState& s);

// The lock-key panes: their text while the lock is on, empty otherwise.
struct LockKeyState {
  bool caps = false, num = false, scroll = false;
};
std::string lockPaneText(int paneId, const LockKeyState& locks);
