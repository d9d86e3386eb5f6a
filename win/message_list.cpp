// The icons are the system's own, as its message boxes show them; their order
// in the image list is the MessageIcon value.
#include "win/message_list.h"

#include <string>

#include "platform/win32/win_text.h"
#include "win/dpi_calls.h"
#include "win/windows_ui.h"

namespace tarnwell::win {

MessageList::MessageList(HWND list) : list_(list) {
  // A row cut at the list's edge shows whole in a tip under the pointer.
  ListView_SetExtendedListViewStyle(list_,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  const int side = SystemMetricForDpi(SM_CXSMICON, DpiForWindow(list_));
  icons_ = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 3, 0);
  for (LPCWSTR id : {IDI_INFORMATION, IDI_ERROR, IDI_WARNING}) {
    auto icon = static_cast<HICON>(LoadImageW(nullptr, id, IMAGE_ICON, side, side, LR_SHARED));
    ImageList_AddIcon(icons_, icon);
  }
  ListView_SetImageList(list_, icons_, LVSIL_SMALL);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = MulDiv(400, DpiForWindow(list_), 96);
  column.pszText = const_cast<wchar_t*>(L"");
  ListView_InsertColumn(list_, 0, &column);
}

MessageList::~MessageList() {
  // The list view does not own an image list it was given.
  if (icons_ != nullptr) ImageList_Destroy(icons_);
}

void MessageList::InsertMessage(std::string_view text, core::MessageIcon icon) {
  std::wstring wide = platform::win32::ToWide(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = 0;
  item.pszText = wide.data();
  item.iImage = static_cast<int>(icon);
  ListView_InsertItem(list_, &item);
  FitColumn();  // a scroll bar may have come
}

void MessageList::Clear() { ListView_DeleteAllItems(list_); }

void MessageList::SetColumnTitle(std::string_view title) {
  std::wstring wide = platform::win32::ToWide(title);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = wide.data();
  ListView_SetColumn(list_, 0, &column);
}

void MessageList::FitColumn() {
  // The client width leaves out a vertical scroll bar when there is one.
  RECT client{};
  GetClientRect(list_, &client);
  ListView_SetColumnWidth(list_, 0, client.right);
}

}  // namespace tarnwell::win
