// The Outlook data-file backend over fuzzed file bytes: open the store, list its folders,
// harvest every folder with the body option on. A crash inside the library counts too.
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "outlook/PstMailbox.h"
#include "outlook/UOutlook.h"
#include "scan/Scanner.h"

using namespace tessaly;
using namespace tessaly::mailbox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto bytes = std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size);
  auto system = std::make_shared<TPstMailSystem>(std::vector<TDataFile>{{"fuzzed.pst", bytes}});
  TOutlook reader(system);
  if (!reader.CdoPresent) {
    FUZZ_CHECK(!system->Problems().empty());
    return 0;
  }
  reader.BodyOption = true;
  reader.BodyScan = ScanText;
  int reports = 0;
  reader.onAddress = [&](void*, std::string_view, std::string_view, std::uint8_t, int) {
    ++reports;
  };
  std::vector<TOutlookFolderEntry> folders;
  reader.ListFolders(folders);
  folders.insert(folders.begin(), TOutlookFolderEntry{});
  for (std::size_t i = 0; i < folders.size() && i < 64; ++i) reader.ReadFolder(folders[i].Path);
  return 0;
}
