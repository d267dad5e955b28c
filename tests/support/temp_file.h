#pragma once
// A new, empty, uniquely named file in the system's temporary folder, for
// tests that need a real path; the caller removes it.

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cstdlib>
#endif

inline std::string makeTempFile(const char* prefix) {
#ifdef _WIN32
  char folder[MAX_PATH + 1] = {};
  char path[MAX_PATH + 1] = {};
  if (::GetTempPathA(sizeof folder, folder) == 0 || ::GetTempFileNameA(folder, prefix, 0, path) == 0)
    return {};
  return path;
#else
  std::string path = std::string("/tmp/") + prefix + "-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return {};
  ::close(fd);
  return path;
#endif
}
