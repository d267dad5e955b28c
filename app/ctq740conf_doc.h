#pragma once
// CTQ740confDoc: the document. Carries the configuration that the form
// shows to and from its file: its title, the path of that file, whether the
// user changed it since it was last saved, read or written, Save, Save As,
// the question before unsaved changes are lost, and the reading of a file
// for Open.

#include <QDate>
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

  // The user changed a field or the order list since the last successful
  // read, Auto, write, Open, Save or New.
  bool IsModified() const { return m_bModified; }
  void SetModifiedFlag(bool modified);
  // "Save changes to NAME?" with Save, Discard and Cancel, when the document
  // is modified. True when the caller may go on: not modified, saved, or
  // discarded. False on Cancel, or when Save was cancelled or failed.
  bool SaveModified();
  // The form now holds another module's configuration: the next Save asks
  // for a name, so that the file opened before is not overwritten with it.
  void DetachFromFile();

  // New document: no path, the default title.
  void OnNewDocument();
  // Reads the configuration file at path. A file of 0 bytes, as earlier
  // versions saved, is an empty document (config stays empty). A file that
  // cannot be read or is no valid configuration is refused with one box
  // listing its problems, and the document is left as it was.
  bool OnOpenDocument(const QString& path, std::optional<Configuration>& config);
  // Save (57603, 32772): the configuration that the form shows, after the
  // same field check as Write, as a configuration file; the Save As dialog
  // first while the document has no path. True when the file was written.
  bool OnFileSave();
  // Save As (32803): always asks for a name.
  bool OnFileSaveAs();

  // The name the Save As dialog proposes: the open file's name, or the
  // product and the date ("TQ-740-0 2026-12-11.json").
  QString proposedFileName(const QDate& today) const;
  // The path with ".json" added unless it already ends in it, so that Open's
  // default filter lists every file that Save wrote.
  static QString withJsonSuffix(const QString& path);
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
  void modifiedChanged(bool modified);

 private:
  void setPathName(const QString& path);
  bool save(bool askForName);

  UserPrompt& m_prompt;
  Desktop& m_desktop;
  QString m_strTitle;
  QString m_strPathName;
  bool m_bModified = false;
  CommandMap m_commands;
};
