#pragma once
// OperationResult: how a device operation ended and which blocks of
// registers it wrote to the module before that.

#include <string>
#include <vector>

#include "model/register_map.h"

struct OperationResult {
  enum class Outcome {
    Done,      // ran to its success message
    Failed,    // a transaction or a check failed; its messages were shown
    Declined,  // the user answered No to a question
    Stopped,   // the observer asked it to stop between two transactions
  };
  Outcome outcome = Outcome::Failed;
  // Blocks the module confirmed, in the order they were written.
  std::vector<RegisterBlock> written;

  explicit operator bool() const { return outcome == Outcome::Done; }
  bool stopped() const { return outcome == Outcome::Stopped; }
  // "registers 4 to 14, registers 19 to 29, order records 1 to 12": what
  // written holds, for a report; "nothing" when it is empty.
  std::string writtenText() const;
};
