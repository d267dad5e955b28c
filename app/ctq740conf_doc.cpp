#include "app/ctq740conf_doc.h"

#include <QFile>
#include <QFileInfo>

#include "app/command_ids.h"
#include "app/desktop.h"
#include "link/user_prompt.h"

namespace {

const QString kAllFiles = QStringLiteral("All Files (*.*)");

bool holdsData(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && (!info.isFile() || info.size() > 0);
}

}  // namespace

CTQ740confDoc::CTQ740confDoc(UserPrompt& prompt, Desktop& desktop, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_desktop(desktop) {
  m_commands.on(cmd::kFileSave, [this] { OnFileSave(); });
}

void CTQ740confDoc::SetTitle(const QString& title) {
  m_strTitle = title;
  emit titleChanged(m_strTitle);
}

void CTQ740confDoc::setPathName(const QString& path) {
  m_strPathName = QFileInfo(path).absoluteFilePath();
  SetTitle(QFileInfo(path).fileName());
  if (addToRecentFiles) addToRecentFiles(m_strPathName);
}

void CTQ740confDoc::OnNewDocument() {
  m_strPathName.clear();
  SetTitle(QStringLiteral("Untitled"));
}

bool CTQ740confDoc::OnOpenDocument(const QString& path) {
  QFile file(path);
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
    const QString reason = QFileInfo(path).isDir() ? QStringLiteral("It is a folder.") : file.errorString();
    m_prompt.message(QStringLiteral("Failed to open document.\n%1").arg(path).toStdString(), MsgKind::Error,
                     false, reason.toStdString());
    return false;
  }
  file.close();
  setPathName(path);
  return true;
}

QString CTQ740confDoc::proposedFileName(const QString& title) {
  static const QString kStops = QStringLiteral(" #%;/\\");
  for (int i = 0; i < title.size(); ++i)
    if (kStops.contains(title[i])) return title.left(i);
  return title;
}

void CTQ740confDoc::OnFileSave() {
  QString path = m_strPathName;
  if (path.isEmpty() || holdsData(path)) {
    path = m_desktop.getSaveFileName(dialogParent, QStringLiteral("Save As"), proposedFileName(m_strTitle),
                                     kAllFiles);
    if (path.isEmpty()) return;
  }
  if (holdsData(path)) {
    m_prompt.message(QStringLiteral("%1\nThis file already holds data, and TQ740conf has no configuration to "
                                    "store in it.\nThe file was left unchanged.")
                         .arg(path)
                         .toStdString(),
                     MsgKind::Warning);
    return;
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    m_prompt.message(QStringLiteral("Failed to save document.\n%1").arg(path).toStdString(), MsgKind::Error,
                     false, file.errorString().toStdString());
    return;
  }
  file.close();
  setPathName(path);
}
