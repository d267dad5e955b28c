// The message table: one entry per number, and every number written at one
// place of the program, so that a text is found where its number is used.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "link/messages.h"
#include "link/modbus_frames.h"

namespace {

bool isTransactionNumber(int n) {
  return (n >= 6 && n <= 15) || (n >= 37 && n <= 47);
}

TEST(Messages, TableHasOneEntryPerNumberInOrder) {
  int previous = 0;
  for (const Message& m : kMessageTable) {
    EXPECT_GT(m.number, previous) << m.number;
    previous = m.number;
    EXPECT_FALSE(m.text.empty()) << m.number;
    EXPECT_EQ(findMessage(m.number), &m);
    EXPECT_EQ(m.defaultNo, m.number == 50 || m.number == 52) << m.number;
  }
  EXPECT_EQ(findMessage(16), nullptr);
  EXPECT_EQ(messageOf(65).full("\nID=7"), "message 65\n\nUnknown device\nID=7");
  EXPECT_STREQ(transactionMessage(16), "");
  EXPECT_STREQ(transactionMessage(57), "");
}

// Each number other than the transaction judges' is named by messageOf() at
// exactly one place of the program's folders, and no text of the form
// "message N" is written out anywhere else.
TEST(Messages, EachNumberIsUsedAtOnePlace) {
  std::map<int, std::vector<std::string>> uses;
  const std::regex named(R"(messageOf\((\d+)\))");
  const std::regex spelled(R"("message \d+)");
  for (const char* folder : {"app", "form", "help", "link", "model", "ops", "ctl", "sim"}) {
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(TQ_SOURCE_DIR) + "/" + folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      const std::string s = text.str();
      const std::string where = entry.path().lexically_relative(TQ_SOURCE_DIR).string();
      for (auto it = std::sregex_iterator(s.begin(), s.end(), named); it != std::sregex_iterator(); ++it)
        uses[std::stoi((*it)[1])].push_back(where);
      EXPECT_FALSE(std::regex_search(s, spelled)) << where << " spells out a numbered message";
    }
  }
  for (const Message& m : kMessageTable) {
    const std::size_t expected = isTransactionNumber(m.number) ? 0 : 1;
    EXPECT_EQ(uses[m.number].size(), expected)
        << "message " << m.number << " in " << ::testing::PrintToString(uses[m.number]);
  }
}

}  // namespace
