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
};
}  // namespace ops
