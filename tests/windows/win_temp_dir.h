// A fresh folder under the user's temporary folder for one Windows test,
// removed afterwards; paths in the logic's form ('/' separators).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tarnwell::testing {

// A UTF-8 path as std::filesystem takes it (a plain string would be read in
// the ANSI code page).
inline std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

class WinTempDir {
 public:
  WinTempDir() {
    std::random_device random;
    for (;;) {
      const std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("tarnwell_test_" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = candidate.generic_string();
        return;
      }
      if (error) std::abort();
    }
  }
  ~WinTempDir() {
    std::error_code ignored;
    // Read-only files would stop the removal.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
  }
  WinTempDir(const WinTempDir&) = delete;
  WinTempDir& operator=(const WinTempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  std::string Write(const std::string& relative, const std::string& content) const {
    const std::string full = *this / relative;
    std::filesystem::create_directories(FsPath(full).parent_path());
    std::ofstream(FsPath(full), std::ios::binary) << content;
    return full;
  }
  std::string MakeDir(const std::string& relative) const {
    const std::string full = *this / relative;
    std::filesystem::create_directories(FsPath(full));
    return full;
  }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tarnwell::testing
