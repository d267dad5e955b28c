#pragma once
// OperationObserver: receives a device operation's progress and may ask it to
// stop between two transactions.
#include <string>
namespace ops {
class OperationObserver {
 public:
  virtual ~OperationObserver() = default;
  // Before each transaction: the step ("Reading parameters", "Reading master orders 37 / 150",
  // "Writing master orders 12 / 150", ...) and the position within the whole operation.
  virtual void progress(const std::string& step, int done, int total) {
    (void)step;
    (void)done;
    (void)total;
  }
  // Asked between transactions; true ends the operation there (reported as stopped, not failed
  // silently: the operation's result says which blocks were completed).
  virtual bool stopRequested() { return false; }
  // Asked once by a write, after every step that comes before its first
  // block (identity read, check, questions) and right before that block:
  // true ends the write there with nothing written. Any request to stop
  // counts here, also one that stopRequested() would let the write finish.
  virtual bool stopBeforeWriting() { return stopRequested(); }
};
}  // namespace ops
