#include "HarvestOptions.h"

#include <array>

namespace {

constexpr std::array<TOptionRow, 2> kOptions = {{
    {"keep-duplicates",
     0,
     {},
     "keep every address found, also those already in the list",
     [](THarvestOptions& o, std::string_view) { o.keepDuplicates = true; }},
    {"help",
     'h',
     {},
     "show this help and exit",
     [](THarvestOptions& o, std::string_view) { o.help = true; }},
}};

const TOptionRow* FindLong(std::string_view name) {
  for (const TOptionRow& o : kOptions)
    if (o.longName == name) return &o;
  return nullptr;
}

const TOptionRow* FindShort(char name) {
  for (const TOptionRow& o : kOptions)
    if (o.shortName != 0 && o.shortName == name) return &o;
  return nullptr;
}

}  // namespace

std::span<const TOptionRow> HarvestOptionTable() {
  return kOptions;
}

std::string ParseHarvestArguments(std::span<const std::string_view> args,
                                  THarvestOptions& options) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.inputs.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const TOptionRow* row = nullptr;
    std::string shown;
    std::string_view value;
    bool hasValue = false;
    if (arg[1] == '-') {
      std::string_view name = arg.substr(2);
      if (const auto eq = name.find('='); eq != std::string_view::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        hasValue = true;
      }
      row = FindLong(name);
      shown = "--" + std::string(name);
    } else {
      row = FindShort(arg[1]);
      shown = std::string(arg.substr(0, 2));
      if (arg.size() > 2) {
        value = arg.substr(2);
        hasValue = true;
      }
    }
    if (!row) return "unknown option '" + shown + "'";
    if (row->valueName.empty()) {
      if (hasValue) return "option '" + shown + "' takes no value";
    } else if (!hasValue) {
      if (i + 1 >= args.size()) return "option '" + shown + "' needs a value";
      value = args[++i];
    }
    row->apply(options, value);
  }
  if (!options.help && options.inputs.empty()) return "no file or folder given";
  return {};
}

std::string HarvestUsage() {
  std::string text =
      "Usage: tessaly-harvest [OPTION]... FILE_OR_FOLDER...\n"
      "Collect the e-mail addresses found in files and print the list, one address a line,\n"
      "in address order ignoring letter case. A file is scanned whole, as bytes; a folder\n"
      "has each of its files scanned (not those of its subfolders).\n"
      "Addresses already in the list (in any letter case) are left out.\n\nOptions:\n";
  for (const TOptionRow& o : kOptions) {
    std::string left = "  ";
    left += o.shortName ? std::string("-") + o.shortName + ", " : std::string("    ");
    left += "--" + std::string(o.longName);
    if (!o.valueName.empty()) left += "=" + std::string(o.valueName);
    if (left.size() < 26) left.resize(26, ' ');
    text += left + " " + std::string(o.help) + "\n";
  }
  text +=
      "\nExit status: 0 when the list was made (files that cannot be read are reported on\n"
      "standard error and passed over), 1 when it could not be made or written, 2 on bad\n"
      "usage.\n";
  return text;
}
