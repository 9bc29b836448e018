// The Outlook reader over data files, end to end: every pass opens the files and reads
// every folder of every store, as the command-line harvester does. Repeats whole passes
// until the time asked for has passed, then prints the rate.
//
//   outlook_bench SECONDS FILE...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "outlook/DataFileHarvest.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s SECONDS FILE...\n", argv[0]);
    return 2;
  }
  const double seconds = std::atof(argv[1]);
  const std::vector<std::string> files(argv + 2, argv + argc);
  unsigned long long addresses = 0;
  const tessaly::TOnAddress count = [&](void*, std::string_view, std::string_view, std::uint8_t,
                                        int) { ++addresses; };

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  unsigned long long passes = 0, messages = 0, perPass = 0;
  double elapsed = 0;
  do {
    const tessaly::TDataFileHarvestResult result =
        tessaly::HarvestDataFiles(files, tessaly::TDataFileHarvestOptions{}, count);
    if (!result.problems.empty()) {
      std::fprintf(stderr, "%s\n", result.problems.front().c_str());
      return 1;
    }
    perPass = result.items;
    messages += result.items;
    ++passes;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  std::printf(
      "passes=%llu messages_per_pass=%llu messages=%llu addresses=%llu seconds=%.3f "
      "messages_per_second=%.0f\n",
      passes, perPass, messages, addresses, elapsed, messages / elapsed);
  return 0;
}
