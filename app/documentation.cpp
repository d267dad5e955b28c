#include "app/documentation.h"

#include <QDir>
#include <QFileInfo>

#include "app/desktop.h"
#include "link/messages.h"
#include "link/user_prompt.h"

namespace documentation {

QString helpFolderPath(const QString& startDir) {
  return startDir + QDir::separator() + QLatin1String(kHelpFolder);
}

QStringList manualFoldersBesideProgram(const QString& programDir) {
  const QDir dir(programDir);
  return {QDir::cleanPath(dir.filePath(QLatin1String(kHelpFolder))),
          QDir::cleanPath(dir.filePath(QStringLiteral(TQ_DOCDIR_FROM_BINDIR)))};
}

}  // namespace documentation

void showDocumentation(const QString& startDir, UserPrompt& prompt, Desktop& desktop, QWidget* parent,
                       const QStringList& otherFolders) {
  using namespace documentation;

  // A missing folder leaves the current directory where it was, and the
  // search below then runs there.
  QDir::setCurrent(helpFolderPath(startDir));

  QStringList folders{QDir::currentPath()};
  folders += otherFolders;
  for (const QString& folder : folders) {
    const QFileInfo manual{QDir(folder), QLatin1String(kHelpFileName)};
    if (manual.isFile()) {
      desktop.openDocument(manual.absoluteFilePath());
      return;
    }
  }

  tell(prompt, messageOf(1));
  const QString chosen = desktop.getOpenFileName(
      parent, QLatin1String(kFallbackTitle), QLatin1String(kHelpFileName), QLatin1String(kFallbackFilter));
  if (chosen.isEmpty()) return;
  desktop.openDocument(QFileInfo(chosen).absoluteFilePath());
}
