#pragma once
// RecordingDesktop: a Desktop that records every file dialog, every dialog of
// the program's own and every document it is asked to open. The file dialogs
// take their answers from a queue (none left: Cancel); the program's dialogs
// are driven by onDialog (without it: cancelled), so no test waits on a modal
// window.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "app/desktop.h"

class RecordingDesktop : public Desktop {
 public:
  struct Dialog {
    QString kind;  // "open", "save" or "dialog"
    QString title, initialName, filter;
    int messagesBefore = 0;  // message boxes shown before the dialog opened
  };

  QString getOpenFileName(QWidget*, const QString& title, const QString& initialName,
                          const QString& filter) override {
    return fileDialog(QStringLiteral("open"), title, initialName, filter);
  }
  QString getSaveFileName(QWidget*, const QString& title, const QString& initialName,
                          const QString& filter) override {
    return fileDialog(QStringLiteral("save"), title, initialName, filter);
  }
  void openDocument(const QString& path) override { opened.push_back(path); }
  int execDialog(QDialog& dialog) override {
    dialogs.push_back({QStringLiteral("dialog"), dialog.windowTitle(), {}, {}, messageCount()});
    return onDialog ? onDialog(dialog) : int(QDialog::Rejected);
  }

  std::deque<QString> answers;  // the file dialogs' answers in order
  std::function<int(QDialog&)> onDialog;
  // Counts the boxes shown so far, to tell whether a box came first.
  std::function<int()> messageCount = [] { return 0; };

  std::vector<Dialog> dialogs;
  QStringList opened;

 private:
  QString fileDialog(const QString& kind, const QString& title, const QString& initialName,
                     const QString& filter) {
    dialogs.push_back({kind, title, initialName, filter, messageCount()});
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
  }
};
