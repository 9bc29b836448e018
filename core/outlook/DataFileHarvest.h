// Harvesting Outlook data files without windows: every folder of every store, through the
// same reader the Outlook source uses. The command-line harvester's --pst, --body,
// --no-from and --no-to map onto the arguments here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "harvest/Events.h"
#include "outlook/UOutlook.h"

namespace tessaly {

struct TDataFileHarvestOptions {
  bool body = false;  // --body: also the addresses of the message text, tagged BODY
  bool from = true;   // --no-from turns the senders off
  bool to = true;     // --no-to turns the recipients off
  // Replaces the reader's own body scan when set.
  TBodyScan bodyScan;
};

struct TDataFileHarvestResult {
  int stores = 0;           // data files that opened
  int folders = 0;          // folders read to their end
  std::uint64_t items = 0;  // items walked
  // What could not be read, one line each: data files that did not open, folders that
  // could not be followed or failed during their walk. The rest was still read.
  std::vector<std::string> problems;
};

// Opens the data files and reads every folder of every store: the store's top folder,
// then its folder tree depth first. Every address goes to onAddress.
TDataFileHarvestResult HarvestDataFiles(const std::vector<std::string>& files,
                                        const TDataFileHarvestOptions& options,
                                        const TOnAddress& onAddress);

// The same walk over a reader that is already open, with its options as they stand.
TDataFileHarvestResult HarvestAllFolders(TOutlook& reader);

}  // namespace tessaly
