#include "app/ctq740conf_doc.h"

#include <QFileInfo>

#include "app/command_ids.h"
#include "app/desktop.h"
#include "app/native_path.h"
#include "link/user_prompt.h"
#include "model/configuration_json.h"
#include "model/field_domains.h"
#include "model/safe_file.h"

const QString CTQ740confDoc::kFileFilter = QStringLiteral("Configuration (*.json);;All Files (*.*)");

CTQ740confDoc::CTQ740confDoc(UserPrompt& prompt, Desktop& desktop, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_desktop(desktop) {
  m_commands.bind(CommandOwner::Document, [this](int id) -> CommandMap::Handler {
    switch (id) {
      case cmd::kFileSave:
      case cmd::kSaveConfiguration:
        return [this] { OnFileSave(); };
      case cmd::kSaveConfigurationAs:
        return [this] { OnFileSaveAs(); };
    }
    return {};
  });
}

void CTQ740confDoc::SetModifiedFlag(bool modified) {
  if (m_bModified == modified) return;
  m_bModified = modified;
  emit modifiedChanged(m_bModified);
}

bool CTQ740confDoc::SaveModified() {
  if (!m_bModified) return true;
  switch (m_prompt.askSaveChanges("Save changes to " + m_strTitle.toStdString() + "?")) {
    case MsgAnswer::Save:
      return OnFileSave();
    case MsgAnswer::Discard:
      return true;
    default:
      return false;
  }
}

void CTQ740confDoc::DetachFromFile() {
  m_strPathName.clear();
  SetTitle(QStringLiteral("Kestra"));
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
  SetModifiedFlag(false);
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
  SetModifiedFlag(false);
  return true;
}

QString CTQ740confDoc::proposedFileName(const QDate& today) const {
  if (!m_strPathName.isEmpty()) return withJsonSuffix(QFileInfo(m_strPathName).fileName());
  const std::string_view product = DeviceTypeTable[0].typeLabel;
  return QString::fromUtf8(product.data(), static_cast<qsizetype>(product.size())) + QLatin1Char(' ') +
         today.toString(Qt::ISODate) + QStringLiteral(".json");
}

QString CTQ740confDoc::withJsonSuffix(const QString& path) {
  static const QString kSuffix = QStringLiteral(".json");
  return path.endsWith(kSuffix) ? path : path + kSuffix;
}

bool CTQ740confDoc::OnFileSave() {
  return save(false);
}

bool CTQ740confDoc::OnFileSaveAs() {
  return save(true);
}

bool CTQ740confDoc::save(bool askForName) {
  if (!formShown || !formShown()) {
    m_prompt.message("Nothing was saved: no device type is selected, so the form shows no configuration.",
                     MsgKind::Warning);
    return false;
  }
  const std::optional<Configuration> config = takeConfiguration ? takeConfiguration() : std::nullopt;
  if (!config) {
    m_prompt.message("The configuration was not saved: the fields marked on the form are invalid.",
                     MsgKind::Error);
    return false;
  }
  QString path = m_strPathName;
  if (path.isEmpty() || askForName) {
    const QString chosen = m_desktop.getSaveFileName(dialogParent, QStringLiteral("Save As"),
                                                     proposedFileName(QDate::currentDate()), kFileFilter);
    if (chosen.isEmpty()) return false;
    path = withJsonSuffix(chosen);
    // The dialog asked about the name it returned; the suffix may name
    // another file that exists.
    if (path != chosen && QFileInfo::exists(path) &&
        m_prompt.message(
            QFileInfo(path).fileName().toStdString() + " already exists.\nDo you want to replace it?",
            MsgKind::Question, true) != MsgAnswer::Yes)
      return false;
  }
  std::string why;
  if (!safe_file::write(nativeFromPath(path), config_json::write(*config), why)) {
    m_prompt.message("Cannot save the configuration to " + path.toStdString() + ": " + why, MsgKind::Error);
    return false;
  }
  setPathName(path);
  SetModifiedFlag(false);
  return true;
}
