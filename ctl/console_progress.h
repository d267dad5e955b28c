#pragma once
// ConsoleProgress: tq740ctl's progress line on standard error (only when it
// is a terminal), fed by the operations' observer, and the stop request
// that ends an operation between two transactions.

#include <atomic>
#include <ostream>
#include <string>

#include "ops/operation_observer.h"

class ConsoleProgress : public ops::OperationObserver {
 public:
  ConsoleProgress(std::ostream& err, bool show) : m_err(err), m_show(show) {}

  void progress(const std::string& step, int done, int total) override;
  bool stopRequested() override { return m_stop.load(); }

  // Ends an unfinished progress line, so that what follows starts on a line
  // of its own. Call before printing anything else to standard error.
  void endLine();
  // Safe from a signal handler.
  void requestStop() { m_stop.store(true); }

 private:
  std::ostream& m_err;
  bool m_show;
  bool m_lineOpen = false;
  std::size_t m_width = 0;
  std::atomic<bool> m_stop{false};
};
