// Pixel sizes are at 96 dpi and scaled to the window's dpi.
#include "win/tool_strip.h"

#include <algorithm>

#include "platform/win32/win_text.h"
#include "win/dpi_calls.h"

namespace tarnwell::win {
namespace {
// Room left and right of a label inside its button, and between buttons.
constexpr int kLabelPadding = 8;
constexpr int kSeparatorWidth = 6;
constexpr int kButtonGap = 1;
}  // namespace

std::wstring LiteralLabel(std::string_view utf8) {
  std::wstring wide = platform::win32::ToWide(utf8);
  std::wstring out;
  out.reserve(wide.size());
  for (wchar_t c : wide) {
    out += c;
    if (c == L'&') out += L'&';
  }
  return out;
}

int ToolStrip::Scaled(int pixels) const { return MulDiv(pixels, DpiForWindow(parent_), 96); }

void ToolStrip::AddButton(int id, std::string_view label) {
  HWND button = CreateWindowExW(0, L"BUTTON", LiteralLabel(label).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_FLAT, 0, 0,
                                0, 0, parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
  SendMessageW(button, WM_SETFONT, SendMessageW(parent_, WM_GETFONT, 0, 0), FALSE);
  entries_.push_back({id, button});
  handles_.push_back(button);
}

void ToolStrip::AddSeparator() { entries_.push_back({0, nullptr}); }

HWND ToolStrip::Button(int id) const {
  for (const Entry& entry : entries_) {
    if (entry.id == id) return entry.button;
  }
  return nullptr;
}

void ToolStrip::SetButtonText(int id, std::string_view label) {
  if (HWND button = Button(id)) SetWindowTextW(button, LiteralLabel(label).c_str());
}

std::string ToolStrip::ButtonText(int id) const {
  HWND button = Button(id);
  if (button == nullptr) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(button)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(button, text.data(), static_cast<int>(text.size()))));
  return platform::win32::ToUtf8(text);
}

void ToolStrip::EnableButton(int id, bool enabled) {
  if (HWND button = Button(id)) EnableWindow(button, enabled ? TRUE : FALSE);
}

void ToolStrip::PressButton(int id, bool pressed) {
  if (HWND button = Button(id)) SendMessageW(button, BM_SETSTATE, pressed ? TRUE : FALSE, 0);
}

POINT ToolStrip::BelowButton(int id) const {
  RECT rect{};
  if (HWND button = Button(id)) GetWindowRect(button, &rect);
  return POINT{rect.left, rect.bottom};
}

int ToolStrip::ButtonWidth(HWND button) const {
  const int length = GetWindowTextLengthW(button);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(button, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  HDC dc = GetDC(button);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)));
  RECT rect{0, 0, 0, 0};
  // DT_CALCRECT measures as the button draws: "&&" is one "&".
  DrawTextW(dc, text.c_str(), length, &rect, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(button, dc);
  return rect.right - rect.left + 2 * Scaled(kLabelPadding);
}

int ToolStrip::Place(int left, int top, int height, int min_width) {
  int x = left;
  for (const Entry& entry : entries_) {
    if (entry.button == nullptr) {
      x += Scaled(kSeparatorWidth);
      continue;
    }
    const int width = std::max(min_width, ButtonWidth(entry.button));
    SetWindowPos(entry.button, nullptr, x, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    x += width + Scaled(kButtonGap);
  }
  return x - left;
}

int ToolStrip::Span() const {
  int span = 0;
  for (const Entry& entry : entries_) {
    span += entry.button == nullptr ? Scaled(kSeparatorWidth)
                                    : ButtonWidth(entry.button) + Scaled(kButtonGap);
  }
  return span;
}

}  // namespace tarnwell::win
