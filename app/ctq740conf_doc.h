#pragma once
// CTQ740confDoc: the document. It holds no data of its own, only its title
// and the path of the file it was opened from or saved to.

#include <QObject>
#include <QString>
#include <functional>

#include "app/command_router.h"

class UserPrompt;
class Desktop;
class QWidget;

class CTQ740confDoc : public QObject {
  Q_OBJECT

 public:
  CTQ740confDoc(UserPrompt& prompt, Desktop& desktop, QObject* parent = nullptr);

  const QString& GetTitle() const { return m_strTitle; }
  void SetTitle(const QString& title);
  const QString& GetPathName() const { return m_strPathName; }

  // New document: no path, the default title.
  void OnNewDocument();
  // Checks that path can be opened for reading (nothing is read). On failure
  // shows an error box and leaves the document as it was.
  bool OnOpenDocument(const QString& path);
  // Save (57603). The program has nothing to store, so Save creates an empty
  // file. It never empties a file that holds data: a document whose file has
  // content goes through the Save As dialog, and a chosen file that has
  // content is refused with a warning and left unchanged.
  void OnFileSave();

  // The title cut before the first of space, '#', '%', ';', '/' and '\\':
  // the name the Save As dialog proposes.
  static QString proposedFileName(const QString& title);

  const CommandMap& commands() const { return m_commands; }

  // Where dialogs are parented, and who records saved paths in the recent
  // file list (set by the application).
  QWidget* dialogParent = nullptr;
  std::function<void(const QString&)> addToRecentFiles;

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
