// The harvester's command line. Options are rows of one table: a later option is one more
// row and one more field of THarvestOptions, and the parser and --help follow on their own.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

struct THarvestOptions {
  bool keepDuplicates = false;
  bool help = false;
  // Files and folders, in the order given.
  std::vector<std::string> inputs;
};

struct TOptionRow {
  std::string_view longName;   // without the leading "--"
  char shortName;              // 0 when there is none
  std::string_view valueName;  // empty when the option takes no value
  std::string_view help;
  void (*apply)(THarvestOptions& options, std::string_view value);
};

std::span<const TOptionRow> HarvestOptionTable();

// Fills options from the arguments (without the program name). Returns an empty text when
// they are good, otherwise what is wrong with them.
std::string ParseHarvestArguments(std::span<const std::string_view> args, THarvestOptions& options);

std::string HarvestUsage();
