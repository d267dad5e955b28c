// Files made to hurt the reader: deep nesting, huge texts, control
// characters, endless unknown keys. Each is refused with a short report that
// a terminal or a message box can show as it is, and with bounded memory.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <string>
#include <vector>

#include "model/configuration.h"
#include "model/configuration_json.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// A valid file whose first com1.parity line is replaced.
std::string validWith(const std::string& line) {
  std::string text = config_json::write(Configuration::fromImage(RegisterImage{}, 0));
  const std::size_t at = text.find("\"parity\"");
  const std::size_t end = text.find(',', at);
  EXPECT_NE(end, std::string::npos);
  return text.replace(at, end - at, line);
}

struct HostileCase {
  const char* name;
  std::string text;
  std::string said;  // a problem holds this
};

std::vector<HostileCase> hostileCases() {
  std::string manyKeys = "{";
  for (int i = 0; i < 50'000; ++i) manyKeys += "\"k" + std::to_string(i) + "\":1,";
  manyKeys.back() = '}';
  return {
      {"nested arrays", std::string(kMiB - 1, '['), "nested deeper than 8 levels"},
      {"nested objects",
       [] {
         std::string t;
         while (t.size() < kMiB - 8) t += "{\"a\":";
         return t;
       }(),
       "nested deeper than 8 levels"},
      {"long text value", validWith("\"parity\": \"" + std::string(900'000, 'x') + "\""),
       "com1.parity: \"xxxx"},
      {"long unknown key", validWith("\"" + std::string(900'000, 'k') + "\": 1"),
       "... (900000 bytes): unknown field"},
      {"control characters in a key", validWith(R"("parity": "8N2", "\u001b]0;owned\u0007\u001b[2J": 1)"),
       R"(com1.\u001b]0;owned\u0007\u001b[2J: unknown field)"},
      {"control characters in a value", validWith(R"("parity": "\u009b31m\u007f")"),
       R"("\u009b31m\u007f" is not one of)"},
      {"unterminated long text", "{\"a\": \"" + std::string(900'000, 'y'), "not valid JSON: "},
      {"many unknown keys", manyKeys, "... and "},
  };
}

TEST(HostileJson, RefusedWithShortSafeLines) {
  for (const HostileCase& c : hostileCases()) {
    SCOPED_TRACE(c.name);
    Configuration config;
    std::vector<std::string> problems;
    EXPECT_FALSE(config_json::read(c.text, config, problems));
    ASSERT_FALSE(problems.empty());
    EXPECT_LE(problems.size(), 21u);
    bool found = false;
    for (const std::string& p : problems) {
      found = found || p.find(c.said) != std::string::npos;
      EXPECT_LE(p.size(), 400u) << p.substr(0, 400);
      for (unsigned char ch : p) ASSERT_FALSE(ch < 0x20 || ch == 0x7F) << p.substr(0, 400);
      EXPECT_EQ(p.find("\xC2\x9B"), std::string::npos);
    }
    EXPECT_TRUE(found) << problems.front().substr(0, 400);
  }
}

#ifndef _WIN32
// The worst nesting within the size limit, read with its memory capped at
// 256 MiB: it must be refused, not run out of memory (the parse once kept a
// path for each of its levels, gigabytes for a file of brackets).
TEST(HostileJson, DeepNestingNeedsLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than the cap";
#endif
  const std::string texts[] = {std::string(kMiB, '['),
                               std::string(kMiB / 2, '[') + std::string(kMiB / 2, ']')};
  for (const std::string& text : texts) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const rlim_t cap = 256 * kMiB;
      rlimit limit{cap, cap};
      ::setrlimit(RLIMIT_AS, &limit);
      Configuration config;
      std::vector<std::string> problems;
      const bool ok = config_json::read(text, config, problems);
      ::_exit(!ok && problems.size() == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
}
#endif

}  // namespace
