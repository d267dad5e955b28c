#pragma once
// ConsoleProgress: tq740ctl's progress line on standard error (only when it
// is a terminal), fed by the operations' observer. Interrupts are
// TransferInterrupts' business.

#include <ostream>
#include <string>

#include "ops/operation_observer.h"

class ConsoleProgress : public ops::OperationObserver {
 public:
  ConsoleProgress(std::ostream& err, bool show) : m_err(err), m_show(show) {}

  void progress(const std::string& step, int done, int total) override;

  // Ends an unfinished progress line, so that what follows starts on a line
  // of its own. Call before printing anything else to standard error.
  void endLine();

 private:
  std::ostream& m_err;
  bool m_show;
  bool m_lineOpen = false;
  std::size_t m_width = 0;
};
