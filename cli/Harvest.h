// One run of the command-line harvester: every source (files and folders through the stream
// scan, Outlook Express stores, Outlook data files) into a temporary address table through
// the window's sink, then the deletions by pattern, then the list on standard output or in
// a Save As layout.
#pragma once

#include "HarvestOptions.h"

// Returns the exit status: 0 when the list was made and written, 1 when it could not be.
// An interrupt (SIGINT, SIGTERM, SIGHUP) ends the run, removes the temporary table and
// ends the process by that signal.
int RunHarvest(const THarvestOptions& options);
