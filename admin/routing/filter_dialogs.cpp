#include "admin/routing/filter_dialogs.h"

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/menu.h"
#include "platform/window.h"
#include "resources/tmadmin32/routing_ids.h"

namespace tellmar::admin {
namespace {

using NameIds = res::tmadmin32::FilterName;
using TextIds = res::tmadmin32::EditDetails;
using ChooserIds = res::tmadmin32::Chooser;
using PrintIds = res::tmadmin32::AutoPrinting;

constexpr int kChooserBottomGap = 50;

void PresetText(HWND dialog, int id, std::string_view text, std::size_t limit) {
  SendDlgItemMessage(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(limit));
  SetDlgItemText(dialog, id, text);
  SendDlgItemMessage(dialog, id, EM_SETSEL, 0, -1);
  SetFocus(GetDlgItem(dialog, id));
}

int ScopeButton(FilterScope scope) {
  switch (scope) {
    case FilterScope::Internal: return NameIds::kInternal;
    case FilterScope::External: return NameIds::kExternal;
    case FilterScope::All: break;
  }
  return NameIds::kAllMail;
}

// Places the chooser with its left edge at the button's and its middle at
// the button's top, kept inside the screen.
void PlaceChooser(HWND dialog, HWND button) {
  if (button == 0) {
    CenterWindow(dialog);
    return;
  }
  const RECT at = GetWindowRect(button);
  const RECT own = GetWindowRect(dialog);
  const int width = own.right - own.left, height = own.bottom - own.top;
  int x = at.left, y = at.top - height / 2;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (x + width > screenWidth) x = screenWidth - width;
  if (y + height > screenHeight) y = screenHeight - kChooserBottomGap - height;
  MoveWindow(dialog, x < 0 ? 0 : x, y < 0 ? 0 : y, width, height);
}

}  // namespace

NameDialogResult RunNameDialog(HWND owner, const NameDialogRequest& request) {
  NameDialogResult result;
  DialogBox(NameIds::kTemplate, owner, [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      CenterWindow(dialog);
      SetWindowText(dialog, request.title);
      SetDlgItemText(dialog, NameIds::kPrompt, request.prompt);
      for (int id : {NameIds::kScopeLabel, NameIds::kInternal, NameIds::kExternal, NameIds::kAllMail})
        ShowDlgItem(dialog, id, request.showScope);
      if (request.showScope) CheckRadioButton(dialog, NameIds::kInternal, NameIds::kAllMail, ScopeButton(request.preset));
      PresetText(dialog, NameIds::kText, request.text, request.limit);
      return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == NameIds::kOk) {
      result.text = GetDlgItemText(dialog, NameIds::kText);
      result.scope = IsDlgButtonChecked(dialog, NameIds::kInternal) == BST_CHECKED   ? 2
                     : IsDlgButtonChecked(dialog, NameIds::kExternal) == BST_CHECKED ? 1
                                                                                     : 3;
      EndDialog(dialog, IDOK);
    } else if (LOWORD(wParam) == NameIds::kCancel) {
      EndDialog(dialog, IDCANCEL);
    }
    return TRUE;
  });
  return result;
}

std::string RunTextDialog(HWND owner, std::string_view prompt, std::string_view text, std::size_t limit) {
  std::string result;
  DialogBox(TextIds::kTemplate, owner, [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      CenterWindow(dialog);
      SetDlgItemText(dialog, TextIds::kPrompt, prompt);
      PresetText(dialog, TextIds::kText, text, limit);
      return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == TextIds::kOk) {
      result = GetDlgItemText(dialog, TextIds::kText);
      EndDialog(dialog, IDOK);
    } else if (LOWORD(wParam) == TextIds::kCancel) {
      EndDialog(dialog, IDCANCEL);
    }
    return TRUE;
  });
  return result;
}

std::string ChooseName(HWND owner, HWND button, std::string_view prompt, const std::vector<std::string>& names) {
  if (names.empty()) return {};
  if (names.size() <= kPopupChoiceMax) {
    Menu menu = CreatePopupMenu();
    for (std::size_t i = 0; i < names.size(); ++i)
      AppendMenu(menu, MF_STRING, kFirstChoiceCommand + static_cast<UINT>(i), names[i]);
    const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD, owner);
    if (chosen < kFirstChoiceCommand || chosen >= kFirstChoiceCommand + names.size()) return {};
    return names[chosen - kFirstChoiceCommand];
  }
  std::string result;
  DialogBox(ChooserIds::kTemplate, owner, [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    const HWND list = GetDlgItem(dialog, ChooserIds::kNames);
    auto choose = [&] {
      const int at = ListBox_GetCurSel(list);
      if (at >= 0) result = names[static_cast<std::size_t>(at)];
      EndDialog(dialog, IDOK);
    };
    if (message == WM_INITDIALOG) {
      PlaceChooser(dialog, button);
      SetDlgItemText(dialog, ChooserIds::kPrompt, prompt);
      for (const std::string& name : names) ListBox_AddString(list, name);
      ListBox_SetCurSel(list, 0);
      return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == ChooserIds::kOk || (LOWORD(wParam) == ChooserIds::kNames && HIWORD(wParam) == LBN_DBLCLK))
      choose();
    else if (LOWORD(wParam) == ChooserIds::kCancel)
      EndDialog(dialog, IDCANCEL);
    return TRUE;
  });
  return result;
}

std::string PrintOptionsText(bool header, bool attachments) {
  return std::string(header ? "Header: on " : "Header: off ") + (attachments ? "Attachments: on" : "Attachments: off");
}

std::optional<std::string> RunPrintOptions(HWND owner, std::string_view stored) {
  std::optional<std::string> result;
  DialogBox(PrintIds::kTemplate, owner, [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      CenterWindow(dialog);
      CheckDlgButton(dialog, PrintIds::kHeader, stored.find("Header: on") != std::string_view::npos);
      CheckDlgButton(dialog, PrintIds::kAttachments, stored.find("Attachments: on") != std::string_view::npos);
      return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == PrintIds::kOk) {
      result = PrintOptionsText(IsDlgButtonChecked(dialog, PrintIds::kHeader) == BST_CHECKED,
                                IsDlgButtonChecked(dialog, PrintIds::kAttachments) == BST_CHECKED);
      EndDialog(dialog, IDOK);
    } else if (LOWORD(wParam) == PrintIds::kCancel) {
      EndDialog(dialog, IDCANCEL);
    }
    return TRUE;
  });
  return result;
}

}  // namespace tellmar::admin
