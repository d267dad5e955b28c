#include "model/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <fstream>
#include <sstream>
#endif

namespace safe_file {
namespace {

std::string tooLarge(std::size_t maxSize) {
  return "is larger than " + std::to_string(maxSize / 1024) + " KiB, which no configuration is";
}

// A name for the temporary file beside the target that no other writer
// (and no file a user keeps) is likely to have; creation is exclusive anyway.
std::string temporaryName(const std::string& target, unsigned attempt) {
  static std::mt19937_64 random{std::random_device{}()};
  const std::filesystem::path p(target);
  const std::filesystem::path dir = p.has_parent_path() ? p.parent_path() : std::filesystem::path(".");
  return (dir / ("." + p.filename().string() + ".tmp-" + std::to_string(random() % 1000000000ULL) + "-" +
                 std::to_string(attempt)))
      .string();
}

}  // namespace

#ifndef _WIN32

namespace {

SyncCall g_sync = nullptr;
int syncToDisk(int fd) {
  return g_sync ? g_sync(fd) : ::fsync(fd);
}

std::string reason(int error) {
  return std::strerror(error);
}

bool writeAll(int fd, const std::string& text, std::string& why) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = reason(n < 0 ? errno : EIO);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A device or FIFO: written in place, never replaced.
bool writeDirect(const std::string& path, bool fifo, const std::string& text, std::string& why) {
  // Non-blocking open: a FIFO without a reader fails at once (ENXIO).
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    why = fifo && errno == ENXIO ? "is a FIFO that no process reads" : reason(errno);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  bool ok = writeAll(fd, text, why);
  if (::close(fd) != 0 && ok) {
    why = reason(errno);
    ok = false;
  }
  return ok;
}

bool replaceAtomically(const std::string& target, const struct stat* existing, const std::string& text,
                       std::string& why) {
  std::string temp;
  int fd = -1;
  for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = temporaryName(target, attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      why = "cannot create a temporary file beside it: " + reason(errno);
      return false;
    }
  }
  if (fd < 0) {
    why = "cannot create a temporary file beside it";
    return false;
  }
  bool ok = true;
  if (existing && ::fchmod(fd, existing->st_mode & 07777) != 0) {
    why = reason(errno);
    ok = false;
  }
  ok = ok && writeAll(fd, text, why);
  if (ok && syncToDisk(fd) != 0) {
    why = reason(errno);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    why = reason(errno);
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    why = reason(errno);
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with its folder.
  const std::filesystem::path folder = std::filesystem::path(temp).parent_path();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    syncToDisk(dir);
    ::close(dir);
  }
  return true;
}

// Refuses a regular file that the user may not write, or that its mode
// protects from everyone (root may write anything, but a file made
// read-only was made so on purpose).
bool writable(const std::string& path, const struct stat& st, std::string& why) {
  if (::access(path.c_str(), W_OK) != 0) {
    why = reason(errno) + "; it was not replaced";
    return false;
  }
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    why = std::string("is write-protected (mode ") + mode + "); it was not replaced";
    return false;
  }
  return true;
}

}  // namespace

bool read(const std::string& path, std::string& text, std::string& why, std::size_t maxSize) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    why = reason(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    why = "is a directory";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "is not a regular file (a device, FIFO or socket)";
    return false;
  }
  if (static_cast<std::size_t>(st.st_size) > maxSize) {
    why = tooLarge(maxSize);
    return false;
  }
  // Non-blocking, should the path have become a FIFO since.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    why = reason(errno);
    return false;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    why = "is not a regular file (a device, FIFO or socket)";
    return false;
  }
  std::string data;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = reason(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data.append(buf, static_cast<std::size_t>(n));
    if (data.size() > maxSize) {
      why = tooLarge(maxSize);
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  text = std::move(data);
  return true;
}

bool write(const std::string& path, const std::string& text, std::string& why) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      why = reason(errno);
      return false;
    }
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0) {
      why = "is a symbolic link to nothing";
      return false;
    }
    return replaceAtomically(path, nullptr, text, why);
  }
  if (S_ISDIR(st.st_mode)) {
    why = "is a directory";
    return false;
  }
  if (!S_ISREG(st.st_mode)) return writeDirect(path, S_ISFIFO(st.st_mode), text, why);
  // A link is followed: the file it names is replaced, the link stays.
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::canonical(path, ec);
  if (ec) {
    why = ec.message();
    return false;
  }
  if (!writable(target.string(), st, why)) return false;
  return replaceAtomically(target.string(), &st, text, why);
}

void setSyncCallForTesting(SyncCall call) {
  g_sync = call;
}

#else  // Windows: no FIFOs; devices are refused rather than replaced.

bool read(const std::string& path, std::string& text, std::string& why, std::size_t maxSize) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    why = ec ? ec.message() : "No such file or directory";
    return false;
  }
  if (std::filesystem::is_directory(status)) {
    why = "is a directory";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    why = "is not a regular file";
    return false;
  }
  if (std::filesystem::file_size(path, ec) > maxSize) {
    why = tooLarge(maxSize);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  if (!in || !(s << in.rdbuf())) {
    why = std::strerror(errno);
    return false;
  }
  text = s.str();
  return true;
}

bool write(const std::string& path, const std::string& text, std::string& why) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (std::filesystem::is_directory(status)) {
    why = "is a directory";
    return false;
  }
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    why = "is not a regular file";
    return false;
  }
  // The read-only attribute: nobody may write the file.
  if (std::filesystem::exists(status) &&
      (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
    why = "is write-protected (read-only); it was not replaced";
    return false;
  }
  const std::string temp = temporaryName(path, 0);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !(out << text) || !out.flush()) {
      why = std::strerror(errno);
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    why = ec.message();
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

void setSyncCallForTesting(SyncCall) {}

#endif

}  // namespace safe_file
