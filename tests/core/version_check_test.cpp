// Comparing versions and reading the server's reply.
#include <gtest/gtest.h>

#include "version/VersionCheck.h"

using namespace tessaly;

TEST(CompareVersions, ComparesUpToFourNumericFields) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  };
  for (const Case& c : {Case{"2.3", "2.2.0.5", 1}, Case{"2.2.0.5", "2.2.0.5", 0},
                        Case{"2.10", "2.9", 1}, Case{"2.9", "2.10", -1},
                        Case{"2.2.0.5.1", "2.2.0.5", 0}, Case{"2.2", "2.2.0.0", 0},
                        Case{"abc", "0", 0}, Case{"", "0.0.0.1", -1}, Case{"2.x.1", "2.0.1", 0},
                        Case{"\"2.3\".1", "0.1", 0}, Case{"3", "2.99.99.99", 1}}) {
    EXPECT_EQ(CompareVersions(c.a, c.b), c.result) << c.a << " vs " << c.b;
  }
}

TEST(VersionFromReply, TakesTheTextAfterTheMarkerUpToTheNextBar) {
  struct Case {
    const char* reply;
    bool found;
    const char* version;
  };
  for (const Case& c : {Case{"ok|version=2.3|end", true, "2.3"}, Case{"|version=2.3", true, "2.3"},
                        Case{"|Version=2.3", false, ""}, Case{"", false, ""},
                        Case{"|version=\"2|3\"|x", true, "\"2|3\""},
                        Case{"a|version=|b", true, ""}}) {
    std::string v;
    EXPECT_EQ(VersionFromReply(c.reply, v), c.found) << c.reply;
    if (c.found) {
      EXPECT_EQ(v, c.version) << c.reply;
    }
  }
}

TEST(VersionQuery, PutsTheValuesInAsTheyAre) {
  EXPECT_EQ(VersionQuery("2.2.0.5", "10.0.0.7"), "V=2.2.0.5&I=10.0.0.7");
  EXPECT_EQ(VersionQuery("2.2.0.5", ""), "V=2.2.0.5&I=");
}

TEST(LocalIPAddress, IsEmptyOrADottedAddress) {
  const std::string a = LocalIPAddress();
  if (!a.empty()) {
    EXPECT_NE(a.find_first_of(".:"), std::string::npos) << a;
  }
}
