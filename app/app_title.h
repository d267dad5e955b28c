#pragma once
// The application title, in one place: the main window's caption, the title
// of every message box, the About box and the settings key.

namespace app {
inline constexpr const char* kAppTitle = "TQ740conf";
}  // namespace app
