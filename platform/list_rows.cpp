#include "platform/list_rows.h"

#include "platform/controls.h"
#include "platform/window.h"

namespace tellmar {

std::string ListRow::Text() const {
  std::string text;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += '\t';
    text += columns[i];
  }
  return text;
}

void ListRows::Attach(HWND list) {
  list_ = list;
  Refill();
}

void ListRows::ShowRow(int index) {
  const ListRow& row = rows_[static_cast<std::size_t>(index)];
  ListBox_SetItemData(list_, index, row.data);
  ListBox_SetItemLook(list_, index, row.Look());
}

void ListRows::Refill() {
  if (list_ == 0) return;
  ListBox_ResetContent(list_);
  for (int i = 0; i < Count(); ++i) {
    ListBox_InsertString(list_, i, rows_[static_cast<std::size_t>(i)].Text());
    ShowRow(i);
  }
}

int ListRows::Add(ListRow row) {
  const int index = Count();
  Insert(index, std::move(row));
  return index;
}

bool ListRows::Insert(int index, ListRow row) {
  if (index < 0 || index > Count()) return false;
  rows_.insert(rows_.begin() + index, std::move(row));
  if (list_ != 0) {
    ListBox_InsertString(list_, index, rows_[static_cast<std::size_t>(index)].Text());
    ShowRow(index);
  }
  return true;
}

bool ListRows::Update(int index, ListRow row) {
  if (index < 0 || index >= Count()) return false;
  const bool sameText = row.Text() == rows_[static_cast<std::size_t>(index)].Text();
  rows_[static_cast<std::size_t>(index)] = std::move(row);
  if (list_ == 0) return true;
  if (!sameText) {
    // Replacing the text keeps the item's place and its selection.
    const bool selected = SendMessage(list_, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
    const int caret = ListBox_GetCurSel(list_);
    const bool multi = (GetWindowStyle(list_) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
    ListBox_DeleteString(list_, index);
    ListBox_InsertString(list_, index, rows_[static_cast<std::size_t>(index)].Text());
    if (multi && selected) SendMessage(list_, LB_SETSEL, 1, index);
    if (!multi && caret == index) ListBox_SetCurSel(list_, index);
  }
  ShowRow(index);
  return true;
}

bool ListRows::Remove(int index) {
  if (index < 0 || index >= Count()) return false;
  rows_.erase(rows_.begin() + index);
  if (list_ != 0) ListBox_DeleteString(list_, index);
  return true;
}

void ListRows::Clear() {
  rows_.clear();
  if (list_ != 0) ListBox_ResetContent(list_);
}

void ListRows::Assign(std::vector<ListRow> rows) {
  const std::vector<int> selected = Selected();
  const int top = list_ != 0 ? static_cast<int>(SendMessage(list_, LB_GETTOPINDEX, 0, 0)) : 0;
  rows_ = std::move(rows);
  Refill();
  if (list_ == 0) return;
  const bool multi = (GetWindowStyle(list_) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
  for (int index : selected) {
    if (index >= Count()) continue;
    if (multi)
      SendMessage(list_, LB_SETSEL, 1, index);
    else
      ListBox_SetCurSel(list_, index);
  }
  if (top < Count()) SendMessage(list_, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
}

std::vector<int> ListRows::Selected() const {
  if (list_ == 0) return {};
  if ((GetWindowStyle(list_) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0) return ListBox_GetSelItems(list_);
  const int sel = ListBox_GetCurSel(list_);
  if (sel < 0 || sel >= Count()) return {};
  return {sel};
}

}  // namespace tellmar
