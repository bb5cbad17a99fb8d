#include "admin/routing/address_alias_page.h"

#include <memory>

#include "admin/routing/address_lists.h"
#include "admin/routing/list_files.h"
#include "admin/shell/admin_state.h"
#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/list_rows.h"
#include "platform/operator.h"
#include "platform/window.h"
#include "resources/tmadmin32/address_lists_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::AddressAliasPage;

constexpr std::string_view kSection = "ADDRESS-ALIAS";
constexpr std::string_view kAllLocalUsers = "(All local users)";
constexpr int kAliasScanMax = 32000;
constexpr int kActiveIcon = 630, kInactiveIcon = 631;
enum Mode { kBrowsing, kEditing };

const std::vector<int> kEditControls = {Ids::kSource,    Ids::kAliasInternal, Ids::kAliasExternal,
                                        Ids::kAliasBoth, Ids::kToAddress,     Ids::kAddress,
                                        Ids::kToList,    Ids::kListTarget,    Ids::kSaveAddressAlias,
                                        Ids::kCancelAddressAlias};
const std::vector<int> kRowControls = {Ids::kAliases, Ids::kNewAddressAlias, Ids::kRemoveAddressAlias,
                                       Ids::kEditAddressAlias, Ids::kToggleAlias};
const ModeTable kModes = {{kBrowsing, {Ids::kAliases, Ids::kNewAddressAlias}, kEditControls},
                          {kEditing, kEditControls, kRowControls}};

bool IsAddress(std::string_view text) {
  return text.find('@') != std::string_view::npos && text.find('.') != std::string_view::npos;
}

ListRow RowFor(std::string text, bool active) {
  ListRow row;
  row.columns = {std::move(text)};
  row.icon = active ? kActiveIcon : kInactiveIcon;
  row.color = active ? RGB(0, 0, 0) : RGB(128, 128, 128);
  row.data = active ? 1 : 0;
  return row;
}

class AddressAliasPage {
 public:
  INT_PTR Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      page_ = page;
      rows_.Attach(GetDlgItem(page, Ids::kAliases));
      return TRUE;
    }
    if (message == WM_NOTIFY) {
      const int code = reinterpret_cast<const NMHDR*>(lParam)->code;
      if (code == PSN_SETACTIVE) Refresh();
      if (code == PSN_RESET) Close();
      return FALSE;
    }
    if (message == WM_COMMAND) Command(LOWORD(wParam), HIWORD(wParam));
    return message == WM_COMMAND;
  }

 private:
  HWND Targets() const { return GetDlgItem(page_, Ids::kListTarget); }
  int Selected() const { return ListBox_GetCurSel(rows_.list()); }

  // Each time the page is shown: the list choice and the rows from the file,
  // keeping the selected positions.
  void Refresh() {
    const int row = Selected(), target = ComboBox_GetCurSel(Targets());
    ComboBox_ResetContent(Targets());
    const auto names = ListNames(ListDirectory());
    if (!names.empty()) {
      ComboBox_AddString(Targets(), kAllLocalUsers);
      for (const std::string& name : names) ComboBox_AddString(Targets(), name);
      ComboBox_SetCurSel(Targets(), target >= 0 && target < ComboBox_GetCount(Targets()) ? target : 0);
    }
    const auto doc = LoadProfile(ServerSettingsFile());
    std::vector<ListRow> rows;
    for (int n = 0; n < kAliasScanMax; ++n) {
      const auto value = doc->Find(kSection, "ALIAS" + std::to_string(n));
      if (!value) break;
      const std::size_t comma = value->rfind(',');
      const bool active = !value->empty() && value->back() == '1';
      rows.push_back(RowFor(std::string(value->substr(0, comma)), active));
    }
    rows_.Assign(std::move(rows));
    ApplyMode(page_, kModes, kBrowsing);
    if (rows_.Count() == 0) return EnableRowButtons();
    ListBox_SetCurSel(rows_.list(), row >= 0 && row < rows_.Count() ? row : 0);
    Show(Selected());
    EnableRowButtons();
  }

  void EnableRowButtons() {
    const bool any = rows_.Count() > 0;
    for (int id : {Ids::kRemoveAddressAlias, Ids::kEditAddressAlias, Ids::kToggleAlias}) EnableDlgItem(page_, id, any);
  }

  void Show(int row) {
    if (row < 0 || row >= rows_.Count()) return;
    const std::string& text = rows_.At(row).columns.at(0);
    const std::size_t arrow = text.find(" -> ");
    const std::size_t comma = text.find(" ,", arrow == std::string::npos ? 0 : arrow);
    const std::string source = text.substr(0, arrow);
    const std::string target =
        arrow == std::string::npos ? std::string() : text.substr(arrow + 4, comma == std::string::npos ? std::string::npos : comma - arrow - 4);
    const std::string scope = comma == std::string::npos ? std::string() : AsciiLower(text.substr(comma));
    SetDlgItemText(page_, Ids::kSource, source);
    const bool address = target.find('@') != std::string::npos;
    CheckRadioButton(page_, Ids::kToAddress, Ids::kToList, address ? Ids::kToAddress : Ids::kToList);
    SetDlgItemText(page_, Ids::kAddress, address ? target : std::string());
    if (!address)
      for (int i = 0; i < ComboBox_GetCount(Targets()); ++i)
        if (StartsWithNoCase(ComboBox_GetLBText(Targets(), i), target)) {
          ComboBox_SetCurSel(Targets(), i);
          break;
        }
    const bool internal = scope.find("internal") != std::string::npos;
    const bool external = scope.find("external") != std::string::npos;
    CheckRadioButton(page_, Ids::kAliasInternal, Ids::kAliasBoth,
                     internal && external ? Ids::kAliasBoth : internal ? Ids::kAliasInternal : Ids::kAliasExternal);
  }

  void Command(int id, unsigned code) {
    switch (id) {
      case Ids::kAliases:
        if (code == LBN_SELCHANGE) Show(Selected());
        if (code == LBN_DBLCLK) Toggle();
        break;
      case Ids::kNewAddressAlias:
        editing_ = -1;
        ApplyMode(page_, kModes, kEditing);
        CheckRadioButton(page_, Ids::kToAddress, Ids::kToList, Ids::kToAddress);
        CheckRadioButton(page_, Ids::kAliasInternal, Ids::kAliasBoth, Ids::kAliasBoth);
        ComboBox_SetCurSel(Targets(), 0);
        SetDlgItemText(page_, Ids::kSource, "");
        SetDlgItemText(page_, Ids::kAddress, "");
        SetFocus(GetDlgItem(page_, Ids::kSource));
        break;
      case Ids::kEditAddressAlias:
        if (Selected() < 0) break;
        editing_ = Selected();
        ApplyMode(page_, kModes, kEditing);
        break;
      case Ids::kSaveAddressAlias:
        Save();
        break;
      case Ids::kCancelAddressAlias:
        ApplyMode(page_, kModes, kBrowsing);
        EnableRowButtons();
        Show(Selected());
        break;
      case Ids::kRemoveAddressAlias: {
        const int row = Selected();
        if (row < 0) break;
        rows_.Remove(row);
        WriteAll();
        if (rows_.Count() > 0) {
          ListBox_SetCurSel(rows_.list(), std::min(row, rows_.Count() - 1));
          Show(Selected());
        } else {
          SetDlgItemText(page_, Ids::kSource, "");
          SetDlgItemText(page_, Ids::kAddress, "");
        }
        EnableRowButtons();
        break;
      }
      case Ids::kToggleAlias:
        Toggle();
        break;
    }
  }

  void Save() {
    const std::string source = GetDlgItemText(page_, Ids::kSource);
    const std::string address = GetDlgItemText(page_, Ids::kAddress);
    const bool toAddress = IsDlgButtonChecked(page_, Ids::kToAddress) == BST_CHECKED;
    if (source.empty() && address.empty()) {
      ApplyMode(page_, kModes, kBrowsing);
      EnableRowButtons();
      return;
    }
    const int bad = !IsAddress(source) ? Ids::kSource : toAddress && !IsAddress(address) ? Ids::kAddress : 0;
    if (bad != 0) {
      MessageBox(page_, "An email address must contain an '@' and at least one period..\r\nPlease correct your entry",
                 "Invalid email address", MB_OK | MB_ICONEXCLAMATION);
      SetFocus(GetDlgItem(page_, bad));
      return;
    }
    std::string target = address;
    if (!toAddress) {
      const int at = ComboBox_GetCurSel(Targets());
      target = at < 0 ? std::string(kAllLocalUsers) : ComboBox_GetLBText(Targets(), at);
      for (char& c : target)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    const std::string scope = IsDlgButtonChecked(page_, Ids::kAliasInternal) == BST_CHECKED   ? "internal mail only"
                              : IsDlgButtonChecked(page_, Ids::kAliasExternal) == BST_CHECKED ? "external mail only"
                                                                                              : "internal and external mail";
    ListRow row = RowFor(source + " -> " + target + " , " + scope, true);
    int at = editing_;
    if (at >= 0) rows_.Update(at, std::move(row));
    else at = rows_.Add(std::move(row));
    ListBox_SetCurSel(rows_.list(), at);
    WriteEntry(at);
    ApplyMode(page_, kModes, kBrowsing);
    EnableRowButtons();
  }

  void Toggle() {
    const int row = Selected();
    if (row < 0) return;
    const bool active = rows_.At(row).data == 0;
    rows_.Update(row, RowFor(rows_.At(row).columns.at(0), active));
    ListBox_SetCurSel(rows_.list(), row);
    WriteEntry(row);
  }

  std::string Value(int row) const {
    return rows_.At(row).columns.at(0) + (rows_.At(row).data != 0 ? ",1" : ",0");
  }

  void WriteEntry(int row) {
    Report(WriteProfileString(ServerSettingsFile(), kSection, "ALIAS" + std::to_string(row), Value(row)));
  }

  void WriteAll() {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int i = 0; i < rows_.Count(); ++i) keys.emplace_back("ALIAS" + std::to_string(i), Value(i));
    ProfileBatch batch(ServerSettingsFile());
    batch.DeleteSection(kSection);
    batch.ReplaceSection(kSection, keys);
    Report(batch.Commit());
  }

  void Close() {
    if (App().role == Role::RemoteConfiguration)
      (void)WriteProfileString(ServerSettingsFile(), "environment", "RemoteUpdate", "-1");
    else
      WriteAll();
  }

  void Report(std::error_code error) { Saved(page_, error, "The address aliases"); }

  HWND page_ = 0;
  ListRows rows_;
  int editing_ = -1;
};

}  // namespace

PROPSHEETPAGE MakeAddressAliasPage() {
  auto page = std::make_shared<AddressAliasPage>();
  return {Ids::kTemplate, [page](HWND h, UINT m, WPARAM w, LPARAM l) { return page->Proc(h, m, w, l); }, 0};
}

}  // namespace tellmar::admin
