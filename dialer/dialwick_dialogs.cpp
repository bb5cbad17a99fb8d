// The dialogs a user opens: the Control Centre, Edit DUN Settings, About and
// our phonebook entry editor.
#include "common/ini_document.h"
#include "common/path_case.h"
#include "dialer/dialwick_app.h"
#include "dialer/messages.h"
#include "dialer/resources.h"
#include "dialer/texts.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/ras/phonebook.h"
#include "platform/registry_store.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace tellmar::dialer {
namespace {

constexpr const char* kConnectText = " Connect Now";
constexpr const char* kDisconnectText = "  Disconnect";

std::string ListSelection(HWND dlg, int id) {
  const HWND list = GetDlgItem(dlg, id);
  const int index = ListBox_GetCurSel(list);
  return index < 0 ? std::string() : ListBox_GetText(list, index);
}

void SelectByName(HWND list, std::string_view name) {
  const int count = ListBox_GetCount(list);
  for (int i = 0; i < count; ++i) {
    if (EqualsNoCase(ListBox_GetText(list, i), name)) {
      ListBox_SetCurSel(list, i);
      return;
    }
  }
}

// Two thirds of the screen across and down.
void PlaceAtTwoThirds(HWND dlg) {
  PlaceCentreAt(dlg, GetSystemMetrics(SM_CXSCREEN) * 2 / 3, GetSystemMetrics(SM_CYSCREEN) * 2 / 3);
}

// An empty dial parameter is shown, and stored, as one blank.
std::string Blank(std::string text) { return text.empty() ? std::string(" ") : text; }

// A dial parameter as Edit DUN Settings shows it (blank when empty) and
// stores it: `store` turns the control's text into the stored value.
ValueRef DialParam(std::string& field, std::string (*store)(std::string)) {
  ValueRef ref;
  ref.read = [&field] { return Blank(field); };
  ref.write = [&field, store](const std::string& text) { field = store(text); };
  return ref;
}
std::string AsTyped(std::string text) { return text; }
std::string NoneWhenBlank(std::string text) { return text == " " ? std::string() : text; }

// The Windows 95 family keeps no callback or telephone number per entry.
enum EditMode { kNtEntry, kWin95Entry };
const ModeTable& EditSettingsModes() {
  using e = ids::EditSettings;
  static const ModeTable modes = {{kNtEntry, {e::kCallback, e::kPhone}, {}},
                                  {kWin95Entry, {}, {e::kCallback, e::kPhone}}};
  return modes;
}

}  // namespace

// --- Control Centre -------------------------------------------------------------------

void DialwickApp::OpenControlCentre() {
  if (IsWindow(controlCentre_)) {
    SetForegroundWindow(controlCentre_);
    return;
  }
  using cc = ids::ControlCentre;
  openingControlCentre_ = true;
  auto firstActive = [this]() -> std::string {
    const ras::Enumeration table = Connections();
    return table.error || table.connections.empty() ? std::string() : table.connections.front().entryName;
  };
  auto setConnectButton = [](HWND dlg, bool active) {
    SetDlgItemText(dlg, cc::kConnectButton, active ? kDisconnectText : kConnectText);
  };
  auto proc = [this, firstActive, setConnectButton](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    EngineState& s = engine_->state();
    auto checked = [dlg](int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; };
    switch (msg) {
      case WM_INITDIALOG: {
        defaultDun_ = settings_.DefaultDun();
        const HWND list = GetDlgItem(dlg, cc::kList);
        FillEntryList(list, true);
        SelectByName(list, s.currentEntry.empty() ? defaultDun_ : s.currentEntry);
        const std::string active = firstActive();
        SetDlgItemText(dlg, cc::kActiveLine, active);
        setConnectButton(dlg, !active.empty());
        CheckDlgButton(dlg, cc::kSavePassword, settings_.SavePassword() == 1 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, cc::kShowProgress, settings_.ShowProgress() ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, cc::kKeepLog, settings_.LogFile() ? BST_CHECKED : BST_UNCHECKED);
        PlaceAtTwoThirds(dlg);
        return TRUE;
      }
      case WM_COMMAND: break;
      default: return FALSE;
    }
    const unsigned id = LOWORD(w);
    const std::string selected = ListSelection(dlg, cc::kList);
    switch (id) {
      case cc::kConnectButton: {
        if (selected.empty()) return TRUE;
        s.currentEntry = selected;
        if (!SelectEntry(selected)) {
          MessageBox(main_, "Failed to locate selected DUN in main list...", "Reconnection failed !", MB_OK);
          return TRUE;
        }
        const ras::Enumeration table = Connections();
        bool entryUp = false;
        for (const auto& c : table.connections) entryUp = entryUp || EqualsNoCase(c.entryName, selected);
        if (entryUp) {
          PostCommand(cmd::kHangUp);
          s.dialActive = false;
          s.dialInProgress = false;
          SetDlgItemText(dlg, cc::kActiveLine, "");
        } else if (table.connections.empty()) {
          PostCommand(cmd::kConnect);
          s.dialActive = true;
          SetDlgItemText(dlg, cc::kActiveLine, selected);
        }
        CloseControlCentre();
        return TRUE;
      }
      case cc::kList:
        if (HIWORD(w) == LBN_DBLCLK && !selected.empty() && firstActive().empty()) {
          s.currentEntry = selected;
          settings_.SetDefaultDun(selected);
          defaultDun_ = selected;
          SetDlgItemText(dlg, cc::kActiveLine, selected);
          PostCommand(cmd::kConnect);
        }
        return TRUE;
      case cc::kSetDefault:
        if (!selected.empty()) {
          s.currentEntry = selected;
          settings_.SetDefaultDun(selected);
          defaultDun_ = selected;
        }
        return TRUE;
      case cc::kDialProperties:
        if (!selected.empty()) s.currentEntry = selected;
        EditDunSettings();
        return TRUE;
      case cc::kCreateNew:
      case cc::kEditSettings:
        if (id == cc::kEditSettings && selected.empty()) {
          MessageBox(main_, "Please select the DUN you wish to Edit", "No Connection Selected...", MB_OK);
          return TRUE;
        }
        if (EditPhonebookEntry(id == cc::kCreateNew ? std::string_view() : std::string_view(selected))) {
          FillEntryList(GetDlgItem(dlg, cc::kList), false);
          SelectByName(GetDlgItem(dlg, cc::kList), selected);
          ReloadMainList();
        }
        return TRUE;
      case cc::kSavePassword: settings_.SetSavePassword(checked(cc::kSavePassword)); return TRUE;
      case cc::kShowProgress: settings_.SetShowProgress(checked(cc::kShowProgress)); return TRUE;
      case cc::kKeepLog: settings_.SetLogFile(checked(cc::kKeepLog)); return TRUE;
      case cc::kHelp: {
        // The help file beside the log, in the text viewer; a box says so
        // when there is none rather than doing nothing.
        const std::filesystem::path help = ResolveNoCase(settings_.workingDir(), "DIALWICK.HLP");
        std::error_code ec;
        if (!std::filesystem::is_regular_file(help, ec) || OpenInViewer(help.string()) <= 32)
          MessageBox(main_, "Cannot open the help file " + help.string(), "Help", MB_OK | MB_ICONSTOP);
        return TRUE;
      }
      case IDOK:
      case IDCANCEL:
        if (!selected.empty()) s.currentEntry = selected;
        CloseControlCentre();
        return TRUE;
      case cc::kCloseDialwick:
        SetTopmost(dlg, false);
        SendMessage(main_, WM_COMMAND, cmd::kCloseDialwick, 0);
        peers_.ClearClients();
        return TRUE;
      default: return FALSE;
    }
  };
  controlCentre_ = CreateDialog(ids::ControlCentre::kTemplate, main_, proc);
  openingControlCentre_ = false;
  if (controlCentre_ == 0) return;
  ShowWindow(controlCentre_, SW_SHOW);
  SetForegroundWindow(controlCentre_);
}

void DialwickApp::CloseControlCentre() {
  const HWND closing = controlCentre_;
  controlCentre_ = 0;
  if (IsWindow(closing)) DestroyWindow(closing);
}

// --- Edit DUN Settings ------------------------------------------------------------------

void DialwickApp::EditDunSettings() {
  using e = ids::EditSettings;
  EngineState& s = engine_->state();
  if (s.currentEntry.empty()) {
    MessageBox(main_, "Please select the DUN to edit first", "Dun Editor", MB_OK);
    return;
  }
  const bool win95 = engine_->platformCode() != ras::kPlatformNT;
  std::string shown;  // the entry whose fields the dialog shows
  ras::DialParams params;
  Form form;
  form.Text(e::kCallback, DialParam(params.callbackNumber, Blank), 0);
  form.Text(e::kPhone, DialParam(params.phoneNumber, AsTyped), 0);
  form.Text(e::kUser, DialParam(params.userName, AsTyped), 0);
  form.Text(e::kPassword, DialParam(params.password, NoneWhenBlank), 0);
  form.Text(e::kDomain, DialParam(params.domain, Blank), 0);
  auto load = [this, &shown, &params, &form](HWND dlg, const std::string& entry) {
    shown = entry;
    params = modem_.GetEntryDialParams(entry).params;
    form.Load(dlg);
  };
  auto store = [this, &shown, &params, &form] {
    if (shown.empty()) return;
    params = modem_.GetEntryDialParams(shown).params;
    params.entryName = shown;
    form.Apply();
    modem_.SetEntryDialParams(params, false);
  };
  auto makeDefault = [this, &s](HWND dlg) {
    const std::string selected = ListSelection(dlg, e::kList);
    if (selected.empty()) return;
    s.currentEntry = selected;
    settings_.SetDefaultDun(selected);
    defaultDun_ = selected;
    SetDlgItemText(dlg, e::kCurrentLine, Printf("Default DUN reset to [%s]", selected.c_str()));
    SelectEntry(selected);
  };
  DialogBox(ids::EditSettings::kTemplate, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG: {
        SetWindowText(dlg, Printf("Edit details of [%s]", s.currentEntry.c_str()));
        const HWND list = GetDlgItem(dlg, e::kList);
        if (!FillEntryList(list, false)) {
          if (win95) {
            MessageBox(main_, "No DUN's in your system,\nUnable to Edit Details.....", "Corvane 32bit DUN Handler", MB_OK);
          } else {
            MessageBox(main_, "Error in call to RasEnumEntries()", "Dialwick Error", MB_OK);
          }
          return TRUE;
        }
        SelectByName(list, s.currentEntry);
        ApplyMode(dlg, EditSettingsModes(), win95 ? kWin95Entry : kNtEntry);
        SetDlgItemText(dlg, e::kCurrentLine, Printf("Selected DUN is currently [%s]", s.currentEntry.c_str()));
        if (ListBox_GetCurSel(list) >= 0) load(dlg, ListSelection(dlg, e::kList));
        PlaceAtTwoThirds(dlg);
        return TRUE;
      }
      case WM_COMMAND:
        switch (LOWORD(w)) {
          case e::kList:
            if (HIWORD(w) == LBN_SELCHANGE) {
              store();
              load(dlg, ListSelection(dlg, e::kList));
            } else if (HIWORD(w) == LBN_DBLCLK) {
              makeDefault(dlg);
            }
            return TRUE;
          case e::kSetDefault: makeDefault(dlg); return TRUE;
          case IDOK:
            store();
            EndDialog(dlg, IDOK);
            return TRUE;
          case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
          default: return FALSE;
        }
      default: return FALSE;
    }
  }, 0, &editGuard_);
}

// --- About ---------------------------------------------------------------------------

void DialwickApp::About() {
  const PlatformInfo& p = options_.platform;
  const std::string version = Printf("Windows Version [%d.%d.%d] ", p.major, p.minor, p.build & 0xFFFF);
  DialogBox(ids::About::kTemplate, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      SetDlgItemText(dlg, ids::About::kPlatform, PlatformText(p.code));
      SetDlgItemText(dlg, ids::About::kVersion, version);
      CenterWindow(dlg);
      return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
      EndDialog(dlg, IDOK);
      return TRUE;
    }
    return FALSE;
  });
}

// --- Our phonebook entry editor ----------------------------------------------------------

bool DialwickApp::EditPhonebookEntry(std::string_view entry) {
  using ed = ids::EntryEditor;
  const bool creating = entry.empty();
  ras::PhonebookEntry edited;
  if (!creating) {
    const ras::Phonebook book = ras::LoadPhonebook(modem_.phonebook());
    if (const ras::PhonebookEntry* found = book.Find(entry)) edited = *found;
    edited.name = std::string(entry);
  }
  Form form;
  form.Text(ed::kName, FieldRef(edited.name), 0);
  form.Text(ed::kNumber, FieldRef(edited.saved.phoneNumber), 0);
  form.Text(ed::kCallback, FieldRef(edited.saved.callbackNumber), 0);
  form.Text(ed::kUser, FieldRef(edited.saved.userName), 0);
  form.Text(ed::kPassword, FieldRef(edited.saved.password), 0);
  form.Text(ed::kDomain, FieldRef(edited.saved.domain), 0);
  form.Flag(ed::kKeepsPassword, FieldRef(edited.keepsPassword));
  // A new entry's name must be usable and not taken; an existing one's
  // name is shown read-only.
  if (creating) {
    form.RequireNoProblem(ed::kName, [this](const std::string& name) {
      std::string problem = ras::EntryNameProblem(name);
      if (problem.empty() && ras::LoadPhonebook(modem_.phonebook()).Find(name) != nullptr)
        problem = "An entry of that name exists already.";
      return problem;
    }, "Phonebook Entry");
  }
  auto proc = [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG:
        form.Load(dlg);
        SendDlgItemMessage(dlg, ed::kName, EM_SETREADONLY, creating ? 0 : 1);
        PlaceAtTwoThirds(dlg);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(w) == IDCANCEL) {
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        }
        if (LOWORD(w) != IDOK) return form.Notice(w) ? TRUE : FALSE;
        if (!form.Validate()) return TRUE;
        form.Apply();
        if (auto ec = ras::WritePhonebookEntry(modem_.phonebook(), edited)) {
          tellmar::MessageBox(dlg, "The phonebook could not be written: " + ec.message(), "Phonebook Entry",
                              MB_OK | MB_ICONERROR);
          return TRUE;
        }
        EndDialog(dlg, IDOK);
        return TRUE;
      default: return FALSE;
    }
  };
  const INT_PTR result = DialogBox(ids::EntryEditor::kTemplate, main_, proc);
  if (result != IDOK) return false;
  // The Windows 95 family lists its entries from the registry.
  if (engine_->platformCode() != ras::kPlatformNT)
    RegistryStore::ForUser().CreateKey(RegistryRoot::CurrentUser, "RemoteAccess\\Profile\\" + edited.name);
  return true;
}

}  // namespace tellmar::dialer
