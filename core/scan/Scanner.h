// The address scanner: finds e-mail addresses in bytes that have no structure of their own.
//
// Around every "@" it grows a candidate, backwards with the local-part class and forwards
// with the domain class, and keeps the candidates that pass the syntax check. Two members:
// the stream scan reads a file and hands each address to the address sink; the text scan
// works on a text in memory and reports through the mail readers' address event.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "harvest/Events.h"
#include "scan/mwLineStream.h"

namespace tessaly {

// The most of one candidate the stream scan holds. A passing candidate longer than this
// is reported by its first kHeldCandidateLimit bytes; the address table keeps only 80 of
// them anyway, so what is stored is the same, and memory stays flat however long a run of
// address bytes is.
inline constexpr std::size_t kHeldCandidateLimit = std::size_t{64} << 10;

// The stream scan of one file. Throws EScanOpen (a std::runtime_error) when the file
// cannot be opened, which includes anything that is not a regular file; nothing else
// leaves it: a read error part-way ends the scan quietly and what was reported stays.
//
// events.OnFileSize gets the file's size first. Every address that passes goes to
// events.onScannedAddress, alone. After every candidate, events.OnProgressBar gets the
// position and hands back the abort flag, and the window system gets its turn
// (YieldToEventLoop); a set flag ends the scan there. The flag is only read, never set.
void ScanFile(const std::string& path, const THarvestEvents& events);

// The same over any stream (a buffer size of 1 reaches every buffer boundary). Nothing
// leaves it; errors part-way end the scan quietly.
void ScanStream(TLineStream& stream, const THarvestEvents& events);

// The text scan of one text in memory, for message bodies. Every address that passes is
// reported through onAddress as the address and again as the name, with the kind BODY
// and the message number 0 (and no sender). Nothing is reported when onAddress is empty.
void ScanText(std::string_view text, const TOnAddress& onAddress);

}  // namespace tessaly
