// Forms: a dialog's or property-sheet page's controls bound to fields or
// settings keys, so that a settings page is its template plus the bindings,
// the validation rules and what its buttons do.
//
//   Form form;
//   form.Text(ids::kHost, SettingsKey(ini, "popsrv", "host", ""), 64);
//   form.Integer(ids::kPort, SettingsKey(ini, "popsrv", "port", "110"), 1, 65535, ids::kPortSpin);
//   form.Flag(ids::kService, SettingsKey(ini, "Environment", "RunAsService", "0"), kMinusOneZero);
//   form.RequireText(ids::kHost, "Server options", "Please enter a host name");
//   form.RequireRange(ids::kPort, "Server options", "The port must be between 1 and 65535");
//   ... WM_INITDIALOG: form.Load(dialog);   WM_COMMAND: form.Notice(wParam);
//   ... IDOK: if (form.Apply()) EndDialog(dialog, IDOK);
//
// Every bound value travels as the text the settings file would hold, so a
// field and a key bind the same way. Loading never marks the form modified
// (the controls do not notify a program's own changes); a person's edit of a
// bound control does, which enables Apply (the sheet's, or the button given
// to ApplyButton). Validation runs the rules in the order they were added
// and stops at the first that fails, through Refuse().
#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace tellmar {

// Where a bound value lives.
struct ValueRef {
  std::function<std::string()> read;
  std::function<void(const std::string&)> write;  // unset for a settings key
  struct Key {
    std::filesystem::path file;
    std::string section, key;
  };
  std::optional<Key> settings;  // written in one batch per file by Apply
};
ValueRef FieldRef(std::string& field);
ValueRef FieldRef(int& field);   // decimal text
ValueRef FieldRef(bool& field);  // "1" / "0"
// A key of an INI file, read at Load (a missing key reads as `fallback`).
ValueRef SettingsKey(std::filesystem::path file, std::string section, std::string key, std::string fallback);

// How a flag is stored. A stored value is on when it is the on spelling
// (without regard to case) or a non-zero number; otherwise off.
struct FlagSpelling {
  std::string_view on, off;
};
inline constexpr FlagSpelling kOneZero{"1", "0"};
inline constexpr FlagSpelling kMinusOneZero{"-1", "0"};
bool FlagIsOn(std::string_view stored, FlagSpelling spelling);

// Which controls each mode enables and disables.
struct ModeRow {
  int mode = 0;
  std::vector<int> enabled;
  std::vector<int> disabled;
};
using ModeTable = std::vector<ModeRow>;
void ApplyMode(HWND dialog, const ModeTable& table, int mode);

// The one way a check refuses: the warning box (caption, text) owned by the
// dialog, then the field's text selected and the focus given to it.
void Refuse(HWND dialog, int controlId, std::string_view caption, std::string_view text,
            UINT icon = MB_ICONEXCLAMATION);

// The one way a failed write is reported: when `error` is set, the error box
// "<what> could not be saved: <reason>". Answers whether it was saved.
bool Saved(HWND owner, const std::error_code& error, std::string_view what);

class Form {
 public:
  enum class Kind { Text, Integer, Flag, Radio, Selection, Mirror };
  enum class SelectBy { Text, Index };

  struct Binding {
    Kind kind = Kind::Text;
    int id = 0;  // a radio group: its first button
    ValueRef ref;
    std::size_t limit = 0;  // text: at most this many characters (0: none)
    int min = 0, max = 0, spin = 0;
    FlagSpelling spelling = kOneZero;
    std::vector<std::pair<int, std::string>> radios;  // button -> stored value
    SelectBy by = SelectBy::Text;
  };

  Binding& Text(int id, ValueRef ref, std::size_t limit);
  Binding& Integer(int id, ValueRef ref, int min, int max, int spinId = 0);
  Binding& Flag(int id, ValueRef ref, FlagSpelling spelling = kOneZero);  // a check box
  Binding& Radio(std::vector<std::pair<int, std::string>> buttons, ValueRef ref);
  Binding& Selection(int id, ValueRef ref, SelectBy by = SelectBy::Text);  // combo or list box
  Binding& Mirror(int id, ValueRef ref);  // shown, never stored

  // Validation rules, run in the order added. A test sees the control's
  // current text.
  void Require(int id, std::function<bool(const std::string&)> test, std::string caption, std::string text);
  void RequireText(int id, std::string caption, std::string text);   // not empty
  void RequireRange(int id, std::string caption, std::string text);  // the Integer binding's range
  // A rule whose text depends on the value: `problem` answers "" when the
  // value passes, else the text to refuse it with.
  void RequireNoProblem(int id, std::function<std::string(const std::string&)> problem, std::string caption);

  // Enables this button while the form is modified (not needed on a sheet page).
  void ApplyButton(int id) { applyButton_ = id; }
  void Modes(ModeTable table) { modes_ = std::move(table); }
  void SetMode(int mode);
  int Mode() const { return mode_; }

  // Fills the controls from the stored values; the form is then unmodified.
  void Load(HWND dialog);
  // True when every rule holds; else the first failure has been refused.
  bool Validate();
  // Validates, then stores every binding (settings keys as one batch per
  // file). False when refused or when the file could not be written (a box
  // says so, and the form stays modified).
  bool Apply();
  // Drops the edits: nothing is stored, the form is unmodified.
  void Cancel();

  // A WM_COMMAND of the dialog: a person's change of a bound control marks
  // the form modified. Answers whether it was such a change.
  bool Notice(WPARAM wParam);
  // A property-sheet page's WM_NOTIFY: shown loads, left validates, apply
  // applies (refusing keeps the page), reset cancels. Answers whether it
  // was handled; the page procedure then returns TRUE.
  bool SheetNotify(HWND page, LPARAM lParam);

  bool Modified() const { return modified_; }
  void MarkModified(bool modified);
  HWND dialog() const { return dialog_; }
  // The value a binding's control shows now, in its stored form.
  std::string Current(const Binding& b) const;
  const Binding* Find(int id) const;

 private:
  struct Rule {
    int id;
    std::function<bool(const std::string&)> test;
    std::string caption, text;
    std::function<std::string(const std::string&)> problem;  // set instead of test
  };
  static Binding Make(Kind kind, int id, ValueRef ref);
  Binding& Add(Binding b);
  void Show(const Binding& b, const std::string& stored);

  HWND dialog_ = 0;
  std::deque<Binding> bindings_;  // stable: Add answers references
  std::vector<Rule> rules_;
  ModeTable modes_;
  int mode_ = 0;
  int applyButton_ = 0;
  bool modified_ = false;
};

}  // namespace tellmar
