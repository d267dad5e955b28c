#pragma once
// CTQ740confDoc: the document. Carries the configuration that the form
// shows to and from its file: its title, the path of that file, Save and
// the reading of a file for Open.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/command_router.h"
#include "model/configuration.h"

class UserPrompt;
class Desktop;
class QWidget;

class CTQ740confDoc : public QObject {
  Q_OBJECT

 public:
  // The filters of the open and save dialogs.
  static const QString kFileFilter;

  CTQ740confDoc(UserPrompt& prompt, Desktop& desktop, QObject* parent = nullptr);

  const QString& GetTitle() const { return m_strTitle; }
  void SetTitle(const QString& title);
  const QString& GetPathName() const { return m_strPathName; }

  // New document: no path, the default title.
  void OnNewDocument();
  // Reads the configuration file at path. A file of 0 bytes, as earlier
  // versions saved, is an empty document (config stays empty). A file that
  // cannot be read or is no valid configuration is refused with one box
  // listing its problems, and the document is left as it was.
  bool OnOpenDocument(const QString& path, std::optional<Configuration>& config);
  // Save (57603, 32772): the configuration that the form shows, after the
  // same field check as Write, as a configuration file; the Save As dialog
  // first while the document has no path.
  void OnFileSave();

  // The title cut before the first of space, '#', '%', ';', '/' and '\\':
  // the name the Save As dialog proposes.
  static QString proposedFileName(const QString& title);
  // Problem lines for a box: the first ten, then how many more there are.
  static std::string problemList(const std::vector<std::string>& lines);

  const CommandMap& commands() const { return m_commands; }

  // Set by the application: where dialogs are parented, who records saved
  // paths in the recent file list, whether a form is shown, and the form's
  // configuration after the Write check (nothing when a field fails; the
  // indicators show which).
  QWidget* dialogParent = nullptr;
  std::function<void(const QString&)> addToRecentFiles;
  std::function<bool()> formShown;
  std::function<std::optional<Configuration>()> takeConfiguration;

 signals:
  void titleChanged(const QString& title);

 private:
  void setPathName(const QString& path);

  UserPrompt& m_prompt;
  Desktop& m_desktop;
  QString m_strTitle;
  QString m_strPathName;
  CommandMap m_commands;
};
