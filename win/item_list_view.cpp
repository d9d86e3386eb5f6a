#include "win/item_list_view.h"

#include <algorithm>

#include "platform/win32/win_text.h"
#include "win/dpi_calls.h"
#include "win/windows_ui.h"

namespace tarnwell::win {
namespace {
constexpr int kPathWidth = 330;
constexpr int kSizeWidth = 90;
}  // namespace

ItemListView::ItemListView(HWND list, const items::ItemList& items) : list_(list), items_(items) {
  // A row cut at the list's edge shows whole in a tip under the pointer.
  ListView_SetExtendedListViewStyle(list_,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  const UINT dpi = DpiForWindow(list_);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.pszText = const_cast<wchar_t*>(L"");
  column.fmt = LVCFMT_LEFT;
  column.cx = MulDiv(kPathWidth, dpi, 96);
  ListView_InsertColumn(list_, items::ItemList::kPathColumn, &column);
  column.fmt = LVCFMT_RIGHT;
  column.cx = MulDiv(kSizeWidth, dpi, 96);
  ListView_InsertColumn(list_, items::ItemList::kSizeColumn, &column);
}

void ItemListView::RowsChanged() {
  // Asked of the list itself: a row count carried by a call may be stale.
  ListView_SetItemCountEx(list_, items_.RowCount(), 0);
  FitColumns();  // a scroll bar may have come or gone
  InvalidateRect(list_, nullptr, TRUE);
}

void ItemListView::AnswerCell(NMLVDISPINFOW* info) {
  if ((info->item.mask & LVIF_TEXT) == 0) return;
  cell_ = platform::win32::ToWide(
      items_.GetCellText(info->item.iItem, info->item.iSubItem).value_or(""));
  if (info->item.pszText != nullptr && static_cast<int>(cell_.size()) < info->item.cchTextMax) {
    std::copy(cell_.begin(), cell_.end(), info->item.pszText);
    info->item.pszText[cell_.size()] = L'\0';
  } else {
    info->item.pszText = cell_.data();
  }
}

void ItemListView::SetColumnTitles(std::string_view path, std::string_view size) {
  std::wstring titles[] = {platform::win32::ToWide(path), platform::win32::ToWide(size)};
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = titles[column].data();
    ListView_SetColumn(list_, column, &header);
  }
}

void ItemListView::FitColumns() {
  RECT client{};
  GetClientRect(list_, &client);
  const int size_width = ListView_GetColumnWidth(list_, items::ItemList::kSizeColumn);
  ListView_SetColumnWidth(list_, items::ItemList::kPathColumn,
                          std::max<int>(size_width, client.right - size_width));
}

}  // namespace tarnwell::win
