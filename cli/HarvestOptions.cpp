#include "HarvestOptions.h"

#include <array>

#include "Shared/AddressList.h"
#include "list/SaveLayouts.h"
#include "list/WildMatcher.h"

namespace {

using Source = THarvestSource::TKind;

std::string AddSource(THarvestOptions& o, Source kind, std::string_view path) {
  if (path.empty()) return "an empty name is no file or folder";
  o.sources.push_back({kind, std::string(path)});
  return {};
}

constexpr std::array<TOptionRow, 11> kOptions = {{
    {"keep-duplicates",
     0,
     {},
     "keep every address found, also those already in the list",
     [](THarvestOptions& o, std::string_view) -> std::string {
       o.keepDuplicates = true;
       return {};
     }},
    {"oe", 0, "PATH", "read an Outlook Express store folder (its *.dbx files) or one folder file",
     [](THarvestOptions& o, std::string_view v) {
       return AddSource(o, Source::OutlookExpress, v);
     }},
    {"no-body-scan",
     0,
     {},
     "with --oe: the message headers only, no raw scan of the folder files",
     [](THarvestOptions& o, std::string_view) -> std::string {
       o.oeBodyScan = false;
       return {};
     }},
    {"pst", 0, "FILE", "read every folder of an Outlook data file (PST or OST)",
     [](THarvestOptions& o, std::string_view v) { return AddSource(o, Source::DataFile, v); }},
    {"body",
     0,
     {},
     "with --pst: also the addresses in the message text",
     [](THarvestOptions& o, std::string_view) -> std::string {
       o.dataFileBody = true;
       return {};
     }},
    {"no-from",
     0,
     {},
     "with --pst: leave out the senders",
     [](THarvestOptions& o, std::string_view) -> std::string {
       o.dataFileFrom = false;
       return {};
     }},
    {"no-to",
     0,
     {},
     "with --pst: leave out the recipients",
     [](THarvestOptions& o, std::string_view) -> std::string {
       o.dataFileTo = false;
       return {};
     }},
    {"delete", 0, "PATTERN", "afterwards delete the addresses matching PATTERN (* and ?, any case)",
     [](THarvestOptions& o, std::string_view v) -> std::string {
       // Blanks around the pattern are dropped, as the window's Delete Emails drops them.
       const std::string pattern(tessaly::TrimControls(v));
       if (pattern.empty()) return "option '--delete' needs a pattern";
       try {
         const tessaly::TWildMatcher check(pattern, false, '*', '?');
       } catch (const tessaly::EWildCard& e) {
         return "bad pattern for '--delete': " + std::string(e.what());
       }
       o.deletePatterns.push_back(pattern);
       return {};
     }},
    {"layout", 0, "L", "write the list in Save As layout L (below); without -o, to standard output",
     [](THarvestOptions& o, std::string_view v) -> std::string {
       const tessaly::TSaveLayout* layout = tessaly::FindSaveLayout(v);
       if (!layout) return "unknown layout '" + std::string(v) + "'";
       o.layout = layout->number;
       return {};
     }},
    {"output", 'o', "FILE",
     "write the list to FILE, in layout txt unless --layout; - is standard output",
     [](THarvestOptions& o, std::string_view v) -> std::string {
       if (v.empty()) return "option '-o' needs a file name";
       o.output = v;
       return {};
     }},
    {"help",
     'h',
     {},
     "show this help and exit",
     [](THarvestOptions& o, std::string_view) -> std::string {
       o.help = true;
       return {};
     }},
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
      options.sources.push_back({THarvestSource::TKind::File, std::string(arg)});
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
    if (std::string error = row->apply(options, value); !error.empty()) return error;
  }
  if (!options.help && options.sources.empty()) return "no file or folder given";
  return {};
}

std::string HarvestUsage() {
  std::string text =
      "Usage: tessaly-harvest [OPTION]... FILE_OR_FOLDER...\n"
      "Collect the e-mail addresses found in files and mail stores and print the list, one\n"
      "address a line, in address order ignoring letter case. A file is scanned whole, as\n"
      "bytes; a folder has each of its files scanned (not those of its subfolders). The\n"
      "sources are read in the order given; the first report of an address is kept, and\n"
      "addresses already in the list (in any letter case) are left out.\n\nOptions:\n";
  for (const TOptionRow& o : kOptions) {
    std::string left = "  ";
    left += o.shortName ? std::string("-") + o.shortName + ", " : std::string("    ");
    left += "--" + std::string(o.longName);
    if (!o.valueName.empty()) left += "=" + std::string(o.valueName);
    if (left.size() < 26) left.resize(26, ' ');
    text += left + " " + std::string(o.help) + "\n";
  }
  text += "\nLayouts (by number or name):\n";
  for (const tessaly::TSaveLayout& layout : tessaly::SaveLayouts()) {
    std::string left = "  " + std::to_string(layout.number) + "  " + std::string(layout.shortName);
    if (left.size() < 17) left.resize(17, ' ');
    text += left + " " + std::string(layout.caption) + "\n";
  }
  text +=
      "A dBASE layout needs a file it can rewind: a pipe or a terminal is refused.\n"
      "\nExit status: 0 when the list was made (files and folder files that cannot be read\n"
      "are reported on standard error and passed over), 1 when it could not be made or\n"
      "written (a file that could not be written is not left behind), 2 on bad usage.\n";
  return text;
}
