// The address list: the address table of the current run and the one address sink
// through which every source's addresses enter it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Shared/DBISAMTableVantor.h"
#include "Shared/FolderLock.h"

namespace tessaly {

class TAddressList {
 public:
  // duplicatesAllowed is asked at every report: true keeps every report, false refuses an
  // address already in the table (in any letter case).
  explicit TAddressList(std::function<bool()> duplicatesAllowed);

  // Points the table at a new, empty, closed table of that name in that folder, creating
  // the folder with its parents when missing. False when the folder cannot be made, when
  // another process is using it, or when the engine fails; then the table is none, except
  // when the folder could not be made, which leaves the current table as it was.
  bool CreateAddressTable(const std::string& folder, const std::string& name);

  TDBISAMTableVantor* Table() const { return table_.get(); }
  // Called whenever the table object is about to be replaced or freed, so that a view
  // bound to it can let go first.
  std::function<void()> onTableReleased;

  // The last id given to an appended address; 0 at every Start.
  std::int32_t idCounter = 0;

  // The sink's entry for the mail readers.
  void oeAddress(void* Sender, std::string_view adEmail, std::string_view adName,
                 std::uint8_t Kind, int ndx);
  // The sink's entry for the byte scanner: the address alone, never empty.
  void AddScannedAddress(std::string_view adEmail);

  // Frees the table (at close, after it was re-created empty).
  void FreeTable();

 private:
  void Store(std::string_view email, std::string_view name, std::string_view tag);

  std::function<bool()> duplicatesAllowed_;
  std::unique_ptr<TDBISAMTableVantor> table_;
  TFolderLock lock_;
};

// Characters of code 32 and below removed from both ends.
std::string_view TrimControls(std::string_view text);

}  // namespace tessaly
