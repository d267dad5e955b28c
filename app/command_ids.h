#pragma once
// Command ids of the menu, toolbar and accelerators (resource 128) and the
// child ids of the bars and status panes.

namespace cmd {
// Program commands
constexpr int kOpenConfiguration = 32771, kSaveConfiguration = 32772;
constexpr int kReadParameters = 32773, kWriteParameters = 32774, kStartDevice = 32775;
constexpr int kReadFirmwareVersion = 32776, kChangeFirmware = 32777;
constexpr int kDisconnect = 32778, kCom1 = 32779, kCom2 = 32780, kCom3 = 32781, kCom4 = 32782;
constexpr int kAutoSelect = 32783, kSelectDevice = 32784, kDocumentation = 32785;
// Commands added since, numbered apart from the original ones
constexpr int kPortSettings = 32800;
constexpr int kCompareWithDevice = 32801, kShowChangesBeforeWriting = 32802, kSaveConfigurationAs = 32803;
constexpr int kMasterTiming = 32810;
// Framework commands
constexpr int kFileNew = 57600, kFileOpen = 57601, kFileSave = 57603;
constexpr int kEditCopy = 57634, kEditCut = 57635, kEditPaste = 57637, kEditUndo = 57643;
constexpr int kAppAbout = 57664, kAppExit = 57665;
constexpr int kNextPane = 57680, kPrevPane = 57681;
// Bars (child id = command id of the View menu item) and status panes
constexpr int kViewToolbar = 59392, kViewStatusBar = 59393;
constexpr int kPaneMessage = 0, kPaneCaps = 59137, kPaneNum = 59138, kPaneScroll = 59139;
}  // namespace cmd
