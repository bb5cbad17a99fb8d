// Rows of a list box kept apart from the control: the program keeps its
// rows here (columns, icon, colour, bold, item data) and the list box only
// shows them, so nobody reads data back out of the control.
//
// A row's columns are shown as one text with a TAB between them, at the
// list's tab stops, exactly as a list item's text always was; its look
// (icon, colour, bold) and item data travel beside the text. The list box
// must not sort (LBS_SORT): the rows keep their own order.
//
//   ListRows rules(GetDlgItem(page, kRuleList));
//   rules.Add({.columns = {"Spam"}, .icon = kInactiveIcon, .color = RGB(255, 0, 0), .data = 7});
//   for (int i : rules.Selected()) ... rules.At(i).data ...
#pragma once

#include <string>
#include <vector>

#include "platform/messages.h"

namespace tellmar {

struct ListRow {
  std::vector<std::string> columns;
  int icon = 0;  // resource number of the row's image, 0: none
  COLORREF color = kDefaultColor;
  bool bold = false;
  LPARAM data = 0;

  std::string Text() const;  // the columns joined by TAB
  ItemLook Look() const { return ItemLook{icon, color, bold}; }
};

class ListRows {
 public:
  explicit ListRows(HWND list = 0) : list_(list) {}

  // Shows the rows in `list` (0: in none), replacing what it held.
  void Attach(HWND list);
  HWND list() const { return list_; }

  int Count() const { return static_cast<int>(rows_.size()); }
  const ListRow& At(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
  const std::vector<ListRow>& rows() const { return rows_; }

  int Add(ListRow row);
  bool Insert(int index, ListRow row);
  bool Update(int index, ListRow row);
  bool Remove(int index);
  void Clear();
  // Replaces every row, keeping the selection and the top line where they
  // still exist (a refresh that a person should not notice).
  void Assign(std::vector<ListRow> rows);

  // The rows selected in the list, in order (one at most in a
  // single-selection list).
  std::vector<int> Selected() const;

 private:
  void ShowRow(int index);  // the control's item `index` from rows_
  void Refill();

  HWND list_ = 0;
  std::vector<ListRow> rows_;
};

}  // namespace tellmar
