// The pieces of the start-up version check that need no window: comparing version texts,
// reading the version out of the server's reply, and this machine's network address.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// 1 when a is newer than b, -1 when older, 0 when they count as equal. Up to four
// dot-separated fields are compared as decimal numbers; a missing field, or one that is
// not a number, counts as 0; a "." inside double quotes does not separate.
int CompareVersions(std::string_view a, std::string_view b);

// The version the reply names after the marker "|version=" (letter case counting), up to
// the next "|" outside double quotes or the end. False when the marker is missing.
bool VersionFromReply(std::string_view reply, std::string& version);

// The query of the version request: "V=<version>&I=<address>", put in as they are.
std::string VersionQuery(std::string_view version, std::string_view address);

// The first network address of this machine's host name, IPv4 first, in dotted form;
// empty when the name cannot be had or resolved.
std::string LocalIPAddress();

// Blanks and control characters removed from both ends.
std::string_view TrimBlanks(std::string_view text);

}  // namespace tessaly
