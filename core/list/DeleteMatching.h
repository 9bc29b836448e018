// Delete by pattern: one pass over the address table in id order, deleting in place every
// record whose address matches a wildcard pattern.
#pragma once

#include <cstdint>
#include <string_view>

#include "Shared/DBISAMTableVantor.h"
#include "harvest/Events.h"

namespace tessaly {

// Matches every record's "Email" against pattern ("*" and "?", letter case ignored) and
// deletes the matching ones; returns how many went. The walk goes in id order; OnFileSize
// gets the record count first, OnProgressBar the number examined after every record and
// hands back the abort flag, which ends the walk there, keeping every record not yet
// examined. Between records the walk yields to the event loop.
//
// The table is opened when closed; its active index and controls are restored however the
// walk ends. A pattern the matcher refuses (128 characters or more) throws EWildCard before
// any record is examined. An exception from a callback ends the walk and keeps what was
// deleted; a failure of the table engine throws ETableError and leaves every record.
std::int64_t DeleteMatching(TDBISAMTableVantor& table, std::string_view pattern,
                            const THarvestEvents& events);

}  // namespace tessaly
