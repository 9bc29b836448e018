// tessaly-harvest: collects the e-mail addresses of files and folders, on the core only.
#include <cstdio>
#include <string_view>
#include <vector>

#include "Harvest.h"
#include "HarvestOptions.h"

int main(int argc, char* argv[]) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  THarvestOptions options;
  const std::string error = ParseHarvestArguments(args, options);
  if (!error.empty()) {
    std::fprintf(stderr, "tessaly-harvest: %s\nTry 'tessaly-harvest --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(HarvestUsage().c_str(), stdout);
    return 0;
  }
  return RunHarvest(options);
}
