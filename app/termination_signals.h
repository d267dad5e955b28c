#pragma once
// TerminationSignals: the signals that end the window's program from outside
// (SIGINT, SIGTERM, SIGHUP: Ctrl+C in the launching terminal, a shutdown,
// logging out or closing that terminal). The handler only writes the
// signal's number into a pipe; a QSocketNotifier reads it in the event loop
// and reports it, where the window treats it like a close: held until a
// running operation has ended. SIGPIPE is ignored for the whole program, so
// that a trace reader that goes away cannot cut a transfer off; failed
// writes are reported instead. The previous handlers come back when the
// object goes. On Windows it does nothing.

#include <QObject>
#include <memory>

class QSocketNotifier;

class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  // False when the pipe or the notifier could not be made (the signals then
  // keep their previous handling).
  bool active() const { return m_notifier != nullptr; }

 signals:
  // One of the signals arrived (its number); emitted from the event loop.
  void requested(int signal);

 private:
  void readPipe();
  QSocketNotifier* m_notifier = nullptr;
  struct Saved;
  std::unique_ptr<Saved> m_saved;
};
