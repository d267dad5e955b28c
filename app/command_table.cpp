#include "app/command_table.h"

#include <array>
#include <cstring>

namespace {

using O = CommandOwner;
using R = UpdateRule;

constexpr const char* kFile = "&File";
constexpr const char* kDevice = "&Device";
constexpr const char* kSelect = "&Device/&Select device";
constexpr const char* kFirmware = "Firm&ware";
constexpr const char* kConnection = "&Connection";
constexpr const char* kView = "&View";
constexpr const char* kHelp = "&Help";

constexpr const char* kOpenPrompt = "Załaduj z pliku domyślną konfigurację modułu\nOpen configuration";
constexpr const char* kSavePrompt = "Zapisz do pliku domyślną konfigurację modułu\nSave configuration";

constexpr CommandInfo kCommands[] = {
    // File
    {.id = cmd::kOpenConfiguration,
     .menuPath = kFile,
     .text = "&Open configuration",
     .prompt = kOpenPrompt,
     .owner = O::App},
    {.id = cmd::kSaveConfiguration,
     .menuPath = kFile,
     .text = "&Save configuration",
     .prompt = kSavePrompt,
     .owner = O::Document},
    {.id = cmd::kSaveConfigurationAs,
     .menuPath = kFile,
     .text = "Save configuration &as...",
     .prompt = "Zapisz konfigurację do nowego pliku\nSave configuration as",
     .owner = O::Document},
    {.id = cmd::kAppExit,
     .menuPath = kFile,
     .text = "&Exit",
     .separatorBefore = true,
     .prompt = "Zakończ program",
     .owner = O::App},
    // Device
    {.id = cmd::kAutoSelect,
     .menuPath = kSelect,
     .text = "&Auto",
     .toolbarPos = 3,
     .prompt = "Automatycznie odczytaj typ modułu\nAutoDetect",
     .owner = O::View,
     .rule = R::PortOpen},
    {.id = cmd::kSelectDevice,
     .menuPath = kSelect,
     .text = "TQ-740-0",
     .separatorBefore = true,
     .prompt = "3xModBus RTU Slave - 1x ModBus RTU Master\nTQ-740-0",
     .owner = O::View,
     .rule = R::SelectDevice},
    {.id = cmd::kReadParameters,
     .menuPath = kDevice,
     .text = "&Read parameters from device",
     .separatorBefore = true,
     .toolbarPos = 4,
     .prompt = "Pobierz ustawienia z modułu\nRead parameters from device",
     .owner = O::View,
     .rule = R::ReadParameters},
    {.id = cmd::kWriteParameters,
     .menuPath = kDevice,
     .text = "&Write parameters to device",
     .toolbarPos = 5,
     .prompt = "Wyślij ustawienia do modułu\nWrite parameters to device",
     .owner = O::View,
     .rule = R::WriteParameters},
    {.id = cmd::kCompareWithDevice,
     .menuPath = kDevice,
     .text = "&Compare with device",
     .prompt = "Porównaj ustawienia formularza z ustawieniami modułu\nCompare with device",
     .owner = O::View,
     .rule = R::Compare},
    {.id = cmd::kShowChangesBeforeWriting,
     .menuPath = kDevice,
     .text = "Show c&hanges before writing",
     .prompt = "Pokaż zmiany przed wysłaniem ustawień do modułu\nShow changes before writing",
     .owner = O::App,
     .rule = R::ShowChanges},
    {.id = cmd::kStartDevice,
     .menuPath = kDevice,
     .text = "&Start device",
     .separatorBefore = true,
     .prompt = "Rozpocznij normalną pracę modułu\nStart device",
     .owner = O::None},
    {.id = cmd::kMasterTiming,
     .menuPath = kDevice,
     .text = "Master &timing...",
     .separatorBefore = true,
     .prompt = "Pokaż najkrótsze czasy zleceń mastera COM4 na łączu\nMaster timing",
     .owner = O::App,
     .rule = R::FormShown},
    // Firmware
    {.id = cmd::kReadFirmwareVersion,
     .menuPath = kFirmware,
     .text = "&Read firmware version",
     .prompt = "Czytaj rodzaj i wersję oprogramowania modułu\nRead firmware version",
     .owner = O::View,
     .rule = R::PortOpen},
    {.id = cmd::kChangeFirmware,
     .menuPath = kFirmware,
     .text = "&Change firmware",
     .prompt = "Uruchom loader\nChange firmware",
     .owner = O::None},
    // Connection
    {.id = cmd::kDisconnect,
     .menuPath = kConnection,
     .text = "&Disconnect",
     .toolbarPos = 10,
     .prompt = "Rozłącz się\nDisconnect",
     .owner = O::View,
     .rule = R::Disconnect},
    {.id = cmd::kCom1,
     .menuPath = kConnection,
     .text = "COM &1",
     .separatorBefore = true,
     .toolbarPos = 6,
     .prompt = "Inicjuj połączenie na COM 1\nCOM 1",
     .owner = O::View,
     .rule = R::Com,
     .ruleArg = 1},
    {.id = cmd::kCom2,
     .menuPath = kConnection,
     .text = "COM &2",
     .toolbarPos = 7,
     .prompt = "Inicjuj połączenie na COM 2\nCOM 2",
     .owner = O::View,
     .rule = R::Com,
     .ruleArg = 2},
    {.id = cmd::kCom3,
     .menuPath = kConnection,
     .text = "COM &3",
     .toolbarPos = 8,
     .prompt = "Inicjuj połączenie na COM 3\nCOM 3",
     .owner = O::View,
     .rule = R::Com,
     .ruleArg = 3},
    {.id = cmd::kCom4,
     .menuPath = kConnection,
     .text = "COM &4",
     .toolbarPos = 9,
     .prompt = "Inicjuj połączenie na COM 4\nCOM 4",
     .owner = O::View,
     .rule = R::Com,
     .ruleArg = 4},
    {.id = cmd::kPortSettings,
     .menuPath = kConnection,
     .text = "Port &settings...",
     .separatorBefore = true,
     .prompt = "Przypisz urządzenia szeregowe do portów COM 1 - COM 4\nPort settings",
     .owner = O::App},
    // View
    {.id = cmd::kViewToolbar,
     .menuPath = kView,
     .text = "&Toolbar",
     .prompt = "ToolBar on/off",
     .owner = O::Frame,
     .rule = R::ToolbarVisible},
    {.id = cmd::kViewStatusBar,
     .menuPath = kView,
     .text = "&Status Bar",
     .prompt = "StatusBar on/off",
     .owner = O::Frame,
     .rule = R::StatusBarVisible},
    // Help
    {.id = cmd::kDocumentation,
     .menuPath = kHelp,
     .text = "&Documentation",
     .toolbarPos = 11,
     .prompt = "Dokumentacja\nDocumentation",
     .owner = O::View},
    {.id = cmd::kAppAbout,
     .menuPath = kHelp,
     .text = "&About TQ740conf...",
     .toolbarPos = 12,
     .prompt = "O programie\nAbout",
     .owner = O::App},
    // Toolbar and keyboard only
    {.id = cmd::kFileSave,
     .text = "Save configuration",
     .toolbarPos = 1,
     .keys = "Ctrl+S",
     .prompt = kSavePrompt,
     .owner = O::Document},
    {.id = cmd::kFileOpen,
     .text = "Open configuration",
     .toolbarPos = 2,
     .keys = "Ctrl+O",
     .prompt = kOpenPrompt,
     .owner = O::App},
    {.id = cmd::kFileNew,
     .text = "New",
     .keys = "Ctrl+N",
     .prompt = "Create a new document\nNew",
     .owner = O::App},
    // Editing and pane keys: nothing in this program handles them, so they
    // stay disabled.
    {.id = cmd::kEditUndo,
     .text = "Undo",
     .keys = "Ctrl+Z;Alt+Backspace",
     .prompt = "Undo the last action\nUndo",
     .owner = O::None},
    {.id = cmd::kEditCut,
     .text = "Cut",
     .keys = "Ctrl+X;Shift+Del",
     .prompt = "Cut the selection and put it on the Clipboard\nCut",
     .owner = O::None},
    {.id = cmd::kEditCopy,
     .text = "Copy",
     .keys = "Ctrl+C;Ctrl+Ins",
     .prompt = "Copy the selection and put it on the Clipboard\nCopy",
     .owner = O::None},
    {.id = cmd::kEditPaste,
     .text = "Paste",
     .keys = "Ctrl+V;Shift+Ins",
     .prompt = "Insert Clipboard contents\nPaste",
     .owner = O::None},
    {.id = cmd::kNextPane,
     .text = "Next Pane",
     .keys = "F6",
     .prompt = "Switch to the next window pane\nNext Pane",
     .owner = O::None},
    {.id = cmd::kPrevPane,
     .text = "Previous Pane",
     .keys = "Shift+F6",
     .prompt = "Switch back to the previous window pane\nPrevious Pane",
     .owner = O::None},
};

constexpr std::array kToolbarSeparatorsAfter{2, 5, 10};

}  // namespace

std::span<const CommandInfo> commandTable() {
  return kCommands;
}

const CommandInfo* findCommand(int id) {
  for (const auto& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

std::span<const int> toolbarSeparatorsAfter() {
  return kToolbarSeparatorsAfter;
}

std::string promptStatusText(const char* prompt) {
  if (!prompt) return {};
  const char* nl = std::strchr(prompt, '\n');
  return nl ? std::string(prompt, nl) : std::string(prompt);
}

std::string promptTooltip(const char* prompt) {
  if (!prompt) return {};
  const char* nl = std::strchr(prompt, '\n');
  return nl ? std::string(nl + 1) : std::string();
}

std::vector<std::string> commandKeys(const CommandInfo& c) {
  std::vector<std::string> out;
  if (!c.keys) return out;
  std::string all = c.keys;
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    out.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return out;
}
