#include "cli/collect_items.h"

#include <cerrno>
#include <ostream>

#include "items/add_items.h"

namespace tarnwell::cli {

bool CollectItems(CliContext& context, const std::vector<std::string>& arguments,
                  items::ItemList& list, core::WindowPort& port) {
  // Refusals reach the terminal as a warning row from the adder itself.
  items::ItemAdder adder(context.env, list, &port);
  for (const std::string& argument : arguments) {
    platform::Status status = adder.AddPath(argument);
    if (!status.ok()) {
      if (status.code() != EINVAL) context.err << "tarnwell-cli: " << status.message() << '\n';
      return false;
    }
  }
  list.RefreshList(&port);
  return true;
}

}  // namespace tarnwell::cli
