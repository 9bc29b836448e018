// The seven Save As layouts, in the order of the save dialog's file types, and the one entry
// that writes any of them: the window's Save As and the command-line harvester both go
// through WriteLayout.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/DBISAMTableVantor.h"

namespace tessaly {

struct TSaveLayout {
  int number;                  // 1 to 7, the dialog's entry
  std::string_view shortName;  // how the command line names it
  std::string_view caption;    // the dialog's file-type caption
  std::string_view pattern;    // its file pattern
  bool dbf;                    // ExportDbf; otherwise ExportText
  std::vector<std::string> columns;
  bool withHeader;
  std::vector<std::string> captions;  // header captions; empty: the column names
  bool quote;
  bool listSeparator;  // the regional list separator; otherwise a comma
};

// Entries 1 to 7, in the dialog's order.
const std::array<TSaveLayout, 7>& SaveLayouts();

// A layout by its number ("6") or its short name ("csv-names"); nullptr when none.
const TSaveLayout* FindSaveLayout(std::string_view numberOrName);

// The save dialog's file-type list: caption and pattern of every entry, joined by "|".
std::string SaveDialogFilter();

// Writes the whole table, in its active index's order, in the layout with that number.
// listSeparator is used only by the layout that asks for it. Throws EExportError (also for
// a number outside 1 to 7) and ETableError.
void WriteLayout(TDBISAMTableVantor& table, int layoutNumber, const std::string& path,
                 char listSeparator = ',');

// The list separator of a locale: ";" where decimals are written with a comma, ","
// otherwise.
char ListSeparatorForDecimalPoint(std::string_view decimalPoint);
// The same for the locale the environment selects (LC_ALL, LC_NUMERIC, LANG); a comma when
// that locale is not available.
char SystemListSeparator();

}  // namespace tessaly
