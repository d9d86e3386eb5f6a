// The message list: a report list view with one column, the newest row at
// the top, each row with the information, error or warning icon. Screen
// readers hear a row's severity before its text ("Error: ...").
#pragma once

#include <string_view>

#include "core/window_port.h"
#include "win/windows_ui.h"

namespace tarnwell::win {

class MessageList final {
 public:
  // list is the template's list view; gets its column and icons here.
  explicit MessageList(HWND list);
  ~MessageList();
  MessageList(const MessageList&) = delete;
  MessageList& operator=(const MessageList&) = delete;

  void InsertMessage(std::string_view text, core::MessageIcon icon);
  void Clear();
  void SetColumnTitle(std::string_view title);
  // Lets the one column take the list's width.
  void FitColumn();
  HWND handle() const { return list_; }

 private:
  HWND list_;
  HIMAGELIST icons_ = nullptr;
  // The system's annotation service, which asks row_names_ for row names;
  // null where the system has none (wine may not).
  IAccPropServices* services_ = nullptr;
  IAccPropServer* row_names_ = nullptr;
};

}  // namespace tarnwell::win
