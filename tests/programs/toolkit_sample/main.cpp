// toolkit_sample: a test-only program that shows the platform's list rows,
// print chooser and progress window on the desktop, as the tests' fixture.
//
//   toolkit_sample [--lines N] [--steps N]
//
// The list shows three rows (a red one with an icon, a plain one with an
// icon, a bold one) and N more plain rows. "Print..." asks where to print
// and prints a title and one line per row; "Progress" runs a long operation
// of N steps (40 by default) that Cancel stops. The status line (1003) says
// how each ended.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/list_rows.h"
#include "platform/loop.h"
#include "platform/print/print_chooser.h"
#include "platform/progress_window.h"

using namespace tellmar;

namespace {

constexpr int kDialog = 100;
constexpr int kList = 1000;
constexpr int kPrint = 1001;
constexpr int kProgress = 1002;
constexpr int kStatus = 1003;

struct Sample {
  ListRows rows;
  int steps = 40;
};

void PrintRows(HWND dialog, const ListRows& rows) {
  auto printer = print::ChoosePrinter(dialog, "rows.pdf");
  if (!printer) {
    SetDlgItemText(dialog, kStatus, "Print cancelled");
    return;
  }
  print::PageWriter page(*printer, "Toolkit sample rows");
  page.Line("Toolkit sample rows", true);
  page.Skip();
  for (const ListRow& row : rows.rows()) {
    std::string line;
    for (const std::string& column : row.columns) line += (line.empty() ? "" : "  ") + column;
    page.Line(line, row.bold);
  }
  const std::string error = printer->Print(page.Finish());
  SetDlgItemText(dialog, kStatus, error.empty() ? "Printed on " + printer->Name() : "Print failed: " + error);
}

void RunProgress(HWND dialog, int steps) {
  ProgressWindow progress(dialog, "Moving messages", steps);
  for (int i = 0; i < steps && !progress.cancelled(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the work of one message
    progress.Step("Message " + std::to_string(i + 1) + " of " + std::to_string(steps));
  }
  SetDlgItemText(dialog, kStatus,
                 progress.cancelled() ? "Cancelled at " + std::to_string(progress.position()) : "Done");
}

INT_PTR SampleProc(Sample& s, HWND dialog, UINT msg, WPARAM wp) {
  switch (msg) {
    case WM_INITDIALOG:
      ListBox_SetTabStops(GetDlgItem(dialog, kList), {40, 120});
      s.rows.Attach(GetDlgItem(dialog, kList));
      return 1;
    case WM_COMMAND:
      if (LOWORD(wp) == kPrint) PrintRows(dialog, s.rows);
      if (LOWORD(wp) == kProgress) RunProgress(dialog, s.steps);
      if (LOWORD(wp) == IDCANCEL) PostQuitMessage(0);
      return 1;
    default:
      return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Sample s;
  int extra = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--lines") extra = std::atoi(argv[i + 1]);
    if (option == "--steps") s.steps = std::atoi(argv[i + 1]);
  }
  Loop loop;
  if (auto error = loop.OpenChannel("toolkit_sample")) {
    std::fprintf(stderr, "toolkit_sample: cannot join the desktop: %s\n", error.message().c_str());
    return 1;
  }
  s.rows.Add({.columns = {"ANNA", "Anna Smith", "3"}, .icon = 201, .color = RGB(255, 0, 0), .data = 11});
  s.rows.Add({.columns = {"BOB", "Bob Jones", "0"}, .icon = 202, .data = 12});
  s.rows.Add({.columns = {"ROOT", "Root user", "12"}, .bold = true, .data = 13});
  for (int i = 0; i < extra; ++i) s.rows.Add({.columns = {"LINE", "Line " + std::to_string(i + 1), ""}});
  const HWND dialog = CreateDialog(kDialog, 0, [&s](HWND h, UINT m, WPARAM w, LPARAM) { return SampleProc(s, h, m, w); });
  if (dialog == 0) return 1;
  ShowWindow(dialog, SW_SHOW);
  return loop.Run();
}
