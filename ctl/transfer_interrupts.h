#pragma once
// TransferInterrupts: SIGINT and SIGTERM while tq740ctl reads or writes the
// module. The handlers only count; the operation asks between two
// transactions, so that no transaction is cut off. A read stops at the first
// interrupt. A write is finished after the first, so that the module is not
// left with a mix of old and new blocks (the order count travels in the
// block before the records), and stops at the second. Progress passes on to
// the console. The previous handlers come back when the object goes.

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

  // An interrupt arrived while the object was there.
  bool interrupted() const;

 private:
  Transfer m_transfer;
  ops::OperationObserver& m_progress;
  std::function<void(const std::string&)> m_say;
  int m_done = 0, m_total = 0;
  bool m_finishingSaid = false;
#ifdef _WIN32
  using Handler = void (*)(int);
  Handler m_oldInt = SIG_DFL;
  Handler m_oldTerm = SIG_DFL;
#else
  struct sigaction m_oldInt {};
  struct sigaction m_oldTerm {};
#endif
};
