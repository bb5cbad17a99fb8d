// A progress window for long operations (deleting or moving many messages):
// a small modeless window over its owner with a line of text, a bar that
// counts the steps done, and a Cancel button. Each step lets the messages
// that are waiting run, so the program's windows stay responsive (and the
// browser desktop sees the bar move) while the work goes on in the loop's
// own thread.
//
//   ProgressWindow progress(browser, "Deleting messages", count);
//   for (...) {
//     if (progress.cancelled()) break;
//     ... delete one ...
//     progress.Step(name);
//   }
//   // the window closes when `progress` goes
#pragma once

#include <string_view>

#include "platform/messages.h"

namespace tellmar {

// The window's template number and controls, for automation.
inline constexpr int kProgressTemplate = -20;
inline constexpr int kProgressTextId = 1003;
inline constexpr int kProgressBarId = 1004;

class ProgressWindow {
 public:
  ProgressWindow(HWND owner, std::string_view caption, int total);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // One step done: the bar moves on, the line shows `text` (when given), and
  // the messages already waiting run.
  void Step(std::string_view text = {});
  void SetText(std::string_view text);

  int position() const { return position_; }
  int total() const { return total_; }
  // Cancel (or the close box) was pressed; the owner decides when to stop.
  bool cancelled() const { return cancelled_; }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = 0;
  int total_ = 0;
  int position_ = 0;
  bool cancelled_ = false;
};

}  // namespace tellmar
