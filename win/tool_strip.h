// A row of text buttons, each sized to its label, with gaps for separators:
// the window's tool strips. The buttons are push buttons, so each is a Tab
// stop, is named by its text for screen readers and is pressed with Space.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win/windows_ui.h"

namespace tarnwell::win {

class ToolStrip final {
 public:
  // Buttons are created as children of parent, sending WM_COMMAND with their
  // id to it.
  explicit ToolStrip(HWND parent) : parent_(parent) {}

  // Appends a button (label UTF-8, every "&" shown as it is).
  void AddButton(int id, std::string_view label);
  void AddSeparator();
  void SetButtonText(int id, std::string_view label);
  std::string ButtonText(int id) const;
  void EnableButton(int id, bool enabled);
  // Shows the button pressed while its menu is open.
  void PressButton(int id, bool pressed);
  HWND Button(int id) const;
  const std::vector<HWND>& Buttons() const { return handles_; }
  // The bottom-left corner of a button, in screen coordinates.
  POINT BelowButton(int id) const;

  // Places the buttons from left, top in a row of height pixels; returns the
  // width they take. Widths follow the labels in the buttons' font; no
  // button is narrower than min_width.
  int Place(int left, int top, int height, int min_width = 0);
  // The width Place would take.
  int Span() const;

 private:
  struct Entry {
    int id;  // 0 for a separator
    HWND button;
  };
  int ButtonWidth(HWND button) const;
  int Scaled(int pixels) const;

  HWND parent_;
  std::vector<Entry> entries_;
  std::vector<HWND> handles_;
};

// A label as Windows buttons and menus show it literally ("&" doubled).
std::wstring LiteralLabel(std::string_view utf8);

}  // namespace tarnwell::win
