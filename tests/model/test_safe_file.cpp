// Files written and read safely: write-protected files are refused, the new
// text reaches the disk before it replaces the old, input is bounded, and
// each kind of path (link, FIFO, directory, device) gets what it should.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "model/safe_file.h"

namespace {

std::string contentOf(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class SafeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/tq-safe-file-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
  }
  void TearDown() override {
    safe_file::setSyncCallForTesting(nullptr);
    std::filesystem::remove_all(m_dir);
  }
  std::string file(const std::string& name, const std::string& text, mode_t mode = 0644) {
    const std::string path = m_dir + "/" + name;
    std::ofstream(path) << text;
    ::chmod(path.c_str(), mode);
    return path;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(m_dir)) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string m_dir;
};

TEST_F(SafeFile, WriteProtectedFilesAreRefusedNotReplaced) {
  const std::string plain = file("a.json", "old", 0444);
  ::symlink("a.json", (m_dir + "/link.json").c_str());
  for (const std::string& path : {plain, m_dir + "/link.json"}) {
    SCOPED_TRACE(path);
    std::string why;
    EXPECT_FALSE(safe_file::write(path, "new", why));
    EXPECT_EQ(why, "is write-protected (mode 0444); it was not replaced");
    EXPECT_EQ(contentOf(plain), "old");
  }
  EXPECT_EQ(names(), (std::vector<std::string>{"a.json", "link.json"}));  // no temporary left
  // Writable for its group only: still somebody's to write, and replaced
  // with its mode kept.
  const std::string shared = file("b.json", "old", 0464);
  std::string why;
  EXPECT_TRUE(safe_file::write(shared, "new", why)) << why;
  EXPECT_EQ(contentOf(shared), "new");
  struct stat st {};
  ASSERT_EQ(::stat(shared.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0464u);
}

// What the disk holds when the flush runs: the old file still in place, the
// new text complete in the file being flushed.
std::vector<std::string> g_seen;
std::string g_target;
int observingSync(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // The file is open for writing only: read it through its name.
    g_seen.push_back(contentOf("/proc/self/fd/" + std::to_string(fd)));
    g_seen.push_back(contentOf(g_target));
  }
  return 0;
}
int failingSync(int) {
  errno = EIO;
  return -1;
}

TEST_F(SafeFile, TheNewTextReachesTheDiskBeforeItReplacesTheOld) {
  const std::string path = file("a.json", "old");
  g_seen.clear();
  g_target = path;
  safe_file::setSyncCallForTesting(observingSync);
  std::string why;
  ASSERT_TRUE(safe_file::write(path, "new text", why)) << why;
  // The flushed file holds the new text while the old one is still there.
  ASSERT_EQ(g_seen, (std::vector<std::string>{"new text", "old"}));
  EXPECT_EQ(contentOf(path), "new text");

  // A flush that fails leaves the old file and no temporary file.
  safe_file::setSyncCallForTesting(failingSync);
  EXPECT_FALSE(safe_file::write(path, "newer", why));
  EXPECT_EQ(why, std::strerror(EIO));
  EXPECT_EQ(contentOf(path), "new text");
  EXPECT_EQ(names(), std::vector<std::string>{"a.json"});
}

TEST_F(SafeFile, InputIsBoundedAtTheLimit) {
  const std::size_t limit = safe_file::kMaxInputSize;
  EXPECT_EQ(limit, 1024u * 1024u);
  const std::string atLimit = file("at.json", std::string(limit, ' '));
  const std::string over = file("over.json", std::string(limit + 1, ' '));
  std::string text, why;
  EXPECT_TRUE(safe_file::read(atLimit, text, why)) << why;
  EXPECT_EQ(text.size(), limit);
  EXPECT_FALSE(safe_file::read(over, text, why));
  EXPECT_EQ(why, "is larger than 1024 KiB, which no configuration is");
}

// What each kind of path gets, on both sides: a symbolic link is followed
// and stays a link; a user's own ".tmp" beside the file is left alone; a FIFO
// nobody reads, a directory and anything but a regular file as input are
// refused with the reason, never waited on.
TEST_F(SafeFile, EachKindOfPathIsWrittenOrReadAsItShouldBe) {
  struct Case {
    const char* name;
    std::function<std::string()> make;  // the path, with whatever it needs
    bool writing;
    const char* why;
  };
  const Case cases[] = {
      {"FIFO that nobody reads",
       [&] {
         ::mkfifo((m_dir + "/fifo").c_str(), 0600);
         return m_dir + "/fifo";
       },
       true, "is a FIFO that no process reads"},
      {"directory as output", [&] { return m_dir; }, true, "is a directory"},
      {"directory as input", [&] { return m_dir; }, false, "is a directory"},
      {"FIFO as input",
       [&] {
         ::mkfifo((m_dir + "/in").c_str(), 0600);
         return m_dir + "/in";
       },
       false, "is not a regular file (a device, FIFO or socket)"},
      {"device as input", [] { return std::string("/dev/zero"); }, false,
       "is not a regular file (a device, FIFO or socket)"},
      {"missing input", [&] { return m_dir + "/none.json"; }, false, "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directory(m_dir);
    const std::string path = c.make();
    std::string text, why;
    const bool ok = c.writing ? safe_file::write(path, "new", why) : safe_file::read(path, text, why);
    EXPECT_FALSE(ok);
    EXPECT_EQ(why, c.why);
  }
  // A link is followed and stays a link; a user's .tmp beside the file is
  // left alone, and the file keeps its mode.
  std::filesystem::remove_all(m_dir);
  std::filesystem::create_directory(m_dir);
  std::string why;
  file("target.json", "old");
  ::symlink("target.json", (m_dir + "/link.json").c_str());
  ASSERT_TRUE(safe_file::write(m_dir + "/link.json", "new", why)) << why;
  EXPECT_TRUE(std::filesystem::is_symlink(m_dir + "/link.json"));
  EXPECT_EQ(contentOf(m_dir + "/target.json"), "new");
  file("backup.json.tmp", "mine");
  const std::string backup = file("backup.json", "old", 0640);
  ASSERT_TRUE(safe_file::write(backup, "new", why)) << why;
  EXPECT_EQ(contentOf(m_dir + "/backup.json.tmp"), "mine");
  struct stat st {};
  ASSERT_EQ(::stat(backup.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(names(),
            (std::vector<std::string>{"backup.json", "backup.json.tmp", "link.json", "target.json"}));
}

}  // namespace
