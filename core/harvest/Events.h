// The events every source publishes and the main window serves.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace tessaly {

// The message field an address came from; stored in the table as its tag word.
enum TOEAddressKind : std::uint8_t {
  akFrom = 0,
  akTo = 1,
  akSender = 2,
  akCc = 3,
  akBcc = 4,
  akBody = 5,
};

// The tag word for a kind; empty for a value outside the known kinds.
std::string_view FieldTagFor(std::uint8_t kind);

// State of the address list on show.
enum class TRunState : std::uint8_t { rsIdle = 0, rsRunning = 1, rsDone = 2 };

// (Sender, adEmail, adName, Kind, ndx): one address with its display name and field kind;
// ndx is the source's message number.
using TOnAddress = std::function<void(void* sender, std::string_view adEmail,
                                      std::string_view adName, std::uint8_t kind, int ndx)>;
// Work units of the item about to be walked. 64-bit, so items of 4 GiB and more keep
// a true total.
using TOnFileSize = std::function<void(std::uint64_t filesize)>;
// Units done so far in the current item; the callee writes the abort flag back.
using TOnProgressBar = std::function<void(std::uint64_t position, bool& abort)>;

// What a walking source is given: where addresses go, where progress goes.
struct THarvestEvents {
  TOnAddress onAddress;
  // The scanner's entry into the sink: the address alone, no name, no field.
  std::function<void(std::string_view adEmail)> onScannedAddress;
  TOnFileSize OnFileSize;
  TOnProgressBar OnProgressBar;
};

}  // namespace tessaly
