#include "cli/collect_items.h"

#include <ostream>

#include "items/add_items.h"

namespace tarnwell::cli {

bool CollectItems(CliContext& context, const std::vector<std::string>& arguments,
                  items::ItemList& list, job::EventSink& sink) {
  items::ItemAdder adder(context.env, list, &sink);
  for (const std::string& argument : arguments) {
    platform::Status status = adder.AddPath(argument);
    if (!status.ok()) {
      // A refusal reached the terminal as a warning from the adder itself;
      // the system's message may name only the last part of the path.
      if (!adder.refused()) {
        context.err << ErrRow(context, "tarnwell-cli: " + argument + ": " + status.message())
                    << '\n';
      }
      return false;
    }
  }
  list.RefreshList(&sink);
  return true;
}

}  // namespace tarnwell::cli
