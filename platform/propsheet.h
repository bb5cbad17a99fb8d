// Property sheets and wizards built from page templates ("page" entries of
// the template files). A page procedure is a dialog procedure; it hears
// WM_INITDIALOG once (lParam: its PROPSHEETPAGE) when first shown, and
// WM_NOTIFY with a PSHNOTIFY whose code is PSN_SETACTIVE (shown),
// PSN_KILLACTIVE (left; answer TRUE through SetDlgMsgResult to stay),
// PSN_APPLY (answer PSNRET_INVALID to refuse and come to the front),
// PSN_RESET (cancelled), PSN_WIZBACK / PSN_WIZNEXT (answer -1 to stay, a
// page's template number to go there) and PSN_WIZFINISH (TRUE to stay).
//
// The sheet holds OK, Cancel and Apply (Back, Next, Finish and Cancel in a
// wizard), a tab list of the page titles (control IDC_SHEET_TABS; the
// page's title, else its template's caption; choosing an item shows its
// page) and a hint line (IDC_SHEET_HINT) that pages set with SetSheetHint.
// Apply is enabled once a page calls PropSheet_Changed. With a help file
// in the header, a Help button opens it (OpenHelpFile) at the shown page's
// help context, or the header's when the page has none.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"

namespace tellmar {

struct PROPSHEETPAGE {
  int templateId = 0;
  DlgProc proc;
  LPARAM lParam = 0;
  // The help topic of this page; 0: the sheet's own (the header's).
  int helpContext = 0;
  // The page's item in the tab list; empty: the template's caption.
  std::string title = {};
};

struct PROPSHEETHEADER {
  std::string caption;
  HWND owner = 0;
  std::vector<PROPSHEETPAGE> pages;
  int startPage = 0;
  bool wizard = false;
  bool noApplyButton = false;
  // A Help button (IDHELP) that opens this help file at the context.
  std::string helpFile;
  int helpContext = 0;
};

// Modal. Answers 1 when OK or Finish ended it or an Apply went through, 0
// when cancelled without, -1 on failure, kDialogAlreadyOpen as DialogBox.
INT_PTR PropertySheet(const PROPSHEETHEADER& header, DialogGuard* guard = nullptr);

HWND GetSheet(HWND page);
void PropSheet_Changed(HWND sheet, HWND page);
void PropSheet_UnChanged(HWND sheet, HWND page);
void PropSheet_SetWizButtons(HWND sheet, unsigned flags);
bool PropSheet_SetCurSel(HWND sheet, int index);
void PropSheet_PressButton(HWND sheet, int button);
HWND PropSheet_GetCurrentPageHwnd(HWND sheet);
void SetSheetHint(HWND sheet, std::string_view text);

// A page object behind a sheet's page: its procedure keeps the page's
// handle and hands on the page's opening (WM_INITDIALOG), each command
// (control ID, notification code) and each WM_NOTIFY's code.
class SheetPage {
 public:
  virtual ~SheetPage() = default;
  INT_PTR Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  virtual void Opened() {}
  virtual void Command(int /*id*/, unsigned /*code*/) {}
  // TRUE when handled; a result for the sheet goes through SetDlgMsgResult.
  virtual INT_PTR Notify(int /*code*/) { return FALSE; }

  HWND page_ = 0;
};

// The sheet's page for a page object, which lives as long as the sheet.
PROPSHEETPAGE MakeSheetPage(std::shared_ptr<SheetPage> page, int templateId);

}  // namespace tellmar
