#include "win/item_list_view.h"

#include <algorithm>

#include "platform/win32/win_text.h"
#include "win/dpi_calls.h"

namespace tarnwell::win {
namespace {
constexpr int kPathWidth = 330;
constexpr int kSizeWidth = 90;
// A report cell's text starts and ends this far inside its column.
constexpr int kCellMargin = 12;
constexpr wchar_t kEllipsis[] = L"\u2026";

int TextWidth(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// text with its middle cut to "…" so that it fits width pixels in dc's font:
// the start and the file name at the end stay.
std::wstring ElideMiddle(HDC dc, const std::wstring& text, int width) {
  if (TextWidth(dc, text) <= width) return text;
  const auto elided = [&text](size_t keep) {
    const size_t tail = (keep + 1) / 2;
    return text.substr(0, keep - tail) + kEllipsis + text.substr(text.size() - tail);
  };
  // The most characters kept that still fit, found by halving.
  size_t fits = 0;
  size_t too_many = text.size();
  while (too_many - fits > 1) {
    const size_t keep = fits + (too_many - fits) / 2;
    (TextWidth(dc, elided(keep)) <= width ? fits : too_many) = keep;
  }
  return elided(fits);
}
}  // namespace

ItemListView::ItemListView(HWND list, const items::ItemList& items) : list_(list), items_(items) {
  // The whole path of a row shows in a tip under the pointer.
  ListView_SetExtendedListViewStyle(list_,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
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
  SetWindowSubclass(list_, &ItemListView::Paint, 0, reinterpret_cast<DWORD_PTR>(this));
}

ItemListView::~ItemListView() { RemoveWindowSubclass(list_, &ItemListView::Paint, 0); }

void ItemListView::RowsChanged() {
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  // Asked of the list itself: a row count carried by a call may be stale.
  ListView_SetItemCountEx(list_, items_.RowCount(), 0);
  FitColumns();  // a scroll bar may have come or gone
  InvalidateRect(list_, nullptr, TRUE);
}

void ItemListView::AnswerCell(NMLVDISPINFOW* info) {
  if ((info->item.mask & LVIF_TEXT) == 0) return;
  cell_ = platform::win32::ToWide(
      items_.GetCellText(info->item.iItem, info->item.iSubItem).value_or(""));
  if (info->item.iSubItem == items::ItemList::kPathColumn) {
    HDC dc = GetDC(list_);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    const int width = ListView_GetColumnWidth(list_, items::ItemList::kPathColumn) -
                      MulDiv(kCellMargin, DpiForWindow(list_), 96);
    cell_ = ElideMiddle(dc, cell_, std::max(0, width));
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
  }
  if (info->item.pszText != nullptr && static_cast<int>(cell_.size()) < info->item.cchTextMax) {
    std::copy(cell_.begin(), cell_.end(), info->item.pszText);
    info->item.pszText[cell_.size()] = L'\0';
  } else {
    info->item.pszText = cell_.data();
  }
}

void ItemListView::AnswerTip(NMLVGETINFOTIPW* tip) {
  if (tip->pszText == nullptr || tip->cchTextMax <= 0) return;
  const std::wstring path = platform::win32::ToWide(
      items_.GetCellText(tip->iItem, items::ItemList::kPathColumn).value_or(""));
  const size_t length = std::min(path.size(), static_cast<size_t>(tip->cchTextMax - 1));
  std::copy_n(path.begin(), length, tip->pszText);
  tip->pszText[length] = L'\0';
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

void ItemListView::SetHint(std::string_view hint) {
  hint_ = platform::win32::ToWide(hint);
  InvalidateRect(list_, nullptr, TRUE);
}

void ItemListView::FitColumns() {
  RECT client{};
  GetClientRect(list_, &client);
  const int size_width = ListView_GetColumnWidth(list_, items::ItemList::kSizeColumn);
  ListView_SetColumnWidth(list_, items::ItemList::kPathColumn,
                          std::max<int>(size_width, client.right - size_width));
}

std::vector<int> ItemListView::SelectedRows() const {
  std::vector<int> rows;
  for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(list_, row, LVNI_SELECTED)) {
    rows.push_back(row);
  }
  return rows;
}

LRESULT CALLBACK ItemListView::Paint(HWND list, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR self) {
  const LRESULT result = DefSubclassProc(list, message, wparam, lparam);
  if (message == WM_PAINT) reinterpret_cast<ItemListView*>(self)->DrawHint();
  // The hint's focus mark follows the focus.
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) InvalidateRect(list, nullptr, TRUE);
  return result;
}

void ItemListView::DrawHint() {
  if (ListView_GetItemCount(list_) > 0) return;
  RECT area{};
  GetClientRect(list_, &area);
  RECT header{};
  if (HWND header_control = ListView_GetHeader(list_)) GetWindowRect(header_control, &header);
  area.top += header.bottom - header.top;
  HDC dc = GetDC(list_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list_, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  RECT text = area;
  InflateRect(&text, -8, -8);
  DrawTextW(dc, hint_.c_str(), static_cast<int>(hint_.size()), &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  // An empty list has no row to show the focus on: the area shows it.
  if (GetFocus() == list_) {
    InflateRect(&area, -2, -2);
    DrawFocusRect(dc, &area);
  }
  SelectObject(dc, old);
  ReleaseDC(list_, dc);
}

void ShowFocusedRow(HWND list) {
  if (ListView_GetItemCount(list) == 0 || ListView_GetNextItem(list, -1, LVNI_FOCUSED) >= 0) return;
  ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

}  // namespace tarnwell::win
