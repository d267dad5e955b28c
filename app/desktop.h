#pragma once
// Desktop: the seam for everything modal or external besides message boxes:
// file dialogs and opening a document with the desktop's associated viewer.
// The Qt implementation shows real dialogs; tests record and answer.

#include <QDialog>
#include <QString>

class QWidget;

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Open dialog; returns the chosen path, or an empty string on Cancel.
  virtual QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialName,
                                  const QString& filter) = 0;
  // Save dialog that asks before overwriting; empty on Cancel.
  virtual QString getSaveFileName(QWidget* parent, const QString& title, const QString& initialName,
                                  const QString& filter) = 0;
  // Opens a document with the desktop's associated program; the result is
  // not relied on (offscreen and headless desktops cannot tell).
  virtual void openDocument(const QString& path) = 0;
  // Runs one of the program's own dialogs modally; returns its result code.
  virtual int execDialog(QDialog& dialog) { return dialog.exec(); }
};

// The real dialogs and QDesktopServices.
class QtDesktop : public Desktop {
 public:
  QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialName,
                          const QString& filter) override;
  QString getSaveFileName(QWidget* parent, const QString& title, const QString& initialName,
                          const QString& filter) override;
  void openDocument(const QString& path) override;
};
