// The harvester's command line. Options are rows of one table: a later option is one more
// row and one more field of THarvestOptions, and the parser and --help follow on their own.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// One thing to harvest, in the order given: the first report of an address wins, so the
// order decides which name and field an address keeps.
struct THarvestSource {
  enum class TKind {
    File,            // a file or a folder, scanned as bytes
    OutlookExpress,  // --oe: a store folder or one folder file
    DataFile,        // --pst: an Outlook data file
  };
  TKind kind = TKind::File;
  std::string path;
};

struct THarvestOptions {
  bool keepDuplicates = false;
  bool help = false;
  // The Save As layout, 1 to 7; 0 when none was asked for.
  int layout = 0;
  // Where the layout goes; "-" and "/dev/stdout" are standard output. Empty: standard output.
  std::string output;
  // Wildcard patterns, deleted in the order given once the harvest is over.
  std::vector<std::string> deletePatterns;
  // The folder files of --oe also scanned as raw bytes, for the addresses in the bodies.
  bool oeBodyScan = true;
  // What --pst collects.
  bool dataFileBody = false;
  bool dataFileFrom = true;
  bool dataFileTo = true;
  std::vector<THarvestSource> sources;
};

struct TOptionRow {
  std::string_view longName;   // without the leading "--"
  char shortName;              // 0 when there is none
  std::string_view valueName;  // empty when the option takes no value
  std::string_view help;
  // Returns an empty text when the value is good, otherwise what is wrong with it.
  std::string (*apply)(THarvestOptions& options, std::string_view value);
};

std::span<const TOptionRow> HarvestOptionTable();

// Fills options from the arguments (without the program name). Returns an empty text when
// they are good, otherwise what is wrong with them.
std::string ParseHarvestArguments(std::span<const std::string_view> args, THarvestOptions& options);

std::string HarvestUsage();
