#pragma once

#include "cli/GeotagOptions.h"
#include "platform/CodePage.h"

namespace nordavel::cli {

// Reads the logs' tracks, then places and tags each photo in turn. The exit status as the
// converter's: 0 every photo tagged, 1 some not, 3 a file could not be read or written (the run
// stops there; that photo is as it was).
int RunGeotag(const GeotagOptions& options, const CodePage& logCodePage);

} // namespace nordavel::cli
