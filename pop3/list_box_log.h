// The activity log as the status dialog shows it: the lines of a list box,
// the newest at the bottom and kept in view, at most kLogListLines of them.
#pragma once

#include <string_view>

#include "platform/messages.h"
#include "pop3/activity_log.h"

namespace tellmar::pop3 {

class ListBoxLog : public ActivityLog {
 public:
  // Lines go to this list box from now on; 0 (or a list box that has gone)
  // drops them.
  void SetListBox(HWND list) { list_ = list; }
  HWND listBox() const { return list_; }

  void Line(std::string_view text) override;

 private:
  void ScrollToEnd(int count);

  HWND list_ = 0;
  int lineHeight_ = 0;  // measured at the first line
};

}  // namespace tellmar::pop3
