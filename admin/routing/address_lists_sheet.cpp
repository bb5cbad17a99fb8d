#include "admin/routing/address_lists_sheet.h"

#include <memory>

#include "admin/routing/address_alias_page.h"
#include "admin/routing/address_lists.h"
#include "admin/routing/list_files.h"
#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/propsheet.h"
#include "platform/window.h"
#include "resources/tmadmin32/address_lists_ids.h"

namespace tellmar::admin {
namespace {

using ListIds = res::tmadmin32::ListsPage;
using ReplyIds = res::tmadmin32::ReplyAddressPage;
using NameIds = res::tmadmin32::ListName;

// Help topics of the pages.
constexpr int kListsHelp = 8, kAliasHelp = 9, kReplyHelp = 13;

// The name dialog of Create, Copy and Rename: empty on Cancel.
std::string AskListName(HWND owner, std::string_view preset) {
  std::string result;
  DialogBox(NameIds::kTemplate, owner, [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      CenterWindow(dialog);
      SendDlgItemMessage(dialog, NameIds::kName, EM_LIMITTEXT, kListNameMax);
      SetDlgItemText(dialog, NameIds::kName, preset);
      SendDlgItemMessage(dialog, NameIds::kName, EM_SETSEL, 0, -1);
      SetFocus(GetDlgItem(dialog, NameIds::kName));
      return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == NameIds::kOk) {
      const std::string name = GetDlgItemText(dialog, NameIds::kName);
      if (auto refusal = CheckListName(name)) {
        Refuse(dialog, NameIds::kName, "Invalid file name", *refusal);
        return TRUE;
      }
      result = name;
      EndDialog(dialog, IDOK);
    } else if (LOWORD(wParam) == NameIds::kCancel) {
      EndDialog(dialog, IDCANCEL);
    }
    return TRUE;
  });
  return result;
}

// --- Lists page ------------------------------------------------------------

class ListsPage {
 public:
  INT_PTR Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      page_ = page;
      const HWND sheet = GetSheet(page);
      // The sheet closes with "Close"; nothing waits for an OK.
      ShowWindow(GetDlgItem(sheet, IDOK), SW_HIDE);
      SetDlgItemText(sheet, IDCANCEL, "&Close");
      Init();
      return TRUE;
    }
    if (message == WM_COMMAND) {
      Command(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == PSN_RESET &&
        App().role == Role::RemoteConfiguration)
      (void)WriteProfileString(ServerSettingsFile(), "environment", "RemoteUpdate", "-1");
    return FALSE;
  }

 private:
  HWND List() const { return GetDlgItem(page_, ListIds::kLists); }
  HWND Editor() const { return GetDlgItem(page_, ListIds::kEditor); }
  std::string Selected() const {
    const int at = ListBox_GetCurSel(List());
    return at < 0 ? std::string() : ListBox_GetText(List(), at);
  }

  void Init() {
    dir_ = ListDirectory();
    for (const std::string& name : ListNames(dir_)) ListBox_AddString(List(), name);
    if (ListBox_GetCount(List()) == 0) return EnableListButtons(false);
    ListBox_SetCurSel(List(), 0);
    Load();
  }

  void EnableListButtons(bool on) {
    for (int id : {ListIds::kDeleteList, ListIds::kCopyList, ListIds::kRenameList}) EnableDlgItem(page_, id, on);
    EnableDlgItem(page_, ListIds::kSaveList, false);
  }

  void Load() {
    shown_ = Selected();
    changed_ = false;
    const auto text = LoadListText(dir_, shown_);
    if (!text) {
      MessageBox(page_, "Failed to read file...", "File Read error", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    SendMessage(Editor(), EM_SETREADONLY, text->tooLarge ? 1 : 0);
    SetWindowText(Editor(), text->text);
    ShowCount();
    EnableListButtons(true);
  }

  void ShowCount() {
    SetDlgItemText(page_, ListIds::kCounter, std::to_string(SendMessage(Editor(), EM_GETLINECOUNT)));
  }

  void Save() {
    if (!SaveListText(dir_, shown_, GetWindowText(Editor()))) {
      MessageBox(page_, "Failed to create new Address list file...", "File create error", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    changed_ = false;
    EnableDlgItem(page_, ListIds::kSaveList, false);
    SetFocus(Editor());
  }

  void Add(const std::string& name) {
    const int at = ListBox_AddString(List(), name);
    ListBox_SetCurSel(List(), at);
    Load();
  }

  void Command(int id, unsigned code) {
    switch (id) {
      case ListIds::kLists:
        if (code != LBN_SELCHANGE || Selected() == shown_) break;
        if (changed_ && MessageBox(page_, "Do you want the changes made to the current address list saved ?",
                                   "Save changes", MB_YESNO | MB_ICONQUESTION) == IDYES) {
          SaveListText(dir_, shown_, GetWindowText(Editor()));
        }
        Load();
        break;
      case ListIds::kEditor:
        if (code == EN_CHANGE) {
          changed_ = true;
          EnableDlgItem(page_, ListIds::kSaveList, true);
          ShowCount();
        }
        break;
      case ListIds::kSaveList:
        Save();
        break;
      case ListIds::kCreateList: {
        SetWindowText(Editor(), "");
        const std::string name = AskListName(page_, "");
        if (name.empty()) break;
        if (auto refusal = CreateListFile(dir_, name)) {
          MessageBox(page_, *refusal, "File create error", MB_OK | MB_ICONEXCLAMATION);
          break;
        }
        Add(ToUpper(name));
        break;
      }
      case ListIds::kDeleteList: {
        const int at = ListBox_GetCurSel(List());
        if (at < 0) break;
        const std::string question =
            "Please confirm that you really want to delete\r\naddress list [" + shown_ + "] from your hard disk ?";
        if (MessageBox(page_, question, "Confirm Deletion", MB_YESNO | MB_ICONQUESTION) != IDYES) break;
        DeleteList(dir_, shown_);
        ListBox_DeleteString(List(), at);
        const int count = ListBox_GetCount(List());
        if (count == 0) {
          shown_.clear();
          SetWindowText(Editor(), "");
          SetDlgItemText(page_, ListIds::kCounter, "0");
          EnableListButtons(false);
          break;
        }
        ListBox_SetCurSel(List(), std::min(at, count - 1));
        Load();
        break;
      }
      case ListIds::kCopyList: {
        const std::string name = AskListName(page_, "");
        if (name.empty()) break;
        if (!CopyList(dir_, shown_, name)) {
          MessageBox(page_,
                     "Unable to create a copy of this list using the name specified\r\nTry using a different name "
                     "for the new list\r\nor check your disk for sufficient free space...",
                     "File creation failure", MB_OK | MB_ICONEXCLAMATION);
          break;
        }
        Add(ToUpper(name));
        break;
      }
      case ListIds::kRenameList: {
        const int at = ListBox_GetCurSel(List());
        const std::string name = AskListName(page_, shown_);
        if (name.empty() || at < 0) break;
        if (!RenameList(dir_, shown_, name)) {
          MessageBox(page_,
                     "Unable to rename this list using the name specified\r\nTry using a different name for the new "
                     "list...",
                     "File rename failure", MB_OK | MB_ICONEXCLAMATION);
          break;
        }
        (void)CarryListRename(ServerSettingsFile(), shown_, name);
        ListBox_DeleteString(List(), at);
        ListBox_InsertString(List(), at, ToUpper(name));
        ListBox_SetCurSel(List(), at);
        shown_ = ToUpper(name);
        break;
      }
    }
  }

  static std::string ToUpper(std::string text) {
    for (char& c : text)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
  }

  HWND page_ = 0;
  std::filesystem::path dir_;
  std::string shown_;  // the list the editor holds
  bool changed_ = false;
};

// --- Change Reply address page ---------------------------------------------

class ReplyPage {
 public:
  INT_PTR Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      page_ = page;
      return TRUE;
    }
    if (message == WM_NOTIFY) {
      const int code = reinterpret_cast<const NMHDR*>(lParam)->code;
      if (code == PSN_SETACTIVE) Fill();
      if (code == PSN_RESET && App().role == Role::RemoteConfiguration)
        (void)WriteProfileString(ServerSettingsFile(), "environment", "RemoteUpdate", "-1");
      return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    const unsigned code = HIWORD(wParam);
    if (id == ReplyIds::kListChoice && code == CBN_SELCHANGE) Load();
    if (id == ReplyIds::kOriginal || id == ReplyIds::kFollowing) {
      EnableBoxes();
      EnableDlgItem(page_, ReplyIds::kSaveReply, true);
    }
    if ((id == ReplyIds::kFrom || id == ReplyIds::kReplyTo || id == ReplyIds::kSmtp) && code == EN_CHANGE)
      EnableDlgItem(page_, ReplyIds::kSaveReply, true);
    if (id == ReplyIds::kRestrict) EnableDlgItem(page_, ReplyIds::kSaveReply, true);
    if (id == ReplyIds::kSaveReply) Save();
    return TRUE;
  }

 private:
  HWND Choice() const { return GetDlgItem(page_, ReplyIds::kListChoice); }
  std::string Section() const {
    const int at = ComboBox_GetCurSel(Choice());
    return at < 0 ? std::string() : "LIST-" + ComboBox_GetLBText(Choice(), at);
  }

  void Fill() {
    ComboBox_ResetContent(Choice());
    const auto names = ListNames(ListDirectory());
    for (const std::string& name : names) ComboBox_AddString(Choice(), name);
    const bool any = !names.empty();
    for (int id : {ReplyIds::kListChoice, ReplyIds::kOriginal, ReplyIds::kFollowing, ReplyIds::kFromLabel,
                   ReplyIds::kFrom, ReplyIds::kReplyLabel, ReplyIds::kReplyTo, ReplyIds::kSmtpLabel, ReplyIds::kSmtp,
                   ReplyIds::kRestrict, ReplyIds::kSaveReply})
      EnableDlgItem(page_, id, any);
    SetDlgItemText(page_, ReplyIds::kDisabled,
                   any ? "" : "Tab is disabled because there are currently no address lists...");
    if (!any) return;
    ComboBox_SetCurSel(Choice(), 0);
    Load();
  }

  void Load() {
    const auto ini = ServerSettingsFile();
    const std::string section = Section();
    const bool original = GetProfileString(ini, section, "change", "0") == "0";
    CheckRadioButton(page_, ReplyIds::kOriginal, ReplyIds::kFollowing,
                     original ? ReplyIds::kOriginal : ReplyIds::kFollowing);
    SetDlgItemText(page_, ReplyIds::kFrom, GetProfileString(ini, section, "from", ""));
    SetDlgItemText(page_, ReplyIds::kReplyTo, GetProfileString(ini, section, "reply-to", ""));
    SetDlgItemText(page_, ReplyIds::kSmtp, GetProfileString(ini, section, "smtp", ""));
    CheckDlgButton(page_, ReplyIds::kRestrict, GetProfileInt(ini, section, "restrict", 0) != 0 ? 1 : 0);
    EnableBoxes();
    EnableDlgItem(page_, ReplyIds::kSaveReply, false);
  }

  void EnableBoxes() {
    const bool following = IsDlgButtonChecked(page_, ReplyIds::kFollowing) == BST_CHECKED;
    for (int id : {ReplyIds::kFromLabel, ReplyIds::kFrom, ReplyIds::kReplyLabel, ReplyIds::kReplyTo,
                   ReplyIds::kSmtpLabel, ReplyIds::kSmtp})
      EnableDlgItem(page_, id, following);
  }

  void Save() {
    const std::string section = Section();
    if (section.empty()) return;
    ProfileBatch batch(ServerSettingsFile());
    const bool following = IsDlgButtonChecked(page_, ReplyIds::kFollowing) == BST_CHECKED;
    batch.Write(section, "change", following ? "-1" : "0");
    batch.Write(section, "from", GetDlgItemText(page_, ReplyIds::kFrom));
    batch.Write(section, "reply-to", GetDlgItemText(page_, ReplyIds::kReplyTo));
    batch.Write(section, "smtp", GetDlgItemText(page_, ReplyIds::kSmtp));
    batch.Write(section, "restrict", IsDlgButtonChecked(page_, ReplyIds::kRestrict) == BST_CHECKED ? "1" : "0");
    if (!Saved(page_, batch.Commit(), "The list settings")) return;
    EnableDlgItem(page_, ReplyIds::kSaveReply, false);
  }

  HWND page_ = 0;
};

template <typename Page>
PROPSHEETPAGE MakePage(int templateId) {
  auto page = std::make_shared<Page>();
  return {templateId, [page](HWND h, UINT m, WPARAM w, LPARAM l) { return page->Proc(h, m, w, l); }, 0};
}

}  // namespace

void RunAddressListsSheet(HWND owner, DialogGuard& guard) {
  PROPSHEETHEADER header;
  header.caption = "Address/Mailing lists";
  header.owner = owner;
  header.noApplyButton = true;
  header.helpFile = App().helpFilePath;
  header.helpContext = kListsHelp;
  header.pages = {MakePage<ListsPage>(ListIds::kTemplate), MakeAddressAliasPage(), MakePage<ReplyPage>(ReplyIds::kTemplate)};
  header.pages[1].helpContext = kAliasHelp;
  header.pages[2].helpContext = kReplyHelp;
  PropertySheet(header, &guard);
}

}  // namespace tellmar::admin
