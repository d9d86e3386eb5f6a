#include "settings/settings_store.h"

#include <cerrno>
#include <climits>

#include "core/paths.h"
#include "platform/lock_wait.h"
#include "settings/ini_document.h"

namespace tarnwell::settings {
namespace {}  // namespace

int ParseLeadingInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    // Saturate instead of wrapping: a huge value must not read as a small one.
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

SettingsStore::SettingsStore(platform::Env& env, std::string path)
    : env_(env), path_(std::move(path)) {}

int SettingsStore::ReadIntSetting(std::string_view section, std::string_view key, int default_value,
                                  int lower, int upper) const {
  int value = default_value;
  platform::Result<std::string> text = env_.ReadRegularFile(path_, kMaxSettingsBytes);
  if (text.ok()) {
    const std::optional<std::string> raw = IniDocument(*text).Get(section, key);
    if (raw && !raw->empty()) value = ParseLeadingInt(*raw);
  }
  if (lower != -1 && upper != -1) {
    if (value > upper) value = upper;
    if (value < lower) value = lower;
  }
  return value;
}

bool SettingsStore::WriteIntSetting(std::string_view section, std::string_view key, int value) {
  // The first change the user makes brings the folder: reading never does.
  if (!env_.CreateDirectories(core::FolderOf(path_)).ok()) return false;
  // The lock is a file beside the settings, never the folder: anyone who may
  // read a folder may lock it. Another writer holding it for long is a
  // failed write, not a hang.
  platform::Result<std::unique_ptr<platform::Folder>> folder =
      env_.OpenFolder(core::FolderOf(path_), nullptr);
  if (!folder.ok()) return false;
  const std::string name = path_.substr(path_.find_last_of('/') + 1) + ".lock";
  platform::Result<std::unique_ptr<platform::FileLock>> lock =
      platform::LockWithin(env_, **folder, name, platform::kLockWaitMillis);
  if (!lock.ok()) return false;
  platform::Result<std::string> text = env_.ReadRegularFile(path_, kMaxSettingsBytes);
  // Only a missing file may be started afresh; an unreadable one is kept.
  if (!text.ok() && text.status().code() != ENOENT) return false;
  IniDocument document(text.ok() ? std::string_view(*text) : std::string_view());
  document.Set(section, key, std::to_string(value));
  return env_
      .ReplaceFileAtomically(path_, document.ToString(), platform::Env::Durability::kMachineCrash)
      .ok();
}

int SettingsStore::ReadProgramSetting(std::string_view key, int default_value) const {
  return ReadIntSetting(kProgramSection, key, default_value, -1, -1);
}

bool SettingsStore::WriteProgramSetting(std::string_view key, int value) {
  return WriteIntSetting(kProgramSection, key, value);
}

void SettingsStore::ReadIntoVariable(std::string_view section, std::string_view key,
                                     std::atomic<int>& variable) const {
  variable = ReadIntSetting(section, key, variable.load(), -1, -1);
}

std::string SettingsPathBesideExecutable(std::string_view executable_path) {
  const size_t slash = executable_path.find_last_of('/');
  const size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  std::string_view name = executable_path.substr(name_start);
  // Cut at the last "." of the file name only: a dotted folder name must not
  // move the file out of the program's folder.
  const size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  constexpr std::string_view kCliSuffix = "-cli";
  if (name.size() > kCliSuffix.size() &&
      name.substr(name.size() - kCliSuffix.size()) == kCliSuffix) {
    name.remove_suffix(kCliSuffix.size());
  }
  return std::string(executable_path.substr(0, name_start)) + std::string(name) + ".ini";
}

int DefaultLanguageForLocale(std::string_view locale_name) {
  const size_t end = locale_name.find_first_of(".@");
  const std::string_view base = locale_name.substr(0, end);
  for (std::string_view german : {"de_DE", "de_CH", "de_AT", "de_LU"}) {
    if (base == german) return 0;
  }
  return 1;
}

LoadedSettings LoadSettings(platform::Env& env) {
  std::string path;
  if (auto chosen = env.GetEnvironment("TARNWELL_SETTINGS"); chosen && !chosen->empty()) {
    // In the logic's form, so the lock file goes beside it on Windows too.
    path = env.UserPath(*chosen);
  } else {
    platform::Result<std::string> exe = env.ExecutablePath();
    const std::string beside = SettingsPathBesideExecutable(exe.ok() ? *exe : "tarnwell");
    const std::string program_folder = core::FolderOf(beside);
    // An installed program's folder is the system's, even to root.
    if (exe.ok() && !env.IsSystemProgramFolder(program_folder) &&
        env.IsWritableDirectory(program_folder)) {
      path = beside;
    } else {
      path = env.UserSettingsFolder() + "/" + beside.substr(beside.find_last_of('/') + 1);
    }
  }
  SettingsStore store(env, path);
  platform::Status problem = platform::Status::Ok();
  if (platform::Result<std::string> text = env.ReadRegularFile(path, kMaxSettingsBytes);
      !text.ok() && text.status().code() != ENOENT) {
    problem = text.status();
  }
  const int language =
      store.ReadProgramSetting("lng", DefaultLanguageForLocale(env.LanguageLocale()));
  return LoadedSettings{std::move(store), language, std::move(problem)};
}

}  // namespace tarnwell::settings
