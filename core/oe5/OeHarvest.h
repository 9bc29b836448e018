// Harvesting an Outlook Express 5 store without the window: one folder file, or every
// folder file of a store folder, into one set of harvest events. The window's run and the
// command-line harvester go through the same reader and the same sink.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "harvest/Events.h"

namespace tessaly {

// The folder files of a store folder: the regular files whose name ends in ".dbx" (any
// letter case), hidden ones left out, sorted by name without regard to letter case. Names
// only, without the folder. Empty when the folder cannot be listed.
std::vector<std::string> ListFolderFiles(const std::string& folder);

// The name a folder file is listed under: its file name cut at the last "."; empty when
// what remains is blank (so ".dbx" alone gives no entry).
std::string FolderNameOf(std::string_view fileName);

struct TOeHarvestResult {
  // The folder files read to their end or to a Stop, in order.
  std::vector<std::string> read;
  // The folder file that could not be read (in use, missing, unreadable), which ended the
  // harvest; empty when there was none.
  std::string failed;
  // The harvest ended because OnProgressBar handed back a set abort flag.
  bool aborted = false;
};

// Harvests path: a folder file, or a store folder whose folder files are read in
// ListFolderFiles order. Each file's header addresses go to events.onAddress; after each
// file that was read through, rawScan (when given) is called with its path for the body
// scan, and a failing rawScan costs only that file's body scan. A file that cannot be read
// ends the harvest, as it ends the window's run.
TOeHarvestResult HarvestOutlookExpress(
    const std::string& path, const THarvestEvents& events,
    const std::function<void(const std::string& path)>& rawScan = {});

}  // namespace tessaly
