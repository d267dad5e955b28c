#pragma once
// The documentation command: finds the user manual TQ740conf_help.pdf in the
// help folder below the start directory, or else beside the program (a build
// tree) or in the installed documentation folder, and has the desktop open
// it; when it is nowhere, says so and lets the user pick a PDF by hand.

#include <QString>
#include <QStringList>

class Desktop;
class QWidget;
class UserPrompt;

namespace documentation {

inline constexpr char kHelpFolder[] = "help";
inline constexpr char kHelpFileName[] = "TQ740conf_help.pdf";
inline constexpr char kFallbackFilter[] = "*.pdf";
inline constexpr char kFallbackTitle[] = "Open";

// The help folder: the start directory, this platform's separator and "help".
QString helpFolderPath(const QString& startDir);

// Where else the manual is looked for, in order, for the program in
// programDir: the help folder beside it, where a build tree has the manual,
// and the documentation folder of an installation (share/doc/tq740conf
// relative to the program's bin folder, so an installation under any prefix
// finds its own).
QStringList manualFoldersBesideProgram(const QString& programDir);

}  // namespace documentation

// Makes the help folder the current directory (when it exists; otherwise the
// current directory stays), looks for the manual there and then in each of
// otherFolders, and opens the first found. When it is nowhere: message 1 as a
// warning, then an open dialog offering "TQ740conf_help.pdf" with the filter
// "*.pdf"; Cancel ends silently. The current directory stays in the help
// folder afterwards.
void showDocumentation(const QString& startDir, UserPrompt& prompt, Desktop& desktop,
                       QWidget* parent = nullptr, const QStringList& otherFolders = {});
