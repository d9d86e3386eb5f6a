#include "platform/win32/win_text.h"

#include <vector>

#include "platform/win32/windows_api.h"

namespace tarnwell::platform::win32 {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// True when a segment of the backslashed path is "." or "..".
bool HasDotSegment(std::wstring_view path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    const std::wstring_view segment = path.substr(start, end - start);
    if (segment == L"." || segment == L"..") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {  // lone surrogates included (WTF-8)
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::wstring ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    uint32_t c = extra == 3 ? (b & 0x07) : extra == 2 ? (b & 0x0F) : extra == 1 ? (b & 0x1F) : b;
    bool valid = b < 0x80 || (b >= 0xC2 && b <= 0xF4);
    for (int k = 1; valid && k <= extra; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        valid = false;
      } else {
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
      }
    }
    if (!valid) {
      // A stray byte cannot come from ToUtf8; it is kept visible, not dropped.
      out.push_back(static_cast<wchar_t>(0xFFFD));
      ++i;
      continue;
    }
    i += static_cast<size_t>(extra) + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  }
  return out;
}

std::wstring LongPath(std::string_view path) {
  std::wstring wide = ToWide(path);
  if (wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0) return wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  const bool unc = wide.size() > 2 && IsSeparator(wide[0]) && IsSeparator(wide[1]);
  const bool drive = wide.size() >= 2 && IsDriveLetter(wide[0]) && wide[1] == L':' &&
                     (wide.size() == 2 || wide[2] == L'\\');
  if (drive && wide.size() == 2) wide += L'\\';
  if (!(unc || drive) || HasDotSegment(wide)) {
    // Relative or with dot segments: the OS folds them; \\?\ would not.
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed > 0) {
      std::vector<wchar_t> buffer(needed + 1);
      const DWORD n = GetFullPathNameW(wide.c_str(), needed + 1, buffer.data(), nullptr);
      if (n > 0 && n <= needed) wide.assign(buffer.data(), n);
    }
  }
  // Repeated separators name nothing under \\?\; they are folded here.
  std::wstring folded;
  folded.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    if (i > 1 && wide[i] == L'\\' && folded.back() == L'\\') continue;
    folded.push_back(wide[i]);
  }
  if (folded.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + folded.substr(2);
  return L"\\\\?\\" + folded;
}

bool IsFullPath(std::string_view path) {
  const auto at = [&](size_t i) {
    return static_cast<wchar_t>(static_cast<unsigned char>(path[i]));
  };
  if (path.size() >= 2 && IsSeparator(at(0)) && IsSeparator(at(1))) return true;
  return path.size() >= 3 && IsDriveLetter(at(0)) && path[1] == ':' && IsSeparator(at(2));
}

std::string LogicPath(std::wstring_view path) {
  std::wstring text(path);
  if (text.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    text = L"\\\\" + text.substr(8);
  } else if (text.rfind(L"\\\\?\\", 0) == 0) {
    text = text.substr(4);
  }
  for (wchar_t& c : text) {
    if (c == L'\\') c = L'/';
  }
  return ToUtf8(text);
}

std::wstring NtPath(std::string_view path) {
  std::wstring nt = LongPath(path);
  nt[1] = L'?';  // \\?\ and \??\ name the same object
  return nt;
}

}  // namespace tarnwell::platform::win32
