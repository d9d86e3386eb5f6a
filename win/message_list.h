// The message list: a report list view with one column, the newest row at
// the top, each row with the information, error or warning icon.
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
};

}  // namespace tarnwell::win
