#pragma once
// RecordingDesktop: a Desktop that records every dialog and every document
// it is asked to open, and answers the open dialog from a script.

#include <QString>
#include <QStringList>
#include <functional>

#include "app/desktop.h"

struct RecordedDialog {
  QString title;
  QString initialName;
  QString filter;
  int messagesBefore;  // message boxes shown before the dialog opened
};

class RecordingDesktop : public Desktop {
 public:
  // Counts the boxes shown so far, to tell whether a box came first.
  std::function<int()> messageCount = [] { return 0; };
  QString openAnswer;  // what the open dialog returns; empty is Cancel

  QString getOpenFileName(QWidget*, const QString& title, const QString& initialName,
                          const QString& filter) override {
    dialogs.push_back({title, initialName, filter, messageCount()});
    return openAnswer;
  }
  QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  void openDocument(const QString& path) override { opened << path; }

  std::vector<RecordedDialog> dialogs;
  QStringList opened;
};
