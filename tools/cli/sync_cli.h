// tk52cli's time synchronisation commands. Each connects as the program's connect operation
// does and runs the program's synchronisation logic: "sync watch" prints what the page's three
// time fields show, "sync now" sets the PC clock once from the clock, as the page's button does.
#pragma once

#include <string_view>
#include <vector>

#include "operations_cli.h"

namespace tk52::cli {

// The commands' lines for tk52cli's usage text.
extern const char* const kSyncUsage;

// Runs "sync watch [--seconds S]" or "sync now"; `args` follow the word "sync". Returns the
// exit code: 0, 1 for a failure (the reason on standard error), 2 for a usage error.
int run_sync_command(const std::vector<std::string_view>& args, const GlobalOptions& options);

}  // namespace tk52::cli
