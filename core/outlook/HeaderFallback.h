// The fallback parse of a message whose sender cannot be read: the From, To and Cc fields
// taken from the block of Internet header lines at the top of the message text.
//
// Kept apart from every other header in the tool: it is the one place that uses the MIME
// library, and its header is free of it, so the windows never see the library's headers.
#pragma once

#include <string_view>
#include <vector>

#include "outlook/Mailbox.h"

namespace tessaly {

struct THeaderAddresses {
  mailbox::TAddressEntry from;  // the first mailbox of the From field; empty when none
  std::vector<mailbox::TAddressEntry> to;
  std::vector<mailbox::TAddressEntry> cc;
};

// Parses a block of header lines (CR LF, CR or LF line ends, folded lines allowed). Encoded
// words (RFC 2047) in display names are decoded to UTF-8; the members of a group are listed
// in its place. Fields that are absent or hold no mailbox give empty results; throws
// mailbox::EMailbox only when the block cannot be parsed at all.
THeaderAddresses ParseHeaderAddresses(std::string_view headerBlock);

}  // namespace tessaly
