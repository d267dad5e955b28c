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

const std::array kCommands{
    // File
    CommandInfo{cmd::kOpenConfiguration, kFile, "&Open configuration", false, 0, nullptr, kOpenPrompt, O::App,
                R::Default, 0},
    CommandInfo{cmd::kSaveConfiguration, kFile, "&Save configuration", false, 0, nullptr, kSavePrompt,
                O::Document, R::Default, 0},
    CommandInfo{cmd::kAppExit, kFile, "&Exit", true, 0, nullptr, "Zakończ program", O::App, R::Default, 0},
    // Device
    CommandInfo{cmd::kAutoSelect, kSelect, "&Auto", false, 3, nullptr,
                "Automatycznie odczytaj typ modułu\nAutoDetect", O::View, R::PortOpen, 0},
    CommandInfo{cmd::kSelectDevice, kSelect, "TQ-740-0", true, 0, nullptr,
                "3xModBus RTU Slave - 1x ModBus RTU Master\nTQ-740-0", O::View, R::SelectDevice, 0},
    CommandInfo{cmd::kReadParameters, kDevice, "&Read parameters from device", true, 4, nullptr,
                "Pobierz ustawienia z modułu\nRead parameters from device", O::View, R::ReadParameters, 0},
    CommandInfo{cmd::kWriteParameters, kDevice, "&Write parameters to device", false, 5, nullptr,
                "Wyślij ustawienia do modułu\nWrite parameters to device", O::View, R::WriteParameters, 0},
    CommandInfo{cmd::kStartDevice, kDevice, "&Start device", true, 0, nullptr,
                "Rozpocznij normalną pracę modułu\nStart device", O::None, R::Default, 0},
    CommandInfo{cmd::kMasterTiming, kDevice, "Master &timing...", true, 0, nullptr,
                "Pokaż najkrótsze czasy zleceń mastera COM4 na łączu\nMaster timing", O::App, R::FormShown,
                0},
    // Firmware
    CommandInfo{cmd::kReadFirmwareVersion, kFirmware, "&Read firmware version", false, 0, nullptr,
                "Czytaj rodzaj i wersję oprogramowania modułu\nRead firmware version", O::View, R::PortOpen,
                0},
    CommandInfo{cmd::kChangeFirmware, kFirmware, "&Change firmware", false, 0, nullptr,
                "Uruchom loader\nChange firmware", O::None, R::Default, 0},
    // Connection
    CommandInfo{cmd::kDisconnect, kConnection, "&Disconnect", false, 10, nullptr, "Rozłącz się\nDisconnect",
                O::View, R::Disconnect, 0},
    CommandInfo{cmd::kCom1, kConnection, "COM &1", true, 6, nullptr, "Inicjuj połączenie na COM 1\nCOM 1",
                O::View, R::Com, 1},
    CommandInfo{cmd::kCom2, kConnection, "COM &2", false, 7, nullptr, "Inicjuj połączenie na COM 2\nCOM 2",
                O::View, R::Com, 2},
    CommandInfo{cmd::kCom3, kConnection, "COM &3", false, 8, nullptr, "Inicjuj połączenie na COM 3\nCOM 3",
                O::View, R::Com, 3},
    CommandInfo{cmd::kCom4, kConnection, "COM &4", false, 9, nullptr, "Inicjuj połączenie na COM 4\nCOM 4",
                O::View, R::Com, 4},
    CommandInfo{cmd::kPortSettings, kConnection, "Port &settings...", true, 0, nullptr,
                "Przypisz urządzenia szeregowe do portów COM 1 - COM 4\nPort settings", O::App, R::Default,
                0},
    // View
    CommandInfo{cmd::kViewToolbar, kView, "&Toolbar", false, 0, nullptr, "ToolBar on/off", O::Frame,
                R::ToolbarVisible, 0},
    CommandInfo{cmd::kViewStatusBar, kView, "&Status Bar", false, 0, nullptr, "StatusBar on/off", O::Frame,
                R::StatusBarVisible, 0},
    // Help
    CommandInfo{cmd::kDocumentation, kHelp, "&Documentation", false, 11, nullptr,
                "Dokumentacja\nDocumentation", O::View, R::Default, 0},
    CommandInfo{cmd::kAppAbout, kHelp, "&About TQ740conf...", false, 12, nullptr, "O programie\nAbout",
                O::App, R::Default, 0},
    // Toolbar and keyboard only
    CommandInfo{cmd::kFileSave, nullptr, "Save configuration", false, 1, "Ctrl+S", kSavePrompt, O::Document,
                R::Default, 0},
    CommandInfo{cmd::kFileOpen, nullptr, "Open configuration", false, 2, "Ctrl+O", kOpenPrompt, O::App,
                R::Default, 0},
    CommandInfo{cmd::kFileNew, nullptr, "New", false, 0, "Ctrl+N", "Create a new document\nNew", O::App,
                R::Default, 0},
    // Editing and pane keys: nothing in this program handles them, so they
    // stay disabled.
    CommandInfo{cmd::kEditUndo, nullptr, "Undo", false, 0, "Ctrl+Z;Alt+Backspace",
                "Undo the last action\nUndo", O::None, R::Default, 0},
    CommandInfo{cmd::kEditCut, nullptr, "Cut", false, 0, "Ctrl+X;Shift+Del",
                "Cut the selection and put it on the Clipboard\nCut", O::None, R::Default, 0},
    CommandInfo{cmd::kEditCopy, nullptr, "Copy", false, 0, "Ctrl+C;Ctrl+Ins",
                "Copy the selection and put it on the Clipboard\nCopy", O::None, R::Default, 0},
    CommandInfo{cmd::kEditPaste, nullptr, "Paste", false, 0, "Ctrl+V;Shift+Ins",
                "Insert Clipboard contents\nPaste", O::None, R::Default, 0},
    CommandInfo{cmd::kNextPane, nullptr, "Next Pane", false, 0, "F6",
                "Switch to the next window pane\nNext Pane", O::None, R::Default, 0},
    CommandInfo{cmd::kPrevPane, nullptr, "Previous Pane", false, 0, "Shift+F6",
                "Switch back to the previous window pane\nPrevious Pane", O::None, R::Default, 0},
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
