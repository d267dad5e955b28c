#pragma once
// FormChangeWatch: tells the user's changes to the configuration on the form
// from the program's own. It listens only to what the user alone does (a
// choice made in a drop-down, text typed into a number edit, the order
// list's Add, Insert, Modify and Delete) and reports a change when the
// configuration that the form shows then differs from what it last saw.
// The view calls resync() after filling or clearing the form itself.

#include <QObject>
#include <QStringList>

class FormPage;

class FormChangeWatch : public QObject {
  Q_OBJECT

 public:
  explicit FormChangeWatch(FormPage& page, QObject* parent = nullptr);

  // The form as it stands now is the program's doing, not the user's.
  void resync();

 signals:
  void userChanged();

 private:
  void check();
  QStringList snapshot() const;

  FormPage& m_page;
  QStringList m_seen;
};
