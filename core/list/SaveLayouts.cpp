#include "list/SaveLayouts.h"

#include <langinfo.h>
#include <locale.h>

namespace tessaly {

const std::array<TSaveLayout, 7>& SaveLayouts() {
  static const std::array<TSaveLayout, 7> layouts{{
      {1, "dbf", "E-Mail DBase file (*.dbf)", "*.dbf", true, {"Email"}, false, {}, false, false},
      {2, "txt", "E-Mail Text file (*.txt)", "*.txt", false, {"Email"}, false, {}, false, false},
      {3,
       "csv",
       "E-Mail Comma Separated file (*.csv)",
       "*.csv",
       false,
       {"Email"},
       true,
       {},
       true,
       false},
      {4,
       "dbf-names",
       "E-Mail/Name DBase file (*.dbf)",
       "*.dbf",
       true,
       {"Email", "Name", "Field"},
       false,
       {},
       false,
       false},
      {5,
       "txt-names",
       "E-Mail/Name Text file (*.txt)",
       "*.txt",
       false,
       {"Email", "Name", "Field"},
       false,
       {},
       false,
       false},
      {6,
       "csv-names",
       "E-Mail/Name Comma Separated file (*.csv)",
       "*.csv",
       false,
       {"Email", "Name", "Field"},
       true,
       {},
       true,
       false},
      {7,
       "oe5",
       "Outlook Express 5 Import file (*.csv)",
       "*.csv",
       false,
       {"Email", "Name"},
       true,
       {"E-mail Address", "Name"},
       true,
       true},
  }};
  return layouts;
}

const TSaveLayout* FindSaveLayout(std::string_view numberOrName) {
  for (const TSaveLayout& layout : SaveLayouts()) {
    if (numberOrName == layout.shortName) return &layout;
    if (numberOrName.size() == 1 && numberOrName[0] == static_cast<char>('0' + layout.number))
      return &layout;
  }
  return nullptr;
}

std::string SaveDialogFilter() {
  std::string filter;
  for (const TSaveLayout& layout : SaveLayouts()) {
    if (!filter.empty()) filter += '|';
    filter += layout.caption;
    filter += '|';
    filter += layout.pattern;
  }
  return filter;
}

void WriteLayout(TDBISAMTableVantor& table, int layoutNumber, const std::string& path,
                 char listSeparator) {
  if (layoutNumber < 1 || layoutNumber > 7)
    throw EExportError("There is no layout " + std::to_string(layoutNumber));
  const TSaveLayout& layout = SaveLayouts()[static_cast<std::size_t>(layoutNumber - 1)];
  if (layout.dbf) {
    table.ExportDbf(path, layout.columns);
    return;
  }
  table.ExportText(path, layout.withHeader, layout.captions, layout.columns,
                   layout.listSeparator ? listSeparator : ',', layout.quote);
}

char ListSeparatorForDecimalPoint(std::string_view decimalPoint) {
  return decimalPoint == "," ? ';' : ',';
}

char SystemListSeparator() {
  locale_t locale = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return ',';
  const char* point = ::nl_langinfo_l(RADIXCHAR, locale);
  const char separator = ListSeparatorForDecimalPoint(point ? point : ".");
  ::freelocale(locale);
  return separator;
}

}  // namespace tessaly
