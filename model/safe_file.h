#pragma once
// Reading and writing configuration files safely, for the window and
// tq740ctl alike: input is bounded and never blocks on a FIFO or device;
// output replaces a regular file atomically and never replaces anything else.

#include <cstddef>
#include <string>

namespace safe_file {

// Well above the largest real configuration (150 orders are about 25 KB).
constexpr std::size_t kMaxInputSize = 1024 * 1024;

// Reads a whole regular file of at most maxSize bytes (symbolic links are
// followed). Refuses, without opening it for long or blocking on it, a
// directory ("is a directory"), a FIFO, device or socket, and a larger
// file. why: one line with the reason (the system's, for a missing or
// unreadable file).
bool read(const std::string& path, std::string& text, std::string& why, std::size_t maxSize = kMaxInputSize);

// Writes the whole text or reports why not:
// - a regular file, or a new one, is replaced atomically through a uniquely
//   named temporary file in the same folder, keeping the file's mode;
// - a symbolic link is followed: its target is replaced and the link stays;
// - a device or FIFO is written directly, never replaced (a FIFO that no
//   process reads is refused instead of waiting);
// - a directory is refused ("is a directory");
// - a file the user may not write, or one whose mode allows nobody to write
//   it (write-protected, as chmod a-w leaves it), is refused with the
//   reason, never replaced.
// The temporary file is flushed to the disk before it takes the file's
// place, so that a power cut leaves the old file or the new one, never an
// empty one.
bool write(const std::string& path, const std::string& text, std::string& why);

// The call that flushes a written file to the disk (fsync on POSIX). Tests
// replace it to observe or fail it; nullptr restores the system's.
using SyncCall = int (*)(int fd);
void setSyncCallForTesting(SyncCall call);

}  // namespace safe_file
