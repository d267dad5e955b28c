#pragma once
// openLogFile: the one way the programs open a trace (--trace) or a frame
// log (tq740-sim --log) for appending. A regular file is created or appended
// to, a terminal or another character device (/dev/null) is written as it
// is. A FIFO, a socket, a directory or a block device is refused at once,
// without waiting for a reader. The target is tried with an empty write, so
// that one that takes nothing (/dev/full) is refused at the start rather
// than losing the trace silently.

#include <memory>
#include <ostream>
#include <string>

// "-" is not handled here (callers use standard error for it). why: the
// reason in one line when the result is null.
std::unique_ptr<std::ostream> openLogFile(const std::string& path, std::string& why);
