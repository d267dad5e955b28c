#include "app/ctq740conf_doc.h"

#include <QFileInfo>

#include "app/command_ids.h"
#include "app/desktop.h"
#include "app/native_path.h"
#include "link/user_prompt.h"
#include "model/configuration_json.h"
#include "model/safe_file.h"

const QString CTQ740confDoc::kFileFilter = QStringLiteral("Configuration (*.json);;All Files (*.*)");

CTQ740confDoc::CTQ740confDoc(UserPrompt& prompt, Desktop& desktop, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_desktop(desktop) {
  m_commands.on(cmd::kFileSave, [this] { OnFileSave(); });
  m_commands.on(cmd::kSaveConfiguration, [this] { OnFileSave(); });
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

std::string CTQ740confDoc::problemList(const std::vector<std::string>& lines) {
  constexpr std::size_t kShown = 10;
  std::string out;
  for (std::size_t i = 0; i < lines.size() && i < kShown; ++i) out += "\n" + lines[i];
  if (lines.size() > kShown) out += "\n... and " + std::to_string(lines.size() - kShown) + " more.";
  return out;
}

bool CTQ740confDoc::OnOpenDocument(const QString& path, std::optional<Configuration>& config) {
  const std::string file = nativeFromPath(path);
  std::string text, why;
  std::vector<std::string> problems;
  Configuration read;
  if (!safe_file::read(file, text, why))
    problems.push_back(why);
  else if (!text.empty())
    config_json::read(text, read, problems);
  if (!problems.empty()) {
    m_prompt.message("Cannot open the configuration file " + file + ":" + problemList(problems),
                     MsgKind::Error);
    return false;
  }
  config.reset();
  if (!text.empty()) config = read;
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
  if (!formShown || !formShown()) {
    m_prompt.message("Nothing was saved: no device type is selected, so the form shows no configuration.",
                     MsgKind::Warning);
    return;
  }
  const std::optional<Configuration> config = takeConfiguration ? takeConfiguration() : std::nullopt;
  if (!config) {
    m_prompt.message("The configuration was not saved: the fields marked on the form are invalid.",
                     MsgKind::Error);
    return;
  }
  QString path = m_strPathName;
  if (path.isEmpty()) {
    path = m_desktop.getSaveFileName(dialogParent, QStringLiteral("Save As"), proposedFileName(m_strTitle),
                                     kFileFilter);
    if (path.isEmpty()) return;
  }
  std::string why;
  if (!safe_file::write(nativeFromPath(path), config_json::write(*config), why)) {
    m_prompt.message("Cannot save the configuration to " + path.toStdString() + ": " + why, MsgKind::Error);
    return;
  }
  setPathName(path);
}
