// The version line every program prints follows the project's version.

#include <gtest/gtest.h>

#include <string>

#include "model/version.h"

TEST(Version, LineNamesTheProjectVersion) {
  EXPECT_EQ(kVersionLine, "TQ740conf " + std::string(TQ_PROJECT_VERSION) + "\n");
}
