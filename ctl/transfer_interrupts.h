#pragma once
// TransferInterrupts: every signal that can end tq740ctl while it reads or
// writes the module (SIGINT, SIGTERM, SIGHUP, SIGQUIT; on Windows Ctrl+C,
// Ctrl+Break and the console closing). The handlers only count; the
// operation asks between two transactions, so that no transaction is cut
// off. A read stops at the first interrupt. A write that has not sent its
// first block yet stops there with nothing written; one that has is finished
// after the first interrupt, so that the module is not left with a mix of old
// and new blocks (the order count travels in the block before the records),
// and stops at the second. Progress passes on to the console. The previous
// handlers come back when the object goes.

#include <csignal>
#include <functional>
#include <string>

#include "ops/operation_observer.h"

class TransferInterrupts : public ops::OperationObserver {
 public:
  enum class Transfer { Read, Write };

  // say prints one line on standard error (after ending the progress line).
  TransferInterrupts(Transfer transfer, ops::OperationObserver& progress,
                     std::function<void(const std::string&)> say);
  ~TransferInterrupts() override;
  TransferInterrupts(const TransferInterrupts&) = delete;
  TransferInterrupts& operator=(const TransferInterrupts&) = delete;

  void progress(const std::string& step, int done, int total) override;
  bool stopRequested() override;
  bool stopBeforeWriting() override;

  // An interrupt arrived while the object was there.
  bool interrupted() const;

  // The signals that interrupt a transfer (POSIX).
  static constexpr int kSignals[] = {
      SIGINT,
      SIGTERM,
#ifndef _WIN32
      SIGHUP,
      SIGQUIT,
#endif
  };
  static constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

 private:
  Transfer m_transfer;
  ops::OperationObserver& m_progress;
  std::function<void(const std::string&)> m_say;
  int m_done = 0, m_total = 0;
  bool m_writing = false;  // the write has passed the point of its first block
  bool m_finishingSaid = false;
#ifdef _WIN32
  using Handler = void (*)(int);
  Handler m_old[kSignalCount] = {};
#else
  struct sigaction m_old[kSignalCount] {};
#endif
};

// For the whole run of tq740ctl: a reader that goes away (SIGPIPE) must not
// end the program in the middle of a transfer. Every write to standard
// output or to the trace is checked instead.
void ignoreBrokenPipes();
