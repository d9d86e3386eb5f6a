// Turns the path arguments of a sub-command into an item list, the way the
// window adds dropped paths (folders scanned, links never followed).
#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "items/item_list.h"
#include "job/event_sink.h"

namespace tarnwell::cli {

// Adds every argument to list (resolved, with what it holds) and refreshes
// it. An argument that names nothing, or is refused ("/", "." or ".."), is a
// usage error: it is reported on context.err, naming the argument, and false
// comes back.
bool CollectItems(CliContext& context, const std::vector<std::string>& arguments,
                  items::ItemList& list, job::EventSink& sink);

}  // namespace tarnwell::cli
