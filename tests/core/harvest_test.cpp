// Shared routines of the harvest spine: JoinPath, RunAndWait and the throttled event pump.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "harvest/EventPump.h"
#include "harvest/Paths.h"

using namespace tessaly;

TEST(JoinPath, PutsExactlyOneSeparatorBetweenFolderAndName) {
  struct Case {
    const char* folder;
    const char* name;
    const char* joined;
  };
  for (const Case& c : {Case{"/home/ann", "intl.dat", "/home/ann/intl.dat"},
                        Case{"/home/ann/", "intl.dat", "/home/ann/intl.dat"},
                        Case{"/", "x", "/x"},
                        Case{"data", "sub/f", "data/sub/f"}}) {
    EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
  }
}

TEST(RunAndWait, ReturnsZeroOnceTheProcessHasEndedAndAnErrorCodeWhenItCannotStart) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndWait("sleep 0.2", 10), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_NE(RunAndWait("/no/such/program --flag", 10), 0);
}

TEST(RunAndWait, StopsWaitingWhenTheBoundRunsOutAndStillReportsAStart) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndWait("sleep 1", 10, 100), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
}

TEST(EventPump, RunsAtMostOncePerIntervalHoweverOftenAWalkYields) {
  int passes = 0;
  InstallEventPump([&] { ++passes; });
  const auto start = std::chrono::steady_clock::now();
  long calls = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(100)) {
    YieldToEventLoop();
    ++calls;
  }
  InstallEventPump({});
  EXPECT_GT(calls, 10000);
  EXPECT_GE(passes, 2);
  EXPECT_LE(passes, 100 / 15 + 2);
}

TEST(EventPump, DoesNotReenterItselfFromInsideThePump) {
  int depth = 0, maxDepth = 0;
  InstallEventPump([&] {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    YieldToEventLoopNow();
    --depth;
  });
  YieldToEventLoopNow();
  InstallEventPump({});
  EXPECT_EQ(maxDepth, 1);
}
