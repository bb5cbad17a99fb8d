// Property sheets and wizards, driven as a person would through automation.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/propsheet.h"

using namespace tellmar;

namespace {

void RegisterPages() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterResourceText("sheet.tmr", R"(
page 9301 "General" 0 0 200 100
  edit 1047 "" 7 7 100 12
end
page 9302 "Password" 0 0 200 100
  edit 1048 "" 7 7 100 12
end
)");
}

struct PageLog {
  std::vector<std::string> events;
  bool refuseApply = false;
  DlgProc Proc(const std::string& name) {
    return [this, name](HWND page, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
      if (msg == WM_COMMAND && HIWORD(wp) == EN_CHANGE) PropSheet_Changed(GetSheet(page), page);
      if (msg != WM_NOTIFY) return FALSE;
      const int code = reinterpret_cast<const NMHDR*>(lp)->code;
      if (code == PSN_SETACTIVE) {
        events.push_back(name + " shown");
        SetSheetHint(GetSheet(page), name + " hint");
      }
      if (code == PSN_KILLACTIVE) events.push_back(name + " left");
      if (code == PSN_APPLY) {
        events.push_back(name + " apply");
        SetDlgMsgResult(page, refuseApply && name == "password" ? PSNRET_INVALID : PSNRET_NOERROR);
      }
      if (code == PSN_WIZFINISH) events.push_back(name + " finish");
      return TRUE;
    };
  }
};

// Runs `step` on the sheet in front once the sheet's own loop is running.
void WhenShown(std::function<void(HWND sheet)> step) {
  RegisterClass({"Driver", [step](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m != WM_TIMER) return DefWindowProc(h, m, w, l);
                   KillTimer(h, 1);
                   step(GetForegroundWindow());
                   return 0;
                 }});
  SetTimer(CreateWindow("Driver", "", 0, 0, 0, 1, 1), 1, 1);
}

}  // namespace

TEST(PropertySheet, PagesLoadOnShowMarkChangesApplyAndRefuse) {
  Loop loop;
  RegisterPages();
  PageLog log;
  log.refuseApply = true;
  PROPSHEETHEADER h;
  h.caption = "Options";
  h.pages = {{9301, log.Proc("general")}, {9302, log.Proc("password")}};
  WhenShown([&](HWND sheet) {
    EXPECT_EQ(GetWindowText(sheet), "Options");
    EXPECT_EQ(GetDlgItemText(sheet, IDC_SHEET_HINT), "general hint");
    const HWND apply = GetDlgItem(sheet, IDC_SHEET_APPLY);
    EXPECT_FALSE(IsWindowEnabled(apply));
    automation::SetText(automation::FindControl(PropSheet_GetCurrentPageHwnd(sheet), 1047), "x");
    EXPECT_TRUE(IsWindowEnabled(apply)) << "a person's edit marks the page changed";
    EXPECT_TRUE(automation::SelectItem(GetDlgItem(sheet, IDC_SHEET_TABS), 1));
    EXPECT_EQ(GetDlgItemText(sheet, IDC_SHEET_HINT), "password hint");
    // Through the sheet, a control of the page it shows (and only of that page).
    EXPECT_EQ(automation::FindControl(sheet, 1048), GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), 1048));
    EXPECT_EQ(automation::FindControl(sheet, 1047), 0);
    EXPECT_TRUE(automation::SelectItem(GetDlgItem(sheet, IDC_SHEET_TABS), 0));
    EXPECT_TRUE(automation::Click(apply));  // refused by the password page, which comes forward
    EXPECT_EQ(ListBox_GetCurSel(GetDlgItem(sheet, IDC_SHEET_TABS)), 1);
    log.refuseApply = false;
    EXPECT_TRUE(automation::Click(GetDlgItem(sheet, IDOK)));
  });
  EXPECT_EQ(PropertySheet(h), 1);
  EXPECT_EQ(log.events, (std::vector<std::string>{"general shown", "general left", "password shown", "password left",
                                                  "general shown", "general left", "general apply", "password apply",
                                                  "password shown", "password left", "general apply",
                                                  "password apply"}));
}

TEST(PropertySheet, WizardMovesWithNextAndBackAndEndsWithFinish) {
  Loop loop;
  RegisterPages();
  PageLog log;
  PROPSHEETHEADER h;
  h.caption = "Setup Wizard";
  h.wizard = true;
  h.helpFile = "/nonexistent/TELLMSRV.HLP";
  auto scripted = std::make_unique<ScriptedOperator>();
  ScriptedOperator& op = *scripted;
  loop.SetOperator(std::move(scripted));
  h.pages = {{9301, log.Proc("domain")}, {9302, log.Proc("user")}};
  WhenShown([&](HWND sheet) {
    EXPECT_TRUE(automation::Click(GetDlgItem(sheet, IDHELP)));
    EXPECT_EQ(op.shown().at(0).text, "Cannot open the help file /nonexistent/TELLMSRV.HLP");
    EXPECT_TRUE(automation::Click(GetDlgItem(sheet, IDC_SHEET_NEXT)));
    PropSheet_SetWizButtons(sheet, PSWIZB_BACK | PSWIZB_FINISH);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDC_SHEET_NEXT)));
    EXPECT_TRUE(automation::Click(GetDlgItem(sheet, IDC_SHEET_BACK)));
    EXPECT_TRUE(automation::Click(GetDlgItem(sheet, IDC_SHEET_NEXT)) == false);
    PropSheet_SetWizButtons(sheet, PSWIZB_NEXT);
    EXPECT_TRUE(automation::Click(GetDlgItem(sheet, IDC_SHEET_NEXT)));
    PropSheet_SetWizButtons(sheet, PSWIZB_FINISH);
    EXPECT_TRUE(automation::Click(GetDlgItem(sheet, IDC_SHEET_FINISH)));
  });
  EXPECT_EQ(PropertySheet(h), 1);
  EXPECT_EQ(log.events, (std::vector<std::string>{"domain shown", "user shown", "domain shown", "user shown",
                                                  "user finish"}));
}
