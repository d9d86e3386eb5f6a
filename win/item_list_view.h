// The item list as a virtual report list view: the view holds only the row
// count and asks items::ItemList for each cell it draws.
#pragma once

#include <string>

#include "items/item_list.h"
#include "win/windows_ui.h"

namespace tarnwell::win {

class ItemListView final {
 public:
  // list is the template's owner-data list view; items must outlive this.
  ItemListView(HWND list, const items::ItemList& items);

  // Takes the row count from the list and redraws.
  void RowsChanged();
  // Answers the view's LVN_GETDISPINFOW.
  void AnswerCell(NMLVDISPINFOW* info);
  void SetColumnTitles(std::string_view path, std::string_view size);
  // The path column takes the width the size column leaves.
  void FitColumns();
  HWND handle() const { return list_; }

 private:
  HWND list_;
  const items::ItemList& items_;
  // The last cell's text, for a path longer than the view's buffer.
  std::wstring cell_;
};

}  // namespace tarnwell::win
