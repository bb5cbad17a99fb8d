#include "platform/propsheet.h"

#include <memory>

#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/shell.h"

namespace tellmar {
namespace {

constexpr int kTabListHeight = 14;

struct Page {
  PROPSHEETPAGE def;
  const DialogTemplate* tmpl = nullptr;
  HWND hwnd = 0;
  bool changed = false;
};

struct Sheet {
  HWND hwnd = 0;
  std::vector<Page> pages;
  int current = -1;
  bool wizard = false;
  bool applied = false;
  std::string helpFile;
  int helpContext = 0;
};

ControlTemplate Control(std::string_view cls, int id, std::string_view caption, int x, int y, int cx,
                        std::uint32_t style) {
  ControlTemplate c;
  c.className = std::string(cls);
  c.id = id;
  c.caption = std::string(caption);
  c.x = x;
  c.y = y;
  c.cx = cx;
  c.cy = 14;
  c.style = WS_CHILD | WS_VISIBLE | style;
  return c;
}

LRESULT Notify(Sheet& s, int index, int code) {
  Page& p = s.pages[static_cast<std::size_t>(index)];
  if (p.hwnd == 0) return 0;
  PSHNOTIFY n;
  n.hdr.hwndFrom = s.hwnd;
  n.hdr.code = code;
  n.lParam = 0;
  return SendMessage(p.hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

bool ShowPage(Sheet& s, int index, bool leaveCheck) {
  if (index < 0 || index >= static_cast<int>(s.pages.size())) return false;
  if (index == s.current) return true;
  if (s.current >= 0) {
    if (leaveCheck && Notify(s, s.current, PSN_KILLACTIVE) != 0) return false;
    ShowWindow(s.pages[static_cast<std::size_t>(s.current)].hwnd, SW_HIDE);
  }
  Page& p = s.pages[static_cast<std::size_t>(index)];
  if (p.hwnd == 0) {
    DialogTemplate t = *p.tmpl;
    t.style = (t.style | WS_CHILD) & ~WS_VISIBLE;
    // Below the tab list, which the page would otherwise cover.
    if (!s.wizard) t.y += kTabListHeight + 2;
    p.hwnd = CreateDialogIndirect(t, s.hwnd, p.def.proc, reinterpret_cast<LPARAM>(&p.def));
    if (p.hwnd == 0) return false;
  }
  s.current = index;
  ShowWindow(p.hwnd, SW_SHOW);
  SendDlgItemMessage(s.hwnd, IDC_SHEET_TABS, LB_SETCURSEL, static_cast<WPARAM>(index));
  Notify(s, index, PSN_SETACTIVE);
  return true;
}

bool Apply(Sheet& s) {
  if (s.current >= 0 && Notify(s, s.current, PSN_KILLACTIVE) != 0) return false;
  for (int i = 0; i < static_cast<int>(s.pages.size()); ++i) {
    const LRESULT result = Notify(s, i, PSN_APPLY);
    if (result == PSNRET_INVALID || result == PSNRET_INVALID_NOCHANGEPAGE) {
      if (result == PSNRET_INVALID) ShowPage(s, i, false);
      return false;
    }
  }
  for (Page& p : s.pages) p.changed = false;
  s.applied = true;
  EnableDlgItem(s.hwnd, IDC_SHEET_APPLY, false);
  return true;
}

int IndexOfTemplate(const Sheet& s, LRESULT templateId) {
  for (std::size_t i = 0; i < s.pages.size(); ++i)
    if (s.pages[i].def.templateId == templateId) return static_cast<int>(i);
  return -1;
}

void WizardStep(Sheet& s, int code, int direction) {
  const LRESULT result = Notify(s, s.current, code);
  if (result == -1) return;
  const int target = result == 0 ? s.current + direction : IndexOfTemplate(s, result);
  ShowPage(s, target, false);
}

INT_PTR SheetCommand(Sheet& s, int id) {
  switch (id) {
    case IDOK:
      if (Apply(s)) EndDialog(s.hwnd, 1);
      return TRUE;
    case IDCANCEL:
      for (int i = 0; i < static_cast<int>(s.pages.size()); ++i) Notify(s, i, PSN_RESET);
      EndDialog(s.hwnd, s.applied ? 1 : 0);
      return TRUE;
    case IDC_SHEET_APPLY:
      Apply(s);
      return TRUE;
    case IDC_SHEET_BACK:
      WizardStep(s, PSN_WIZBACK, -1);
      return TRUE;
    case IDC_SHEET_NEXT:
      WizardStep(s, PSN_WIZNEXT, +1);
      return TRUE;
    case IDC_SHEET_FINISH:
      if (Notify(s, s.current, PSN_WIZFINISH) == 0) EndDialog(s.hwnd, 1);
      return TRUE;
    case IDHELP: {
      const int pageContext = s.current >= 0 ? s.pages[static_cast<std::size_t>(s.current)].def.helpContext : 0;
      OpenHelpFile(s.hwnd, s.helpFile, pageContext != 0 ? pageContext : s.helpContext);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void SetWizardButtons(Sheet& s, unsigned flags) {
  EnableDlgItem(s.hwnd, IDC_SHEET_BACK, (flags & PSWIZB_BACK) != 0);
  EnableDlgItem(s.hwnd, IDC_SHEET_NEXT, (flags & PSWIZB_NEXT) != 0);
  const bool finish = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
  ShowDlgItem(s.hwnd, IDC_SHEET_FINISH, finish);
  EnableDlgItem(s.hwnd, IDC_SHEET_FINISH, (flags & PSWIZB_FINISH) != 0);
  ShowDlgItem(s.hwnd, IDC_SHEET_NEXT, !finish);
}

INT_PTR SheetProc(Sheet& s, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      s.hwnd = hwnd;
      for (const Page& p : s.pages)
        ListBox_AddString(GetDlgItem(hwnd, IDC_SHEET_TABS), p.def.title.empty() ? p.tmpl->caption : p.def.title);
      if (s.wizard) SetWizardButtons(s, PSWIZB_BACK | PSWIZB_NEXT);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_SHEET_TABS) {
        if (HIWORD(wp) == LBN_SELCHANGE) {
          const int wanted = ListBox_GetCurSel(GetDlgItem(hwnd, IDC_SHEET_TABS));
          if (!ShowPage(s, wanted, true))
            SendDlgItemMessage(hwnd, IDC_SHEET_TABS, LB_SETCURSEL, static_cast<WPARAM>(s.current));
        }
        return TRUE;
      }
      return SheetCommand(s, LOWORD(wp));
    case PSM_CHANGED:
    case PSM_UNCHANGED:
      for (Page& p : s.pages)
        if (p.hwnd == static_cast<HWND>(wp)) p.changed = msg == PSM_CHANGED;
      {
        bool any = false;
        for (const Page& p : s.pages) any = any || p.changed;
        EnableDlgItem(hwnd, IDC_SHEET_APPLY, any);
      }
      return TRUE;
    case PSM_SETWIZBUTTONS:
      SetWizardButtons(s, static_cast<unsigned>(lp));
      return TRUE;
    case PSM_SETCURSEL:
      SetDlgMsgResult(hwnd, ShowPage(s, static_cast<int>(wp), true) ? 1 : 0);
      return TRUE;
    case PSM_GETCURRENTPAGEHWND:
      SetDlgMsgResult(hwnd, s.current >= 0 ? s.pages[static_cast<std::size_t>(s.current)].hwnd : 0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR PropertySheet(const PROPSHEETHEADER& header, DialogGuard* guard) {
  auto sheet = std::make_shared<Sheet>();
  sheet->wizard = header.wizard;
  sheet->helpFile = header.helpFile;
  sheet->helpContext = header.helpContext;
  int width = 100, height = 60;
  for (const PROPSHEETPAGE& def : header.pages) {
    const DialogTemplate* t = FindDialogTemplate(def.templateId);
    if (t == nullptr) return -1;
    sheet->pages.push_back(Page{def, t, 0, false});
    width = std::max(width, t->cx);
    height = std::max(height, t->cy);
  }
  if (sheet->pages.empty()) return -1;
  DialogTemplate t;
  t.caption = header.caption;
  t.cx = width + 14;
  t.cy = height + 60;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const int y = height + 40;
  ControlTemplate tabs = Control(kListBoxClass, IDC_SHEET_TABS, "", 7, 2, width, LBS_NOTIFY);
  tabs.cy = kTabListHeight;
  if (header.wizard) tabs.style &= ~WS_VISIBLE;
  t.controls.push_back(tabs);
  t.controls.push_back(Control(kStaticClass, IDC_SHEET_HINT, "", 7, height + 22, width, 0));
  if (header.wizard) {
    t.controls.push_back(Control(kButtonClass, IDC_SHEET_BACK, "< &Back", 7, y, 50, WS_TABSTOP));
    t.controls.push_back(Control(kButtonClass, IDC_SHEET_NEXT, "&Next >", 60, y, 50, WS_TABSTOP | BS_DEFPUSHBUTTON));
    t.controls.push_back(Control(kButtonClass, IDC_SHEET_FINISH, "Finish", 60, y, 50, WS_TABSTOP));
    t.controls.back().style &= ~WS_VISIBLE;
  } else {
    t.controls.push_back(Control(kButtonClass, IDOK, "OK", 7, y, 50, WS_TABSTOP | BS_DEFPUSHBUTTON));
  }
  t.controls.push_back(Control(kButtonClass, IDCANCEL, "Cancel", 113, y, 50, WS_TABSTOP));
  if (!header.wizard && !header.noApplyButton)
    t.controls.push_back(Control(kButtonClass, IDC_SHEET_APPLY, "&Apply", 166, y, 50, WS_TABSTOP | WS_DISABLED));
  if (!header.helpFile.empty()) {
    t.cx = std::max(t.cx, 7 + 5 * 53);
    t.controls.push_back(Control(kButtonClass, IDHELP, "&Help", 219, y, 50, WS_TABSTOP));
  }
  const int start = std::clamp(header.startPage, 0, static_cast<int>(sheet->pages.size()) - 1);
  return DialogBoxIndirect(t, header.owner, [sheet, start](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
    const INT_PTR handled = SheetProc(*sheet, hwnd, msg, wp, lp);
    if (msg == WM_INITDIALOG) ShowPage(*sheet, start, false);
    return handled;
  }, 0, guard);
}

HWND GetSheet(HWND page) { return GetParent(page); }
void PropSheet_Changed(HWND sheet, HWND page) { SendMessage(sheet, PSM_CHANGED, static_cast<WPARAM>(page)); }
void PropSheet_UnChanged(HWND sheet, HWND page) { SendMessage(sheet, PSM_UNCHANGED, static_cast<WPARAM>(page)); }
void PropSheet_SetWizButtons(HWND sheet, unsigned flags) { SendMessage(sheet, PSM_SETWIZBUTTONS, 0, flags); }
bool PropSheet_SetCurSel(HWND sheet, int index) {
  return SendMessage(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index)) != 0;
}
void PropSheet_PressButton(HWND sheet, int button) {
  static constexpr int kIds[] = {IDC_SHEET_BACK, IDC_SHEET_NEXT, IDC_SHEET_FINISH, IDOK, IDC_SHEET_APPLY, IDCANCEL};
  if (button >= 0 && button < 6) PostMessage(sheet, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(kIds[button]), BN_CLICKED));
}
HWND PropSheet_GetCurrentPageHwnd(HWND sheet) { return static_cast<HWND>(SendMessage(sheet, PSM_GETCURRENTPAGEHWND)); }
void SetSheetHint(HWND sheet, std::string_view text) { SetDlgItemText(sheet, IDC_SHEET_HINT, text); }

INT_PTR SheetPage::Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      page_ = page;
      Opened();
      return TRUE;
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      return Notify(reinterpret_cast<const NMHDR*>(lParam)->code);
    default:
      return FALSE;
  }
}

PROPSHEETPAGE MakeSheetPage(std::shared_ptr<SheetPage> page, int templateId) {
  return {templateId, [page](HWND h, UINT m, WPARAM w, LPARAM l) { return page->Proc(h, m, w, l); }};
}

}  // namespace tellmar
