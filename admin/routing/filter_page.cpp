#include "admin/routing/filter_page.h"

#include <array>
#include <filesystem>

#include "admin/routing/address_lists.h"
#include "admin/routing/filter_dialogs.h"
#include "admin/routing/filter_printout.h"
#include "admin/routing/filter_store.h"
#include "admin/routing/routing_users.h"
#include "admin/shell/admin_state.h"
#include "common/ascii.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/form.h"
#include "platform/list_rows.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/window.h"
#include "resources/tmadmin32/routing_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::FilterPage;

constexpr std::array<int, kActionSlots> kActionIds = {Ids::kAction1, Ids::kAction2, Ids::kAction3, Ids::kAction4,
                                                      Ids::kAction5};
constexpr std::array<int, kActionSlots> kParamIds = {Ids::kParam1, Ids::kParam2, Ids::kParam3, Ids::kParam4,
                                                     Ids::kParam5};
constexpr std::size_t kNameLimit = 100, kRenameLimit = 96, kCommandLineLimit = 256;
constexpr COLORREF kActiveColor = RGB(0, 0, 0), kInactiveColor = RGB(255, 0, 0);

constexpr const char* kNewNamePrompt = "Please enter a name for this filter (up to 100 characters)";
constexpr const char* kCaretCaption = "Invalid character";

int ParamField(int slot) { return 14 + 2 * slot; }

ListRow RowFor(const FilterRow& r) {
  ListRow row;
  row.columns = {r.name};
  row.icon = kFilterStateIconBase + (r.state - 100);
  row.color = StateIsActive(r.state) ? kActiveColor : kInactiveColor;
  row.data = r.state;
  return row;
}

// A "^" would split the stored line: say so, and keep nothing of the entry.
bool RefuseCaret(HWND owner, std::string_view text) {
  if (text.find('^') == std::string_view::npos) return false;
  MessageBox(owner,
             "The character ^ cannot be used in a filter,\r\nit separates the parts of the stored rule.\r\n"
             "Please enter the text without it...",
             kCaretCaption, MB_OK | MB_ICONEXCLAMATION);
  return true;
}

class FilterPage : public SheetPage {
 public:
  explicit FilterPage(FilterStore& store) : store_(store) {}

 private:
  HWND Item(int id) const { return GetDlgItem(page_, id); }
  void Enable(int id, bool on) const { EnableDlgItem(page_, id, on); }
  int Selection(int id) const { return static_cast<int>(SendDlgItemMessage(page_, id, CB_GETCURSEL)); }
  void Select(int id, int index) const { SendDlgItemMessage(page_, id, CB_SETCURSEL, static_cast<WPARAM>(index)); }

  // --- First display ------------------------------------------------------

  void Opened() override {
    auto fill = [&](int id, const auto& texts) {
      for (std::string_view t : texts) ComboBox_AddString(Item(id), t);
      Select(id, 0);
    };
    fill(Ids::kField1, kConditionFields);
    fill(Ids::kField2, kConditionFields);
    fill(Ids::kTest1, kConditionTests);
    fill(Ids::kTest2, kConditionTests);
    fill(Ids::kJoin, kConditionJoins);
    for (int id : kActionIds) fill(id, kFilterActions);
    EnableSecondCondition(false);
    rows_.Attach(Item(Ids::kRules));
    Refill(store_.Open());
    if (rows_.Count() > 0) {
      MakeCurrent(0);
      (void)store_.Compact();
    } else {
      ShowEmpty();
    }
  }

  void Refill(const std::vector<FilterRow>& rows) {
    std::vector<ListRow> shown;
    for (const FilterRow& r : rows) shown.push_back(RowFor(r));
    rows_.Assign(std::move(shown));
  }

  void ShowEmpty() {
    current_ = -1;
    pending_ = -1;
    ClearDetails();
    SetDlgItemText(page_, Ids::kNameButton, "");
    CheckDlgButton(page_, Ids::kActive, 0);
    for (int id : {Ids::kInternal, Ids::kExternal, Ids::kAllMail}) CheckDlgButton(page_, id, 0);
    EnableEditing(false);
    SetMoveButtons();
  }

  void EnableEditing(bool on) {
    for (int id : {Ids::kScopeLabel, Ids::kInternal, Ids::kExternal, Ids::kAllMail, Ids::kRemove, Ids::kActive,
                   Ids::kField1, Ids::kTest1, Ids::kText1, Ids::kDuplicate, Ids::kNameButton})
      Enable(id, on);
    if (!on) {
      Enable(Ids::kJoin, false);
      EnableSecondCondition(false);
      for (int k = 0; k < kActionSlots; ++k) EnableSlot(k, false);
    }
  }

  void EnableSecondCondition(bool on) {
    for (int id : {Ids::kField2, Ids::kTest2, Ids::kText2}) Enable(id, on);
  }

  void EnableSlot(int k, bool on) {
    Enable(kActionIds[static_cast<std::size_t>(k)], on);
    Enable(kParamIds[static_cast<std::size_t>(k)], on);
  }

  void SetMoveButtons() {
    const int count = rows_.Count();
    Enable(Ids::kMoveUp, count >= 2 && current_ > 0);
    Enable(Ids::kMoveDown, count >= 2 && current_ >= 0 && current_ < count - 1);
  }

  // --- The current rule -------------------------------------------------

  void MakeCurrent(int n) {
    current_ = n;
    ListBox_SetCurSel(rows_.list(), n);
    EnableEditing(true);
    Load(n);
    SetMoveButtons();
  }

  void ClearDetails() {
    for (int id : {Ids::kField1, Ids::kTest1, Ids::kJoin, Ids::kField2, Ids::kTest2}) Select(id, 0);
    SetDlgItemText(page_, Ids::kText1, "");
    SetDlgItemText(page_, Ids::kText2, "");
    EnableSecondCondition(false);
    for (int k = 0; k < kActionSlots; ++k) SetSlot(k, action::kNone, "");
  }

  void Load(int n) {
    for (int id : kParamIds) SetDlgItemText(page_, id, "");
    for (int id : {Ids::kInternal, Ids::kExternal, Ids::kAllMail}) CheckDlgButton(page_, id, 0);
    const std::string line = store_.ReadRule(n);
    if (line == "None" || line.empty()) return;
    const FilterRule rule = store_.Rule(n);
    name_ = rule.name;
    SetDlgItemText(page_, Ids::kNameButton, rule.name);
    CheckDlgButton(page_, ScopeButton(rule.scope), 1);
    CheckDlgButton(page_, Ids::kActive, rule.active ? 1 : 0);
    Select(Ids::kField1, rule.first.field);
    Select(Ids::kTest1, rule.first.test);
    Select(Ids::kJoin, rule.join);
    EnableSecondCondition(rule.join != 0);
    Select(Ids::kField2, rule.second.field);
    Select(Ids::kTest2, rule.second.test);
    SetDlgItemText(page_, Ids::kText1, rule.first.text);
    SetDlgItemText(page_, Ids::kText2, rule.second.text);
    for (int k = 0; k < kActionSlots; ++k) {
      const FilterActionSlot& slot = rule.actions[static_cast<std::size_t>(k)];
      SetSlot(k, slot.code, slot.code == action::kNone ? std::string() : slot.parameter);
    }
    UpdateActionEnabling();
  }

  static int ScopeButton(FilterScope scope) {
    switch (scope) {
      case FilterScope::Internal: return Ids::kInternal;
      case FilterScope::External: return Ids::kExternal;
      case FilterScope::All: break;
    }
    return Ids::kAllMail;
  }

  FilterScope CheckedScope() const {
    if (IsDlgButtonChecked(page_, Ids::kInternal) == BST_CHECKED) return FilterScope::Internal;
    if (IsDlgButtonChecked(page_, Ids::kExternal) == BST_CHECKED) return FilterScope::External;
    return FilterScope::All;
  }

  void SetSlot(int k, int code, std::string parameter) {
    const auto i = static_cast<std::size_t>(k);
    codes_[i] = code;
    params_[i] = std::move(parameter);
    Select(kActionIds[i], code);
    ShowParameter(k);
  }

  void ShowParameter(int k) {
    const auto i = static_cast<std::size_t>(k);
    const HWND button = Item(kParamIds[i]);
    const RECT r = GetClientRect(button);
    SetWindowText(button, params_[i].empty() ? std::string(ActionPrompt(codes_[i]))
                                             : ShortenCaption(params_[i], r.right - r.left));
  }

  // The first condition's text opens the actions; a chain-ending action
  // closes the slots after it.
  void UpdateActionEnabling() {
    const bool open = current_ >= 0 && !GetDlgItemText(page_, Ids::kText1).empty();
    Enable(Ids::kJoin, current_ >= 0);
    bool ended = false;
    for (int k = 0; k < kActionSlots; ++k) {
      const auto i = static_cast<std::size_t>(k);
      if (ended && codes_[i] != action::kNone) SetSlot(k, action::kNone, "");
      EnableSlot(k, open && !ended);
      if (EndsChain(codes_[i])) ended = true;
    }
  }

  FilterRule RuleFromControls() const {
    FilterRule rule;
    rule.name = name_;
    rule.scope = CheckedScope();
    rule.active = IsDlgButtonChecked(page_, Ids::kActive) == BST_CHECKED;
    rule.first = {Selection(Ids::kField1), Selection(Ids::kTest1), GetDlgItemText(page_, Ids::kText1)};
    rule.join = Selection(Ids::kJoin);
    rule.second = {Selection(Ids::kField2), Selection(Ids::kTest2), GetDlgItemText(page_, Ids::kText2)};
    for (std::size_t i = 0; i < rule.actions.size(); ++i) rule.actions[i] = {codes_[i], params_[i]};
    return rule;
  }

  void Write(int n) {
    if (ListBox_GetCount(rows_.list()) < 0) {
      MessageBox(page_, "Error checking filters count in listbox...", "Internal list error", MB_OK | MB_ICONSTOP);
      return;
    }
    const FilterRule rule = RuleFromControls();
    if (auto refusal = CheckRuleText(rule)) {
      MessageBox(page_, *refusal, kCaretCaption, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    const WriteRuleResult result = store_.WriteRule(n, rule);
    if (!Saved(page_, result.error, "The filter")) return;
    if (result.badPath)
      MessageBox(page_, "This filter contains an invalid drive or path\r\nplease correct this...", "Bad Path",
                 MB_OK | MB_ICONEXCLAMATION);
    UpdateRowState(n);
  }

  void UpdateRowState(int n) {
    if (n < 0 || n >= rows_.Count()) return;
    const std::string line = store_.ReadRule(n);
    rows_.Update(n, RowFor({rows_.At(n).columns.at(0), RuleStateCode(line)}));
    ListBox_SetCurSel(rows_.list(), current_);
  }

  void Mark() {
    if (current_ >= 0) pending_ = current_;
  }

  void WriteMarked() {
    if (pending_ < 0) return;
    const int n = pending_;
    pending_ = -1;
    Write(n);
  }

  // --- Commands ----------------------------------------------------------

  void Command(int id, unsigned code) override {
    for (int k = 0; k < kActionSlots; ++k) {
      if (id == kActionIds[static_cast<std::size_t>(k)] && code == CBN_SELCHANGE) return ActionChanged(k);
      if (id == kParamIds[static_cast<std::size_t>(k)] && code == BN_CLICKED) return ChooseParameter(k);
    }
    switch (id) {
      case Ids::kRules:
        if (code == LBN_SELCHANGE) RowSelected();
        if (code == LBN_DBLCLK && current_ >= 0) {
          CheckDlgButton(page_, Ids::kActive, IsDlgButtonChecked(page_, Ids::kActive) == BST_CHECKED ? 0 : 1);
          ActiveChanged();
        }
        break;
      case Ids::kActive:
        if (code == BN_CLICKED) ActiveChanged();
        break;
      case Ids::kInternal:
      case Ids::kExternal:
      case Ids::kAllMail:
        if (code == BN_CLICKED && current_ >= 0) {
          (void)store_.SetField(current_, 2, std::to_string(static_cast<int>(CheckedScope())));
          (void)store_.SetField(current_, 3, IsDlgButtonChecked(page_, Ids::kActive) == BST_CHECKED ? "1" : "2");
          UpdateRowState(current_);
          Mark();
        }
        break;
      case Ids::kMoveUp:
        if (current_ > 0) Move(current_ - 1);
        break;
      case Ids::kMoveDown:
        if (current_ >= 0 && current_ < rows_.Count() - 1) Move(current_ + 1);
        break;
      case Ids::kRemove:
        Remove();
        break;
      case Ids::kNew:
        Create(false);
        break;
      case Ids::kDuplicate:
        Create(true);
        break;
      case Ids::kPrint:
        WriteMarked();
        PrintFilterList(page_, store_);
        break;
      case Ids::kNameButton:
        if (code == BN_CLICKED) RenameCurrent();
        break;
      case Ids::kJoin:
        if (code == CBN_SELCHANGE) {
          EnableSecondCondition(Selection(Ids::kJoin) != 0);
          Mark();
        }
        break;
      case Ids::kText1:
      case Ids::kText2:
        if (code == EN_CHANGE) TextChanged(id);
        break;
      case Ids::kField1:
      case Ids::kTest1:
      case Ids::kField2:
      case Ids::kTest2:
        if (code == CBN_SELCHANGE) Mark();
        break;
    }
  }

  void RowSelected() {
    const int n = ListBox_GetCurSel(rows_.list());
    if (n < 0 || n == current_) return;
    WriteMarked();
    MakeCurrent(n);
  }

  void ActiveChanged() {
    if (current_ < 0) return;
    const bool active = IsDlgButtonChecked(page_, Ids::kActive) == BST_CHECKED;
    (void)store_.SetField(current_, 3, active ? "1" : "2");
    UpdateRowState(current_);
  }

  void TextChanged(int id) {
    std::string text = GetDlgItemText(page_, id);
    if (text.find('^') != std::string::npos) {
      std::erase(text, '^');
      SetDlgItemText(page_, id, text);
      RefuseCaret(page_, "^");
    }
    Mark();
    if (id == Ids::kText1) UpdateActionEnabling();
  }

  void Move(int to) {
    WriteMarked();
    (void)store_.Swap(current_, to);
    Refill(store_.Rows());
    MakeCurrent(to);
  }

  void Remove() {
    if (current_ < 0) return;
    WriteMarked();
    (void)store_.Remove(current_);
    const auto rows = store_.Rows();
    Refill(rows);
    if (rows.empty()) return ShowEmpty();
    MakeCurrent(std::min(current_, static_cast<int>(rows.size()) - 1));
  }

  void Create(bool duplicate) {
    if (duplicate && current_ < 0) return;
    WriteMarked();
    if (!duplicate) ClearDetails();
    NameDialogRequest request;
    request.title = duplicate ? "Create new filter from existing" : "Create New Filter";
    request.prompt = kNewNamePrompt;
    request.text = duplicate ? name_ : std::string();
    request.limit = kNameLimit;
    const NameDialogResult named = RunNameDialog(page_, request);
    if (named.text.empty() || RefuseCaret(page_, named.text)) return Reselect();
    for (const ListRow& row : rows_.rows()) {
      if (!EqualsNoCase(row.columns.at(0), named.text)) continue;
      const std::string question = "You already have a filter with the name [" + named.text +
                                   "], do you want to create another with the same name?";
      if (MessageBox(page_, question, "Duplicate filter name", MB_YESNO | MB_ICONQUESTION) != IDYES) return Reselect();
      break;
    }
    name_ = named.text;
    SetDlgItemText(page_, Ids::kNameButton, name_);
    for (int id : {Ids::kInternal, Ids::kExternal, Ids::kAllMail}) CheckDlgButton(page_, id, 0);
    CheckDlgButton(page_, ScopeButton(static_cast<FilterScope>(named.scope)), 1);
    CheckDlgButton(page_, Ids::kActive, 1);
    EnableEditing(true);
    SetFocus(Item(Ids::kField1));
    const int n = rows_.Add(RowFor({name_, StateCode(true, static_cast<FilterScope>(named.scope))}));
    current_ = n;
    ListBox_SetCurSel(rows_.list(), n);
    Write(n);
    UpdateActionEnabling();
    Mark();
    SetMoveButtons();
  }

  void Reselect() {
    if (current_ >= 0) MakeCurrent(current_);
  }

  void RenameCurrent() {
    if (current_ < 0) return;
    const std::string name = RunTextDialog(page_, "Change filter name...", name_, kRenameLimit);
    if (name.empty() || RefuseCaret(page_, name)) return;
    name_ = name;
    SetDlgItemText(page_, Ids::kNameButton, name);
    ListRow row = rows_.At(current_);
    row.columns = {name};
    rows_.Update(current_, std::move(row));
    ListBox_SetCurSel(rows_.list(), current_);
    (void)store_.Rename(current_, name);
    Write(current_);
  }

  void ActionChanged(int k) {
    const auto i = static_cast<std::size_t>(k);
    const int code = Selection(kActionIds[i]);
    codes_[i] = code < 0 ? action::kNone : code;
    params_[i].clear();
    ShowParameter(k);
    Mark();
    // Slots after a chain-ending action go back to "No action"; otherwise
    // they open again (still at what they hold).
    for (int later = k + 1; later < kActionSlots; ++later)
      if (EndsChain(code)) SetSlot(later, action::kNone, "");
    UpdateActionEnabling();
  }

  // --- Parameters --------------------------------------------------------

  void ChooseParameter(int k) {
    const auto i = static_cast<std::size_t>(k);
    std::optional<std::string> chosen;
    switch (codes_[i]) {
      case action::kPlaySound:
        chosen = ChooseFile(k, FileDialogKind::Open, "Sound to Play", {{"Sound Files (*.WAV)", "*.WAV"}}, "");
        break;
      case action::kPrint:
        if (auto options = RunPrintOptions(page_, RuleField(store_.ReadRule(current_), ParamField(k)))) {
          params_[i] = *options;
          ShowParameter(k);
          (void)store_.SetField(current_, ParamField(k), *options);
          SetFocus(Item(kActionIds[i]));
        }
        return;
      case action::kForward:
      case action::kRedirect: {
        NameDialogRequest request;
        request.title = "Enter Address(s)";
        request.prompt = "Please enter one or more space-separated addresses";
        request.text = params_[i];
        request.limit = kParameterMax;
        request.showScope = false;
        std::string text = RunNameDialog(page_, request).text;
        if (!text.empty()) chosen = std::move(text);
        break;
      }
      case action::kTransfer:
      case action::kCopyToUser:
        chosen = ChooseFrom(k, "Select the user you wish to copy/transfer mail to...",
                            LocalUserEntries(ServerSettingsFile(), true));
        break;
      case action::kCopyToDirectory:
      case action::kRemoveAttachments:
        chosen = ChooseFile(k, FileDialogKind::Directory, "Select Directory", {}, "&Select");
        break;
      case action::kMailBack:
        chosen = ChooseFile(k, FileDialogKind::Open, "Mail back a File",
                            {{"Text Files (*.TXT)", "*.TXT"}, {"All Files (*.*)", "*.*"}}, "&Select File");
        break;
      case action::kRunProgram:
        chosen = ChooseFile(k, FileDialogKind::Open, "Execute a Program",
                            {{"Programs (*.EXE)", "*.EXE"}, {"SCripts (*.BAT)", "*.BAT"}, {"All Files (*.*)", "*.*"}},
                            "&Select");
        break;
      case action::kAddToList:
      case action::kRemoveFromList:
      case action::kForwardToList:
      case action::kRedirectToList:
        chosen = ChooseList(k);
        break;
      default:
        return;
    }
    if (!chosen || chosen->empty() || RefuseCaret(page_, *chosen)) return;
    params_[i] = *chosen;
    Write(current_);
    pending_ = -1;
    ShowParameter(k);
    SetFocus(Item(kActionIds[i]));
  }

  std::optional<std::string> ChooseFile(int k, FileDialogKind kind, std::string title,
                                        std::vector<std::pair<std::string, std::string>> filters,
                                        std::string okCaption) {
    if (App().role == Role::RemoteConfiguration) {
      MessageBox(page_, "Sorry - you cannot set the attachments path using R.C.U...", "Error", MB_OK | MB_ICONSTOP);
      return std::nullopt;
    }
    const std::string& current = params_[static_cast<std::size_t>(k)];
    FileRequest request;
    request.kind = kind;
    request.owner = page_;
    request.title = std::move(title);
    request.filters = std::move(filters);
    request.okCaption = std::move(okCaption);
    const std::size_t cut = current.find_last_of("\\/");
    std::error_code ec;
    request.initialDirectory =
        cut == std::string::npos ? std::filesystem::current_path(ec).string() : current.substr(0, cut + 1);
    if (kind == FileDialogKind::Directory) request.fileName = "!";
    auto answer = Loop::Current().op().ChooseFile(request);
    if (!answer) return std::nullopt;
    std::string path = answer->path;
    while (kind == FileDialogKind::Directory && path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
      path.pop_back();
    return path;
  }

  std::optional<std::string> ChooseFrom(int k, std::string_view prompt, const std::vector<std::string>& names) {
    std::string name = ChooseName(page_, Item(kParamIds[static_cast<std::size_t>(k)]), prompt, names);
    if (name.empty()) return std::nullopt;
    return name;
  }

  std::optional<std::string> ChooseList(int k) {
    const std::vector<std::string> files = AddressListFiles(ListDirectory());
    if (files.empty()) {
      MessageBox(page_,
                 "You do not have any address/mailing lists currently,\r\nYou can create mailing lists via the "
                 "Configure | Address Lists menu option...",
                 "No address lists", MB_OK | MB_ICONINFORMATION);
      return std::nullopt;
    }
    return ChooseFrom(k, "Select the mailing list you wish to use...", files);
  }

  // --- The sheet ---------------------------------------------------------

  INT_PTR Notify(int code) override {
    if (code == PSN_APPLY) {
      WriteMarked();
      SetDlgMsgResult(page_, Saved(page_, store_.Commit(), "The filters") ? PSNRET_NOERROR : PSNRET_INVALID);
      return TRUE;
    }
    if (code == PSN_RESET) store_.Discard();
    return FALSE;
  }

  FilterStore& store_;
  ListRows rows_;
  int current_ = -1;
  int pending_ = -1;  // the rule whose controls changed since it was written
  std::string name_;
  std::array<int, kActionSlots> codes_{};
  std::array<std::string, kActionSlots> params_;
};

}  // namespace

std::string_view ActionPrompt(int actionCode) {
  switch (actionCode) {
    case action::kNone: return "No action specified...";
    case action::kPlaySound: return "Click here to select a sound file...";
    case action::kPrint: return "Click here to set printing options...";
    case action::kKill: return "Delete message from system...";
    case action::kBounce: return "Send an undelivered mail message...";
    case action::kForward:
    case action::kRedirect: return "Click here to enter address(s)...";
    case action::kTransfer:
    case action::kCopyToUser: return "Click here to select a user...";
    case action::kCopyToDirectory: return "Click here to select directory...";
    case action::kMailBack: return "Click here to set a mail-back file...";
    case action::kRunProgram: return "Click here to specify program to be run...";
    case action::kAddToList:
    case action::kRemoveFromList:
    case action::kForwardToList:
    case action::kRedirectToList: return "Click here to select address/mailing list...";
    case action::kRemoveAttachments: return "Click here to select attachment directory...";
  }
  return "No action specified...";
}

std::string ShortenCaption(std::string text, int buttonWidth) {
  const int limit = buttonWidth + buttonWidth / 5;
  while (static_cast<int>(text.size()) * kAverageCharWidth > limit && text.size() > 7) {
    text.resize(text.size() - 7);
    text += " ...";
  }
  return text;
}

PROPSHEETPAGE MakeFilterPage(FilterStore& store) {
  return MakeSheetPage(std::make_shared<FilterPage>(store), Ids::kTemplate);
}

}  // namespace tellmar::admin
