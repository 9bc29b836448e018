#include "list/DeleteMatching.h"

#include <string>

#include "harvest/EventPump.h"
#include "list/WildMatcher.h"

namespace tessaly {

std::int64_t DeleteMatching(TDBISAMTableVantor& table, std::string_view pattern,
                            const THarvestEvents& events) {
  const std::string previousIndex = table.IndexName();
  struct Restore {
    TDBISAMTableVantor& table;
    const std::string& index;
    ~Restore() {
      table.SetIndexName(index);
      table.EnableControls();
    }
  };
  table.SetIndexName("");
  table.DisableControls();
  Restore restore{table, previousIndex};
  table.Open();

  if (events.OnFileSize) events.OnFileSize(static_cast<std::uint64_t>(table.RecordCount()));
  if (events.OnProgressBar) {
    bool ignored = false;
    events.OnProgressBar(0, ignored);
  }
  const TWildMatcher matcher(pattern, false, '*', '?');

  std::uint64_t examined = 0;
  return table.DeleteInOnePass([&](std::string_view email, bool& stop) {
    const bool remove = matcher.Matches(email);
    // Stop is pressed while the window handles its events; the progress report after it
    // brings the flag back, and the walk ends with this record.
    YieldToEventLoop();
    ++examined;
    if (events.OnProgressBar) events.OnProgressBar(examined, stop);
    return remove;
  });
}

}  // namespace tessaly
