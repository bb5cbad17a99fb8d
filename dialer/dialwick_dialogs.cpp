// The dialogs a user opens: the Control Centre, Edit DUN Settings, About and
// our phonebook entry editor.
#include "common/ini_document.h"
#include "common/path_case.h"
#include "dialer/dialwick_app.h"
#include "dialer/messages.h"
#include "dialer/resource_ids.h"
#include "dialer/texts.h"
#include "platform/controls.h"
#include "platform/dialog.h"
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

}  // namespace

// --- Control Centre -------------------------------------------------------------------

void DialwickApp::OpenControlCentre() {
  if (IsWindow(controlCentre_)) {
    SetForegroundWindow(controlCentre_);
    return;
  }
  namespace cc = res::cc;
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
          Box("Reconnection failed !", "Failed to locate selected DUN in main list...", MB_OK);
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
          Box("No Connection Selected...", "Please select the DUN you wish to Edit", MB_OK);
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
          Box("Help", "Cannot open the help file " + help.string(), MB_OK | MB_ICONSTOP);
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
  controlCentre_ = CreateDialog(res::kControlCentre, main_, proc);
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
  namespace e = res::edit;
  EngineState& s = engine_->state();
  if (s.currentEntry.empty()) {
    Box("Dun Editor", "Please select the DUN to edit first", MB_OK);
    return;
  }
  const bool win95 = engine_->platformCode() != ras::kPlatformNT;
  std::string shown;  // the entry whose fields the dialog shows
  auto load = [this, &shown](HWND dlg, const std::string& entry) {
    shown = entry;
    const ras::SavedDialParams saved = modem_.GetEntryDialParams(entry);
    SetDlgItemText(dlg, e::kCallback, Blank(saved.params.callbackNumber));
    SetDlgItemText(dlg, e::kPhone, Blank(saved.params.phoneNumber));
    SetDlgItemText(dlg, e::kUser, Blank(saved.params.userName));
    SetDlgItemText(dlg, e::kPassword, Blank(saved.params.password));
    SetDlgItemText(dlg, e::kDomain, Blank(saved.params.domain));
  };
  auto store = [this, &shown](HWND dlg) {
    if (shown.empty()) return;
    ras::DialParams p = modem_.GetEntryDialParams(shown).params;
    p.entryName = shown;
    p.callbackNumber = Blank(GetDlgItemText(dlg, e::kCallback));
    p.phoneNumber = GetDlgItemText(dlg, e::kPhone);
    p.userName = GetDlgItemText(dlg, e::kUser);
    p.password = GetDlgItemText(dlg, e::kPassword);
    if (p.password == " ") p.password.clear();
    p.domain = Blank(GetDlgItemText(dlg, e::kDomain));
    modem_.SetEntryDialParams(p, false);
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
  DialogBox(res::kEditSettings, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG: {
        SetWindowText(dlg, Printf("Edit details of [%s]", s.currentEntry.c_str()));
        const HWND list = GetDlgItem(dlg, e::kList);
        if (!FillEntryList(list, false)) {
          if (win95) {
            Box("Corvane 32bit DUN Handler", "No DUN's in your system,\nUnable to Edit Details.....", MB_OK);
          } else {
            Box("Dialwick Error", "Error in call to RasEnumEntries()", MB_OK);
          }
          return TRUE;
        }
        SelectByName(list, s.currentEntry);
        if (win95) {
          EnableDlgItem(dlg, e::kCallback, false);
          EnableDlgItem(dlg, e::kPhone, false);
        }
        SetDlgItemText(dlg, e::kCurrentLine, Printf("Selected DUN is currently [%s]", s.currentEntry.c_str()));
        if (ListBox_GetCurSel(list) >= 0) load(dlg, ListSelection(dlg, e::kList));
        PlaceAtTwoThirds(dlg);
        return TRUE;
      }
      case WM_COMMAND:
        switch (LOWORD(w)) {
          case e::kList:
            if (HIWORD(w) == LBN_SELCHANGE) {
              store(dlg);
              load(dlg, ListSelection(dlg, e::kList));
            } else if (HIWORD(w) == LBN_DBLCLK) {
              makeDefault(dlg);
            }
            return TRUE;
          case e::kSetDefault: makeDefault(dlg); return TRUE;
          case IDOK:
            store(dlg);
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
  DialogBox(res::kAbout, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      SetDlgItemText(dlg, res::about::kPlatform, PlatformText(p.code));
      SetDlgItemText(dlg, res::about::kVersion, version);
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
  namespace ed = res::editor;
  const bool creating = entry.empty();
  ras::PhonebookEntry edited;
  if (!creating) {
    const ras::Phonebook book = ras::LoadPhonebook(modem_.phonebook());
    if (const ras::PhonebookEntry* found = book.Find(entry)) edited = *found;
    edited.name = std::string(entry);
  }
  const INT_PTR result = DialogBox(res::kEntryEditor, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG:
        SetDlgItemText(dlg, ed::kName, edited.name);
        SendDlgItemMessage(dlg, ed::kName, EM_SETREADONLY, creating ? 0 : 1);
        SetDlgItemText(dlg, ed::kNumber, edited.saved.phoneNumber);
        SetDlgItemText(dlg, ed::kCallback, edited.saved.callbackNumber);
        SetDlgItemText(dlg, ed::kUser, edited.saved.userName);
        SetDlgItemText(dlg, ed::kPassword, edited.saved.password);
        SetDlgItemText(dlg, ed::kDomain, edited.saved.domain);
        CheckDlgButton(dlg, ed::kKeepsPassword, edited.keepsPassword ? BST_CHECKED : BST_UNCHECKED);
        PlaceAtTwoThirds(dlg);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(w) == IDCANCEL) {
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        }
        if (LOWORD(w) != IDOK) return FALSE;
        if (creating) {
          const std::string name = GetDlgItemText(dlg, ed::kName);
          std::string problem = ras::EntryNameProblem(name);
          if (problem.empty() && ras::LoadPhonebook(modem_.phonebook()).Find(name) != nullptr)
            problem = "An entry of that name exists already.";
          if (!problem.empty()) {
            tellmar::MessageBox(dlg, problem, "Phonebook Entry", MB_OK | MB_ICONWARNING);
            SetFocus(GetDlgItem(dlg, ed::kName));
            return TRUE;
          }
          edited.name = name;
        }
        edited.saved.phoneNumber = GetDlgItemText(dlg, ed::kNumber);
        edited.saved.callbackNumber = GetDlgItemText(dlg, ed::kCallback);
        edited.saved.userName = GetDlgItemText(dlg, ed::kUser);
        edited.saved.password = GetDlgItemText(dlg, ed::kPassword);
        edited.saved.domain = GetDlgItemText(dlg, ed::kDomain);
        edited.keepsPassword = IsDlgButtonChecked(dlg, ed::kKeepsPassword) == BST_CHECKED;
        if (auto ec = ras::WritePhonebookEntry(modem_.phonebook(), edited)) {
          tellmar::MessageBox(dlg, "The phonebook could not be written: " + ec.message(), "Phonebook Entry",
                              MB_OK | MB_ICONERROR);
          return TRUE;
        }
        EndDialog(dlg, IDOK);
        return TRUE;
      default: return FALSE;
    }
  });
  if (result != IDOK) return false;
  // The Windows 95 family lists its entries from the registry.
  if (engine_->platformCode() != ras::kPlatformNT)
    RegistryStore::ForUser().CreateKey(RegistryRoot::CurrentUser, "RemoteAccess\\Profile\\" + edited.name);
  return true;
}

}  // namespace tellmar::dialer
