// One run of the command-line harvester: every input through the stream scan into a
// temporary address table, then the list on standard output.
#pragma once

#include "HarvestOptions.h"

// Returns the exit status: 0 when the list was made and written, 1 when it could not be.
// An interrupt (SIGINT, SIGTERM, SIGHUP) ends the run, removes the temporary table and
// ends the process by that signal.
int RunHarvest(const THarvestOptions& options);
