#include "platform/form.h"

#include <algorithm>
#include <map>

#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/operator.h"
#include "platform/propsheet.h"

namespace tellmar {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::string Cut(std::string text, std::size_t limit) {
  if (limit != 0 && text.size() > limit) text.resize(limit);
  return text;
}

bool IsCombo(HWND control) { return GetClassName(control) == kComboBoxClass; }

}  // namespace

ValueRef FieldRef(std::string& field) {
  return {[&field] { return field; }, [&field](const std::string& v) { field = v; }, std::nullopt};
}

ValueRef FieldRef(int& field) {
  return {[&field] { return std::to_string(field); }, [&field](const std::string& v) { field = ParseProfileInt(v); },
          std::nullopt};
}

ValueRef FieldRef(bool& field) {
  return {[&field] { return std::string(field ? "1" : "0"); },
          [&field](const std::string& v) { field = FlagIsOn(v, kOneZero); }, std::nullopt};
}

ValueRef SettingsKey(std::filesystem::path file, std::string section, std::string key, std::string fallback) {
  ValueRef ref;
  ref.read = [file, section, key, fallback] { return GetProfileString(file, section, key, fallback); };
  ref.settings = ValueRef::Key{std::move(file), std::move(section), std::move(key)};
  return ref;
}

bool FlagIsOn(std::string_view stored, FlagSpelling spelling) {
  if (SameText(stored, spelling.on)) return true;
  if (SameText(stored, spelling.off)) return false;
  return ParseProfileInt(stored) != 0;
}

void ApplyMode(HWND dialog, const ModeTable& table, int mode) {
  for (const ModeRow& row : table) {
    if (row.mode != mode) continue;
    for (int id : row.enabled) EnableDlgItem(dialog, id, true);
    for (int id : row.disabled) EnableDlgItem(dialog, id, false);
  }
}

void Refuse(HWND dialog, int controlId, std::string_view caption, std::string_view text, UINT icon) {
  MessageBox(dialog, text, caption, MB_OK | icon);
  const HWND control = GetDlgItem(dialog, controlId);
  if (control == 0) return;
  SendMessage(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

bool Saved(HWND owner, const std::error_code& error, std::string_view what) {
  if (!error) return true;
  MessageBox(owner, std::string(what) + " could not be saved: " + error.message(), "Error", MB_OK | MB_ICONSTOP);
  return false;
}

// --- Bindings ---------------------------------------------------------------------

Form::Binding Form::Make(Kind kind, int id, ValueRef ref) {
  Binding b;
  b.kind = kind;
  b.id = id;
  b.ref = std::move(ref);
  return b;
}

Form::Binding& Form::Add(Binding b) {
  bindings_.push_back(std::move(b));
  return bindings_.back();
}

Form::Binding& Form::Text(int id, ValueRef ref, std::size_t limit) {
  Binding b = Make(Kind::Text, id, std::move(ref));
  b.limit = limit;
  return Add(std::move(b));
}

Form::Binding& Form::Integer(int id, ValueRef ref, int min, int max, int spinId) {
  Binding b = Make(Kind::Integer, id, std::move(ref));
  b.min = min;
  b.max = max;
  b.spin = spinId;
  return Add(std::move(b));
}

Form::Binding& Form::Flag(int id, ValueRef ref, FlagSpelling spelling) {
  Binding b = Make(Kind::Flag, id, std::move(ref));
  b.spelling = spelling;
  return Add(std::move(b));
}

Form::Binding& Form::Radio(std::vector<std::pair<int, std::string>> buttons, ValueRef ref) {
  Binding b = Make(Kind::Radio, buttons.empty() ? 0 : buttons.front().first, std::move(ref));
  b.radios = std::move(buttons);
  return Add(std::move(b));
}

Form::Binding& Form::Selection(int id, ValueRef ref, SelectBy by) {
  Binding b = Make(Kind::Selection, id, std::move(ref));
  b.by = by;
  return Add(std::move(b));
}

Form::Binding& Form::Mirror(int id, ValueRef ref) { return Add(Make(Kind::Mirror, id, std::move(ref))); }

const Form::Binding* Form::Find(int id) const {
  for (const Binding& b : bindings_) {
    if (b.id == id) return &b;
    for (const auto& [button, value] : b.radios)
      if (button == id) return &b;
  }
  return nullptr;
}

// --- Rules ------------------------------------------------------------------------

void Form::Require(int id, std::function<bool(const std::string&)> test, std::string caption, std::string text) {
  rules_.push_back(Rule{id, std::move(test), std::move(caption), std::move(text), {}});
}

void Form::RequireNoProblem(int id, std::function<std::string(const std::string&)> problem, std::string caption) {
  rules_.push_back(Rule{id, {}, std::move(caption), {}, std::move(problem)});
}

void Form::RequireText(int id, std::string caption, std::string text) {
  Require(id, [](const std::string& v) { return !v.empty(); }, std::move(caption), std::move(text));
}

void Form::RequireRange(int id, std::string caption, std::string text) {
  const Binding* b = Find(id);
  const int min = b != nullptr ? b->min : 0, max = b != nullptr ? b->max : 0;
  Require(id, [min, max](const std::string& v) {
    const auto digits = v.find_first_not_of(' ');
    if (digits == std::string::npos) return false;
    std::size_t at = digits + (v[digits] == '-' || v[digits] == '+' ? 1 : 0);
    if (at >= v.size() || v.find_first_not_of("0123456789", at) != std::string::npos) return false;
    if (v.size() - at > 9) return false;
    const int n = ParseProfileInt(v);
    return n >= min && n <= max;
  }, std::move(caption), std::move(text));
}

// --- Load, validate, apply ----------------------------------------------------------

void Form::Show(const Binding& b, const std::string& stored) {
  const HWND control = GetDlgItem(dialog_, b.id);
  switch (b.kind) {
    case Kind::Text:
      if (b.limit != 0) SendMessage(control, IsCombo(control) ? CB_LIMITTEXT : EM_LIMITTEXT, b.limit, 0);
      SetWindowText(control, Cut(stored, b.limit));
      return;
    case Kind::Integer:
      SetWindowText(control, std::to_string(ParseProfileInt(stored)));
      if (b.spin != 0) {
        SendDlgItemMessage(dialog_, b.spin, UDM_SETRANGE32, static_cast<WPARAM>(b.min), b.max);
        SendDlgItemMessage(dialog_, b.spin, UDM_SETPOS32, 0, ParseProfileInt(stored));
      }
      return;
    case Kind::Flag:
      CheckDlgButton(dialog_, b.id, FlagIsOn(stored, b.spelling) ? BST_CHECKED : BST_UNCHECKED);
      return;
    case Kind::Radio:
      for (const auto& [button, value] : b.radios)
        CheckDlgButton(dialog_, button, SameText(value, stored) ? BST_CHECKED : BST_UNCHECKED);
      return;
    case Kind::Selection: {
      const bool combo = IsCombo(control);
      int index = -1;
      if (b.by == SelectBy::Index)
        index = ParseProfileInt(stored);
      else if (combo)
        index = ComboBox_SelectString(control, -1, stored);
      else
        index = ListBox_FindStringExact(control, -1, stored);
      if (combo) {
        ComboBox_SetCurSel(control, index);
        if (index < 0 && b.by == SelectBy::Text) SetWindowText(control, stored);  // an editable combo's own text
      } else {
        ListBox_SetCurSel(control, index);
      }
      return;
    }
    case Kind::Mirror:
      SetWindowText(control, stored);
      return;
  }
}

std::string Form::Current(const Binding& b) const {
  const HWND control = GetDlgItem(dialog_, b.id);
  switch (b.kind) {
    case Kind::Text:
      return Cut(GetWindowText(control), b.limit);
    case Kind::Integer:
    case Kind::Mirror:
      return GetWindowText(control);
    case Kind::Flag:
      return std::string(IsDlgButtonChecked(dialog_, b.id) == BST_CHECKED ? b.spelling.on : b.spelling.off);
    case Kind::Radio:
      for (const auto& [button, value] : b.radios)
        if (IsDlgButtonChecked(dialog_, button) == BST_CHECKED) return value;
      return b.ref.read ? b.ref.read() : std::string();
    case Kind::Selection: {
      const bool combo = IsCombo(control);
      const int index = combo ? ComboBox_GetCurSel(control) : ListBox_GetCurSel(control);
      if (b.by == SelectBy::Index) return std::to_string(index);
      if (index < 0) return combo ? GetWindowText(control) : std::string();
      return combo ? ComboBox_GetLBText(control, index) : ListBox_GetText(control, index);
    }
  }
  return {};
}

void Form::Load(HWND dialog) {
  dialog_ = dialog;
  for (const Binding& b : bindings_) Show(b, b.ref.read ? b.ref.read() : std::string());
  if (!modes_.empty()) ApplyMode(dialog_, modes_, mode_);
  MarkModified(false);
}

bool Form::Validate() {
  for (const Rule& rule : rules_) {
    const Binding* b = Find(rule.id);
    const std::string value = b != nullptr ? Current(*b) : GetDlgItemText(dialog_, rule.id);
    std::string refusal = rule.text;
    const bool passes = rule.problem ? (refusal = rule.problem(value)).empty() : rule.test(value);
    if (!passes) {
      Refuse(dialog_, rule.id, rule.caption, refusal);
      return false;
    }
  }
  return true;
}

bool Form::Apply() {
  if (!Validate()) return false;
  std::map<std::filesystem::path, ProfileBatch> batches;
  for (const Binding& b : bindings_) {
    if (b.kind == Kind::Mirror) continue;
    const std::string value = Current(b);
    if (b.ref.settings) {
      auto it = batches.try_emplace(b.ref.settings->file, b.ref.settings->file).first;
      it->second.Write(b.ref.settings->section, b.ref.settings->key, value);
    } else if (b.ref.write) {
      b.ref.write(value);
    }
  }
  for (auto& [file, batch] : batches) {
    if (!Saved(dialog_, batch.Commit(), "The settings")) return false;
  }
  MarkModified(false);
  return true;
}

void Form::Cancel() { MarkModified(false); }

void Form::SetMode(int mode) {
  mode_ = mode;
  if (dialog_ != 0) ApplyMode(dialog_, modes_, mode_);
}

void Form::MarkModified(bool modified) {
  modified_ = modified;
  if (dialog_ == 0) return;
  if (applyButton_ != 0) EnableDlgItem(dialog_, applyButton_, modified);
  if (const HWND sheet = GetSheet(dialog_); sheet != 0) {
    if (modified)
      PropSheet_Changed(sheet, dialog_);
    else
      PropSheet_UnChanged(sheet, dialog_);
  }
}

bool Form::Notice(WPARAM wParam) {
  const int id = LOWORD(wParam);
  const unsigned code = HIWORD(wParam);
  const Binding* b = Find(id);
  if (b == nullptr || b->kind == Kind::Mirror) return false;
  const HWND control = GetDlgItem(dialog_, id);
  bool change = false;
  switch (b->kind) {
    case Kind::Text:
    case Kind::Integer:
      change = code == EN_CHANGE || (IsCombo(control) && (code == CBN_EDITCHANGE || code == CBN_SELCHANGE));
      break;
    case Kind::Flag:
    case Kind::Radio:
      change = code == BN_CLICKED;
      break;
    case Kind::Selection:
      change = IsCombo(control) ? (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) : code == LBN_SELCHANGE;
      break;
    case Kind::Mirror:
      break;
  }
  if (change) MarkModified(true);
  return change;
}

bool Form::SheetNotify(HWND page, LPARAM lParam) {
  const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
  if (notify == nullptr) return false;
  switch (notify->hdr.code) {
    case PSN_SETACTIVE:
      if (dialog_ == 0) Load(page);
      SetDlgMsgResult(page, 0);
      return true;
    case PSN_KILLACTIVE:
      SetDlgMsgResult(page, Validate() ? FALSE : TRUE);
      return true;
    case PSN_APPLY:
      SetDlgMsgResult(page, Apply() ? PSNRET_NOERROR : PSNRET_INVALID);
      return true;
    case PSN_RESET:
      Cancel();
      return true;
  }
  return false;
}

}  // namespace tellmar
