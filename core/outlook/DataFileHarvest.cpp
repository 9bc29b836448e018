#include "outlook/DataFileHarvest.h"

#include "outlook/PstMailbox.h"

namespace tessaly {

TDataFileHarvestResult HarvestAllFolders(TOutlook& reader) {
  TDataFileHarvestResult result;
  result.stores = static_cast<int>(reader.TopFolderNames().size());
  const TOnFileSize previous = reader.OnFileSize;
  reader.OnFileSize = [&](std::uint64_t count) {
    result.items += count;
    if (previous) previous(count);
  };
  const auto& names = reader.TopFolderNames();
  for (int store = 0; store < static_cast<int>(names.size()); ++store) {
    try {
      reader.SelectFolder(store);
    } catch (const std::exception& e) {
      result.problems.push_back(names[store] + ": " + e.what());
      continue;
    }
    std::vector<TOutlookFolderEntry> folders;
    reader.ListFolders(folders);
    folders.insert(folders.begin(), TOutlookFolderEntry{std::string(), std::string()});
    for (const TOutlookFolderEntry& folder : folders) {
      if (reader.ReadFolder(folder.Path))
        ++result.folders;
      else
        result.problems.push_back(names[store] + (folder.DisplayText.empty() ? "" : " | ") +
                                  folder.DisplayText + ": the folder could not be read");
    }
  }
  reader.OnFileSize = previous;
  return result;
}

TDataFileHarvestResult HarvestDataFiles(const std::vector<std::string>& files,
                                        const TDataFileHarvestOptions& options,
                                        const TOnAddress& onAddress) {
  auto system = std::make_shared<mailbox::TPstMailSystem>(files);
  TOutlook reader(system);
  reader.BodyOption = options.body;
  reader.FromOption = options.from;
  reader.ToOption = options.to;
  if (options.bodyScan) reader.BodyScan = options.bodyScan;
  reader.onAddress = onAddress;
  TDataFileHarvestResult result;
  if (reader.CdoPresent) result = HarvestAllFolders(reader);
  std::vector<std::string> problems = system->Problems();
  if (!reader.CdoPresent && problems.empty())
    problems.push_back(files.empty() ? "no Outlook data file was given"
                                     : "no Outlook data file could be opened");
  result.problems.insert(result.problems.begin(), problems.begin(), problems.end());
  return result;
}

}  // namespace tessaly
