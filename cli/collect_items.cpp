#include "cli/collect_items.h"

#include <ostream>

#include "items/add_items.h"

namespace tarnwell::cli {

bool CollectItems(CliContext& context, const std::vector<std::string>& arguments,
                  items::ItemList& list, core::WindowPort& port) {
  std::vector<std::string> paths;
  for (const std::string& argument : arguments) {
    platform::Result<platform::FileInfo> info = context.env.Describe(argument);
    if (!info.ok()) {
      context.err << "tarnwell-cli: " << info.status().message() << '\n';
      return false;
    }
    platform::Result<std::string> absolute = context.env.AbsolutePath(argument);
    if (!absolute.ok()) {
      context.err << "tarnwell-cli: " << absolute.status().message() << '\n';
      return false;
    }
    paths.push_back(*absolute);
  }
  items::ItemAdder adder(context.env, list, &port);
  for (std::string& path : paths) adder.AddPath(std::move(path));
  list.RefreshList(&port);
  return true;
}

}  // namespace tarnwell::cli
