#include "platform/progress_window.h"

#include <algorithm>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/loop.h"

namespace tellmar {
namespace {

// Waiting messages run between steps, but never for long: the work comes first.
constexpr int kMessagesPerStep = 64;

DialogTemplate ProgressTemplate(std::string_view caption) {
  DialogTemplate t;
  t.id = kProgressTemplate;
  t.caption = std::string(caption);
  t.cx = 200;
  t.cy = 62;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;
  t.controls.push_back({.kind = "static", .name = {}, .className = std::string(kStaticClass), .id = kProgressTextId, .caption = "",
                        .x = 7, .y = 7, .cx = 186, .cy = 10, .style = kChild});
  t.controls.push_back({.kind = "progress", .name = {}, .className = std::string(kProgressClass), .id = kProgressBarId, .caption = "",
                        .x = 7, .y = 20, .cx = 186, .cy = 12, .style = kChild});
  t.controls.push_back({.kind = "button", .name = {}, .className = std::string(kButtonClass), .id = IDCANCEL, .caption = "Cancel",
                        .x = 75, .y = 40, .cx = 50, .cy = 14, .style = kChild | WS_TABSTOP | BS_PUSHBUTTON});
  return t;
}

}  // namespace

ProgressWindow::ProgressWindow(HWND owner, std::string_view caption, int total) : total_(std::max(total, 0)) {
  hwnd_ = CreateDialogIndirect(ProgressTemplate(caption), owner, [this](HWND, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    // Cancel and the close box (which arrives as IDCANCEL) only ask to stop.
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
      cancelled_ = true;
      return 1;
    }
    return msg == WM_INITDIALOG ? 1 : 0;
  });
  if (hwnd_ == 0) return;
  SendDlgItemMessage(hwnd_, kProgressBarId, PBM_SETRANGE32, 0, total_);
  SendDlgItemMessage(hwnd_, kProgressBarId, PBM_SETPOS, 0, 0);
  CenterWindow(hwnd_);
  ShowWindow(hwnd_, SW_SHOW);
  Loop::Current().SendEarlyReplies();
}

ProgressWindow::~ProgressWindow() {
  if (hwnd_ != 0 && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void ProgressWindow::SetText(std::string_view text) {
  if (hwnd_ != 0) SetDlgItemText(hwnd_, kProgressTextId, text);
}

void ProgressWindow::Step(std::string_view text) {
  position_ = std::min(position_ + 1, total_);
  if (hwnd_ == 0 || !IsWindow(hwnd_)) return;
  SendDlgItemMessage(hwnd_, kProgressBarId, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  if (!text.empty()) SetText(text);
  Loop& loop = Loop::Current();
  for (int i = 0; i < kMessagesPerStep && loop.Pump(); ++i) {
  }
}

}  // namespace tellmar
