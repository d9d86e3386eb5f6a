#include "traces/trace_eraser.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include "erase/erase_item.h"
#include "job/progress_reporter.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "traces/recent_list.h"
#include "ui/event_texts.h"

namespace tarnwell::traces {
namespace {

bool Inside(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() < folder.size() ||
      path.compare(0, folder.size(), folder) != 0) {
    return false;
  }
  return path.size() == folder.size() || path[folder.size()] == '/';
}

// The engine's rows reach the window; its progress would overwrite the
// job's own, so it stops here.
class RowsOnlySink final : public job::EventSink {
 public:
  explicit RowsOnlySink(core::WindowPort& port) : port_(port) {}
  void Report(const job::Event& event) override {
    for (const ui::EventRow& row : ui::RowsOf(event, ui::Front::kWindow)) {
      port_.InsertMessage(row.text, row.icon);
    }
  }

 private:
  core::WindowPort& port_;
};

// Hears which trace files the engine removed.
class Removed final : public erase::ErasedItemSink {
 public:
  void ItemErased(const std::string& path, platform::FileKind) override { paths.push_back(path); }
  void ErasingDone() override {}
  std::vector<std::string> paths;
};

}  // namespace

std::vector<platform::DesktopStores> StoresToClean(platform::Env& env, core::WindowPort& port) {
  std::vector<platform::DesktopStores> users;
  platform::DesktopStores mine = env.UserDesktopStores();
  const std::string sudo_user =
      env.IsPrivileged() ? env.GetEnvironment("SUDO_USER").value_or("") : std::string();
  if (!sudo_user.empty() && sudo_user != "root") {
    platform::Result<platform::DesktopStores> theirs = env.AccountDesktopStores(sudo_user);
    if (theirs.ok()) {
      // sudo may leave HOME or the XDG variables pointing into her home.
      for (std::string* folder : {&mine.cache_home, &mine.data_home, &mine.recent_links}) {
        if (Inside(*folder, theirs->home)) folder->clear();
      }
      users.push_back(std::move(*theirs));
    } else if (theirs.status().code() != ENOTSUP) {  // a system without accounts: no word
      port.InsertMessage(theirs.status().message(), core::MessageIcon::kWarning);
    }
  }
  users.insert(users.begin(), std::move(mine));
  return users;
}

TraceEraser::TraceEraser(platform::Env& env, core::WindowPort& port, TraceListener listener)
    : env_(env), port_(port), listener_(std::move(listener)) {}

void TraceEraser::ItemErased(const std::string& listed_path, platform::FileKind) {
  items_.insert(listed_path);
}

void TraceEraser::Refused(const StoreResult& why) {
  switch (why.problem) {
    case StoreProblem::kNone:
    case StoreProblem::kMissing:
      return;
    case StoreProblem::kLink:
      port_.InsertMessage(
          text::FormatText(text::LookupUtf8(text::TextId::kStoreIsLink), {why.path}),
          core::MessageIcon::kWarning);
      return;
    case StoreProblem::kNotOwned:
      port_.InsertMessage(
          text::FormatText(text::LookupUtf8(text::TextId::kStoreNotOwned), {why.path}),
          core::MessageIcon::kWarning);
      return;
    case StoreProblem::kTooLarge:
      port_.InsertMessage(
          text::FormatText(text::LookupUtf8(text::TextId::kStoreTooLarge), {why.path}),
          core::MessageIcon::kWarning);
      return;
    case StoreProblem::kFailed:
      ++failures_;
      port_.InsertMessage(why.detail.empty() ? why.path : why.detail, core::MessageIcon::kWarning);
      return;
  }
}

void TraceEraser::Erased(TraceKind kind, const std::string& path, const std::string& of) {
  ++erased_;
  if (listener_) listener_({kind, path, of});
}

void TraceEraser::ErasingDone() {
  if (items_.empty()) return;
  const int before = erased_;
  const std::vector<platform::DesktopStores> users = StoresToClean(env_, port_);
  std::vector<FoundTrace> found;
  const TraceFinderOutput out{[&found](FoundTrace trace) { found.push_back(std::move(trace)); },
                              [this](const StoreResult& why) { Refused(why); }};
  // Trash records first: the place a file was trashed from is a trace key
  // of its own while nothing else has taken it.
  std::set<std::string> keys = items_;
  for (const std::string& path : items_) {
    std::string trashed_from;
    FindTrashInfo(env_, users, path, out, &trashed_from);
    if (!trashed_from.empty() && env_.Describe(trashed_from).status().code() == ENOENT) {
      keys.insert(trashed_from);
    }
  }
  for (const platform::DesktopStores& user : users) FindStoreTraces(env_, user, keys, out);
  for (const platform::DesktopStores& user : users) {
    const RecentListOutcome list = CleanRecentList(env_, user, keys);
    if (list.damaged) {
      port_.InsertMessage(text::FormatText(text::LookupUtf8(text::TextId::kRecentListDamaged),
                                           {list.refused.path, list.refused.detail}),
                          core::MessageIcon::kWarning);
    } else {
      Refused(list.refused);
    }
    for (const std::string& of : list.removed) Erased(TraceKind::kBookmark, list.path, of);
  }
  EraseFiles(found);
  items_.clear();
  if (erased_ > before) {
    port_.InsertMessage(
        text::FormatText(text::LookupUtf8(text::TextId::kTracesErased), {erased_ - before}),
        core::MessageIcon::kInfo);
  }
}

void TraceEraser::EraseFiles(const std::vector<FoundTrace>& found) {
  items::ListedItems listed;
  std::map<std::string, const FoundTrace*> by_path;
  std::set<std::string> folders;
  for (const FoundTrace& trace : found) {
    if (!by_path.emplace(trace.path, &trace).second) continue;
    listed.rows.push_back({trace.path, trace.info});
    for (const items::ListedItems::Folder& folder : trace.chain) {
      if (folders.insert(folder.item.path).second) listed.folders.push_back(folder);
    }
  }
  if (listed.rows.empty()) return;
  std::sort(listed.rows.begin(), listed.rows.end(),
            [](const items::ListedItem& a, const items::ListedItem& b) { return a.path < b.path; });
  RowsOnlySink rows(port_);
  // One pass of zeros: the stores' files are small, and a pass is what
  // makes their bytes unreadable.
  erase::EraseCounters counters;
  job::ProgressReporter progress(env_, rows);
  Removed removed;
  {
    erase::ItemEraser eraser(env_, rows, progress, counters, listed,
                             {.verify = false, .erased_items = &removed});
    for (const items::ListedItem& row : listed.rows) eraser.EraseItem(row);
    eraser.ScrubKeptFolders();
  }
  for (const std::string& path : removed.paths) {
    const FoundTrace& trace = *by_path.at(path);
    Erased(trace.kind, trace.path, trace.of);
  }
  failures_ += static_cast<int>(listed.rows.size() - removed.paths.size());
}

}  // namespace tarnwell::traces
