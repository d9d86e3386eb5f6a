// The item list: entries in a packed arena with a hash index for duplicates,
// a lazily merged sort order, and rows rebuilt by refresh.
#include "items/item_list.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "items/format_size.h"

namespace tarnwell::items {
namespace {

// Below this many entries of one folder a stat each is cheaper than listing
// the folder, which may hold far more than the entries asked about.
constexpr size_t kMinEntriesForListing = 8;

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

}  // namespace

ItemList::ItemList(platform::Env& env) : env_(env) {}

uint32_t ItemList::Record(std::string_view path) {
  const auto next = static_cast<uint32_t>(entries_.size());
  const uint32_t known =
      index_.FindOrInsert(path, next, [this](uint32_t index) { return entries_[index].path; });
  if (known != PathIndex::kNone) return known;
  entries_.push_back({arena_.Store(path), 0, 0, 0, 0, 0, platform::FileKind::kOther, false});
  return next;
}

void ItemList::AddItem(std::string_view path, const platform::FileInfo& info) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[Record(path)];
  entry.size = info.size;
  entry.device = info.device;
  entry.inode = info.inode;
  entry.allocated = info.allocated;
  entry.links = info.links;
  entry.kind = info.kind;
  entry.seen = true;
  entry.removed = false;
}

void ItemList::AddItem(std::string_view path, uint64_t size) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[Record(path)];
  entry = Entry{entry.path, size, 0, 0, 0, 0, platform::FileKind::kOther, false};
}

void ItemList::RecordFolder(std::string_view path, const platform::FileInfo& info, bool start) {
  std::lock_guard lock(mutex_);
  const auto next = static_cast<uint32_t>(folders_.size());
  const uint32_t known = folder_index_.FindOrInsert(
      path, next, [this](uint32_t index) { return std::string_view(folders_[index].item.path); });
  if (known == PathIndex::kNone) {
    folders_.push_back({{std::string(path), info}, start});
  } else {
    folders_[known].item.info = info;
    folders_[known].start = folders_[known].start || start;
  }
}

platform::FileInfo ItemList::InfoOf(const Entry& entry) const {
  platform::FileInfo info;
  info.kind = entry.kind;
  info.size = entry.size;
  info.device = entry.device;
  info.inode = entry.inode;
  info.allocated = entry.allocated;
  info.links = entry.links;
  return info;
}

void ItemList::RefreshList(job::EventSink* sink) {
  int row_count = 0;
  uint64_t total = 0;
  {
    std::lock_guard lock(mutex_);
    SortNewEntries();
    const std::vector<bool> exists = FindExistingEntries();
    std::vector<uint32_t> rows;
    rows.reserve(static_cast<size_t>(std::count(exists.begin(), exists.end(), true)));
    for (uint32_t index : sorted_) {
      if (exists[index]) rows.push_back(index);
    }
    rows_ = std::move(rows);
    total = TotalSize();
    row_count = static_cast<int>(rows_.size());
  }
  if (sink != nullptr) sink->Report(job::ListChanged{row_count, total, false});
}

void ItemList::RemoveRows(const std::vector<int>& rows, job::EventSink* sink) {
  int row_count = 0;
  uint64_t total = 0;
  {
    std::lock_guard lock(mutex_);
    for (int row : rows) {
      if (row >= 0 && static_cast<size_t>(row) < rows_.size()) {
        entries_[rows_[static_cast<size_t>(row)]].removed = true;
      }
    }
    std::erase_if(rows_, [this](uint32_t index) { return entries_[index].removed; });
    total = TotalSize();
    row_count = static_cast<int>(rows_.size());
  }
  if (sink != nullptr) sink->Report(job::ListChanged{row_count, total, false});
}

uint64_t ItemList::TotalSize() const {
  // Entries whose paths are gone still count: the total says what the list
  // has held since the last reset, less what the user took out.
  uint64_t total = 0;
  for (const Entry& entry : entries_) {
    if (!entry.removed) total += entry.size;
  }
  return total;
}

void ItemList::ResetList(job::EventSink* sink) {
  {
    std::lock_guard lock(mutex_);
    // Swapping with empty containers gives their memory back; clear() would not.
    index_.Clear();
    folder_index_.Clear();
    std::vector<ListedItems::Folder>().swap(folders_);
    std::vector<Entry>().swap(entries_);
    std::vector<uint32_t>().swap(sorted_);
    std::vector<uint32_t>().swap(rows_);
    arena_.Clear();
  }
  if (sink != nullptr) sink->Report(job::ListChanged{0, 0, true});
}

int ItemList::RowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

ItemList::Summary ItemList::ItemsSummary() const {
  int rows = 0;
  uint64_t total = 0;
  {
    std::lock_guard lock(mutex_);
    rows = static_cast<int>(rows_.size());
    total = TotalSize();
  }
  return {rows, total};
}

std::optional<std::string> ItemList::GetCellText(int row, int column) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return std::nullopt;
  const Entry& entry = entries_[rows_[static_cast<size_t>(row)]];
  if (column == kPathColumn) return std::string(entry.path);
  if (column != kSizeColumn) return std::nullopt;
  if (entry.kind == platform::FileKind::kDirectory && !IsDotName(entry.path)) {
    return std::string(kFolderSizeText);
  }
  return FormatSize(entry.size);
}

std::vector<std::string> ItemList::RowPaths() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  paths.reserve(rows_.size());
  for (uint32_t index : rows_) paths.emplace_back(entries_[index].path);
  return paths;
}

ListedItems ItemList::Listed() const {
  std::lock_guard lock(mutex_);
  ListedItems listed;
  listed.rows.reserve(rows_.size());
  for (uint32_t index : rows_) {
    listed.rows.push_back({std::string(entries_[index].path), InfoOf(entries_[index])});
  }
  listed.folders = folders_;
  return listed;
}

size_t ItemList::EntryCount() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

void ItemList::SortNewEntries() {
  const size_t old_count = sorted_.size();
  if (old_count == entries_.size()) return;
  for (size_t i = old_count; i < entries_.size(); ++i) sorted_.push_back(static_cast<uint32_t>(i));
  // string_view compares bytes as unsigned values: "/t/a b/x" < "/t/a/x".
  const auto by_path = [this](uint32_t a, uint32_t b) {
    return entries_[a].path < entries_[b].path;
  };
  const auto middle = sorted_.begin() + static_cast<std::ptrdiff_t>(old_count);
  std::sort(middle, sorted_.end(), by_path);
  std::inplace_merge(sorted_.begin(), middle, sorted_.end(), by_path);
}

std::vector<bool> ItemList::FindExistingEntries() {
  std::vector<bool> exists(entries_.size(), false);
  // Entries are grouped by folder so that one listing answers for all of a
  // folder's entries: a stat per entry would cost as much as the scan did.
  std::unordered_map<std::string_view, std::vector<uint32_t>> by_folder;
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].removed) continue;
    // What a scan has just examined needs no second look: walking the tree
    // again would double the cost of every drop.
    if (entries_[i].seen) {
      exists[i] = true;
      entries_[i].seen = false;
      continue;
    }
    const std::string_view path = entries_[i].path;
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.empty() || IsDotName(name)) {
      // "x/", "x/." and the like name no entry of a listing.
      exists[i] = Exists(path);
      continue;
    }
    const std::string_view folder = slash == std::string_view::npos ? std::string_view(".")
                                    : slash == 0                    ? std::string_view("/")
                                                                    : path.substr(0, slash);
    by_folder[folder].push_back(i);
  }
  for (const auto& [folder, members] : by_folder) MarkExisting(folder, members, &exists);
  return exists;
}

void ItemList::MarkExisting(std::string_view folder, const std::vector<uint32_t>& members,
                            std::vector<bool>* exists) const {
  if (members.size() >= kMinEntriesForListing) {
    const platform::Result<std::vector<std::string>> names = env_.ListNames(std::string(folder));
    if (names.ok()) {
      const std::unordered_set<std::string_view> present(names->begin(), names->end());
      const uint32_t* listed = nullptr;
      for (const uint32_t& i : members) {
        const std::string_view path = entries_[i].path;
        (*exists)[i] = present.count(path.substr(path.rfind('/') + 1)) != 0;
        if ((*exists)[i] && listed == nullptr) listed = &i;
      }
      // A folder that may be read but not searched lists names that cannot be
      // examined; one stat tells, and then every entry is asked itself.
      if (listed == nullptr || Exists(entries_[*listed].path)) return;
    } else {
      // Nothing can exist below a folder that is gone or is no folder; any
      // other failure is asked entry by entry.
      const int code = names.status().code();
      if (code == ENOENT || code == ENOTDIR) return;
    }
  }
  for (uint32_t i : members) (*exists)[i] = Exists(entries_[i].path);
}

bool ItemList::Exists(std::string_view path) const {
  const platform::Result<platform::FileInfo> info = env_.Describe(std::string(path));
  if (info.ok()) return true;
  return info.status().code() == ENAMETOOLONG && ExistsBeyondLongestPath(path);
}

bool ItemList::ExistsBeyondLongestPath(std::string_view path) const {
  // The longest folder part the system takes is opened by its path (the
  // search starts at Linux's limit; a system that takes less says so)...
  constexpr size_t kLongestPathHint = 4096;
  size_t cut = std::min(path.size(), kLongestPathHint);
  std::unique_ptr<platform::Folder> folder;
  while (folder == nullptr) {
    cut = cut == 0 ? std::string_view::npos : path.rfind('/', cut - 1);
    if (cut == std::string_view::npos || cut == 0) return false;
    platform::Result<std::unique_ptr<platform::Folder>> opened =
        env_.OpenFolder(std::string(path.substr(0, cut)), nullptr);
    if (opened.ok()) {
      folder = std::move(*opened);
    } else if (opened.status().code() != ENAMETOOLONG) {
      return false;
    }
  }
  // ...and the rest is followed folder by folder through the handles.
  for (size_t begin = cut + 1;;) {
    const size_t end = path.find('/', begin);
    const std::string name(path.substr(begin, end - begin));
    if (end == std::string_view::npos) return folder->DescribeAt(name).ok();
    platform::Result<std::unique_ptr<platform::Folder>> next = folder->OpenFolderAt(name, nullptr);
    if (!next.ok()) return false;
    folder = std::move(*next);
    begin = end + 1;
  }
}

}  // namespace tarnwell::items
