// The item list as a virtual report list view: the view holds only the row
// count and asks items::ItemList for each cell it draws. Long paths are
// elided in the middle so the file name stays; the empty list shows a hint.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "items/item_list.h"
#include "win/windows_ui.h"

namespace tarnwell::win {

class ItemListView final {
 public:
  // list is the template's owner-data list view; items must outlive this.
  ItemListView(HWND list, const items::ItemList& items);
  ~ItemListView();
  ItemListView(const ItemListView&) = delete;
  ItemListView& operator=(const ItemListView&) = delete;

  // Takes the row count from the list and redraws; the selection is cleared,
  // as its row numbers may name other rows now.
  void RowsChanged();
  // Answers the view's LVN_GETDISPINFOW, a path elided in the middle to fit.
  void AnswerCell(NMLVDISPINFOW* info);
  // Answers LVN_GETINFOTIPW with the whole path of the row.
  void AnswerTip(NMLVGETINFOTIPW* tip);
  void SetColumnTitles(std::string_view path, std::string_view size);
  // The text drawn in the middle of the empty list.
  void SetHint(std::string_view hint);
  // The path column takes the width the size column leaves.
  void FitColumns();
  // The selected rows, in ascending order.
  std::vector<int> SelectedRows() const;
  HWND handle() const { return list_; }

 private:
  static LRESULT CALLBACK Paint(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                DWORD_PTR self);
  void DrawHint();

  HWND list_;
  const items::ItemList& items_;
  std::wstring hint_;
  // The last cell's text, for a path longer than the view's buffer.
  std::wstring cell_;
};

// The list's focused row, or row 0 when none is: a list that has the focus
// shows where it is (both lists use it on NM_SETFOCUS).
void ShowFocusedRow(HWND list);

}  // namespace tarnwell::win
