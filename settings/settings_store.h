// The program's few persistent choices, as decimal integers in an INI file.
// Every read and write is one complete access to the file; nothing is cached,
// so a value written by one thread or process is seen by the next read.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace tarnwell::settings {

inline constexpr std::string_view kProgramSection = "Program";
inline constexpr std::string_view kOptionsSection = "Orlenvik";

class SettingsStore final {
 public:
  // path may name a file that does not exist (or cannot): reads then return
  // their defaults and writes fail quietly.
  SettingsStore(platform::Env& env, std::string path);

  // The key's leading decimal integer (blanks skipped, optional sign, digits
  // up to the first non-digit; no digits gives 0; saturates at the 32-bit
  // range), or default_value when the key is missing or empty or the file is
  // not a regular file of at most kMaxSettingsBytes. Only when
  // neither bound is -1: clamped to upper, then to lower (lower wins).
  int ReadIntSetting(std::string_view section, std::string_view key, int default_value, int lower,
                     int upper) const;

  // Writes "%d" of value, creating the file's folder, the file, section and
  // key as needed, keeping every other line. Read-modify-write runs under an
  // advisory lock on the file beside it named like it with ".lock" added,
  // waited for at most platform::kLockWaitMillis, and replaces the file
  // atomically, so concurrent writers lose nothing and a crash never leaves a
  // torn file. Returns success.
  bool WriteIntSetting(std::string_view section, std::string_view key, int value);

  // "Program" section, unclamped.
  int ReadProgramSetting(std::string_view key, int default_value) const;
  bool WriteProgramSetting(std::string_view key, int value);
  // Reads into a caller's variable with its current value as the default.
  void ReadIntoVariable(std::string_view section, std::string_view key,
                        std::atomic<int>& variable) const;

  const std::string& path() const { return path_; }

 private:
  platform::Env& env_;
  std::string path_;
};

// Parses the leading decimal integer of text as described above.
int ParseLeadingInt(std::string_view text);

// Settings files are a few lines; a larger one is not one (or is an attack).
inline constexpr size_t kMaxSettingsBytes = size_t{1} << 20;

struct LoadedSettings {
  SettingsStore store;
  int language;  // start value of the current language
  // Why the file cannot be used (a FIFO, a device, a folder, over
  // kMaxSettingsBytes): every value then is its default and the file is never
  // rewritten. Ok when the file is usable or simply missing.
  platform::Status problem = platform::Status::Ok();
};

// Fixes the settings file and the start language. The file is
// $TARNWELL_SETTINGS when set; else the executable's name with ".ini" in the
// executable's folder when that folder is writable and not a system program
// folder (a "-cli" suffix is dropped, so the command-line tool shares the
// window's file); else the same name under $XDG_CONFIG_HOME/tarnwell (default
// ~/.config/tarnwell). Nothing is created here: the first write makes the
// file and its folder. The file is read without waiting (a FIFO never blocks)
// and no further than its cap. The language is "lng" of "Program", defaulting
// to German (0) for the locales de_DE, de_CH, de_AT and de_LU and to English
// (1) for every other.
LoadedSettings LoadSettings(platform::Env& env);

// The settings path for an executable path under the rules above, ignoring
// the environment variable; exposed for tests.
std::string SettingsPathBesideExecutable(std::string_view executable_path);

// 0 for the German locales listed above, else 1.
int DefaultLanguageForLocale(std::string_view locale_name);

}  // namespace tarnwell::settings
