#include "admin/config/spin_range.h"

#include "common/profile.h"
#include "platform/dialog.h"

namespace tellmar::admin {

void SetSpinKeepingValue(HWND dialog, int spin, int min, int max, std::string_view value) {
  SendDlgItemMessage(dialog, spin, UDM_SETRANGE32, static_cast<WPARAM>(min), max);
  const int n = ParseProfileInt(value);
  if (n >= min && n <= max) SendDlgItemMessage(dialog, spin, UDM_SETPOS32, 0, n);
}

}  // namespace tellmar::admin
