#pragma once
// The command table: every command of the menu, the toolbar and the
// accelerators as data, with its prompt, the class that performs it and the
// rule that enables and marks it. The main frame builds its menu, toolbar and
// shortcuts from this table; tests check the structure against it.

#include <span>
#include <string>
#include <vector>

#include "app/command_ids.h"

// Which class on the route performs a command (None: nothing handles it).
enum class CommandOwner { None, View, Document, Frame, App };

// The update rule that decides a command's enabled state and mark.
enum class UpdateRule {
  Default,          // enabled exactly when a handler exists, no mark
  PortOpen,         // OnUpdatePortOpen: enabled while a port is open
  ReadParameters,   // OnUpdateReadParameters: port open and a device selected
  WriteParameters,  // OnUpdateWriteParameters: port open and parameters read
  FormShown,        // enabled while a device is selected and the form shows its fields
  SelectDevice,     // OnUpdateSelectDevice: radio while device 0 is selected
  Disconnect,       // OnUpdateDisconnect: radio while no port is open
  Com,              // OnUpdateCom: radio while port ruleArg is open
  Compare,          // enabled while a port is open and a device is selected
  ShowChanges,      // check while changes are shown before writing
  ToolbarVisible,   // check while the toolbar is visible
  StatusBarVisible  // check while the status bar is visible
};

struct CommandInfo {
  int id;
  const char* menuPath = nullptr;  // "&Device/&Select device"; nullptr when not in the menu
  const char* text;                // menu item text (toolbar-only commands: the button's name)
  bool separatorBefore = false;    // a menu separator precedes the item
  int toolbarPos = 0;              // 1..12, 0 when not on the toolbar
  const char* keys = nullptr;      // accelerators separated by ';', nullptr for none
  const char* prompt;              // status text, then "\n" and the tooltip
  CommandOwner owner;
  UpdateRule rule = UpdateRule::Default;
  int ruleArg = 0;  // the port number of a Com rule
};

// All commands, menu items first in menu order.
std::span<const CommandInfo> commandTable();
const CommandInfo* findCommand(int id);

// Toolbar positions after which a separator follows.
std::span<const int> toolbarSeparatorsAfter();

// The two halves of a prompt: the status text (before "\n") and the tooltip
// (after it, empty when there is none).
std::string promptStatusText(const char* prompt);
std::string promptTooltip(const char* prompt);

// Accelerator key sequences of a command, in table order.
std::vector<std::string> commandKeys(const CommandInfo& c);
