#include "pop3/list_box_log.h"

#include "platform/controls.h"
#include "platform/window.h"

namespace tellmar::pop3 {

void ListBoxLog::Line(std::string_view text) {
  if (text.empty() || list_ == 0 || !IsWindow(list_)) return;
  if (ListBox_GetCount(list_) >= static_cast<int>(kLogListLines)) ListBox_DeleteString(list_, 0);
  ListBox_AddString(list_, LogLineText(text));
  ScrollToEnd(ListBox_GetCount(list_));
}

void ListBoxLog::ScrollToEnd(int count) {
  if (lineHeight_ <= 0) lineHeight_ = static_cast<int>(SendMessage(list_, LB_GETITEMHEIGHT, 0, 0));
  if (lineHeight_ <= 0) return;
  const RECT client = GetClientRect(list_);
  const int fitting = (client.bottom - client.top + 1) / lineHeight_;
  if (count > fitting) SendMessage(list_, LB_SETTOPINDEX, static_cast<WPARAM>(count - fitting), 0);
}

}  // namespace tellmar::pop3
