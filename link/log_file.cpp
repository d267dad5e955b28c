#include "link/log_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <streambuf>
#endif

namespace {
#ifndef _WIN32
// An output stream buffer over a descriptor it owns, written straight
// through: a trace line is on its way the moment it is complete.
class FdBuf : public std::streambuf {
 public:
  explicit FdBuf(int fd) : m_fd(fd) { setp(m_buf, m_buf + sizeof m_buf); }
  ~FdBuf() override {
    sync();
    ::close(m_fd);
  }

 protected:
  int_type overflow(int_type c) override {
    if (flush() != 0) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return flush(); }

 private:
  int flush() {
    const char* p = pbase();
    while (p < pptr()) {
      const ssize_t n = ::write(m_fd, p, static_cast<std::size_t>(pptr() - p));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        setp(m_buf, m_buf + sizeof m_buf);  // dropped: the stream reports the failure
        return -1;
      }
      p += n;
    }
    setp(m_buf, m_buf + sizeof m_buf);
    return 0;
  }
  int m_fd;
  char m_buf[4096];
};

class FdStream : public std::ostream {
 public:
  explicit FdStream(int fd) : std::ostream(nullptr), m_buf(fd) { rdbuf(&m_buf); }

 private:
  FdBuf m_buf;
};
#endif
}  // namespace

std::unique_ptr<std::ostream> openLogFile(const std::string& path, std::string& why) {
#ifndef _WIN32
  // Non-blocking, so that a FIFO without a reader fails at once (ENXIO)
  // instead of waiting for one; a FIFO with a reader is refused below.
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = errno == ENXIO ? "is a FIFO; a trace or log must be a file or a terminal" : std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
    why = S_ISFIFO(st.st_mode) ? "is a FIFO; a trace or log must be a file or a terminal"
                               : "is not a regular file or a terminal";
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  // A device that takes nothing (/dev/full) fails now, not in the middle of
  // a transfer: one line break shows it.
  if (S_ISCHR(st.st_mode) && ::write(fd, "\n", 1) < 0) {
    why = std::strerror(errno);
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FdStream>(fd);
#else
  errno = 0;
  auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::app);
  if (!*file) {
    why = errno ? std::strerror(errno) : "cannot be opened for writing";
    return nullptr;
  }
  return file;
#endif
}
