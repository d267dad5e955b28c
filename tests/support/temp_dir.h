#pragma once
// A new folder of its own under the system's temporary folder, removed with
// everything in it when the object goes. Its name is unique to the run, so
// that two runs, or two users, never share a path.

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "tq740conf-test") {
    std::random_device random;
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
      const std::filesystem::path p = base / (prefix + "-" + std::to_string(random()));
      // create_directory is false for a folder that was there already.
      if (std::filesystem::create_directory(p, ec)) m_path = p.string();
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool ok() const { return !m_path.empty(); }
  const std::string& path() const { return m_path; }
  // A path inside the folder.
  std::string file(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};
