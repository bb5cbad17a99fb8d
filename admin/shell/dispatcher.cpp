#include "admin/shell/dispatcher.h"

#include <array>
#include <cstdio>

#include "admin/config/administrators_sheet.h"
#include "admin/config/attachments_dialog.h"
#include "admin/config/internet_sheet.h"
#include "admin/config/mailbox_collections_dialog.h"
#include "admin/config/options_sheet.h"
#include "admin/config/scheduling_dialog.h"
#include "admin/config/setup_wizard.h"
#include "admin/mailview/mail_window.h"
#include "admin/routing/address_lists_sheet.h"
#include "admin/routing/mail_routing_sheet.h"
#include "admin/routing/rizidori_dialog.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/commands.h"
#include "admin/shell/service_messages.h"
#include "admin/shell/user_buttons_dialog.h"
#include "admin/users/mail_status_window.h"
#include "admin/users/server_status.h"
#include "admin/users/users_dialog.h"
#include "platform/dialog.h"
#include "common/profile.h"
#include "platform/window.h"
#include "resources/tmadmin32/support_ids.h"

namespace tellmar::admin {
namespace {

using AboutBox = res::tmadmin32::AboutTellmar;
using TechSupportBox = res::tmadmin32::TechSupport;

enum class Owner { Main, Server };

// How a dialog ended, for its slot answer.
enum class Ended { Ok, Cancel };
using OpenFn = Ended (*)(HWND owner, DialogGuard& guard);

struct Entry {
  UINT message;     // 0: reached by command only
  UINT command;     // 0: reached by message only
  int dialog;       // entries with the same number share one dialog (and its guard)
  Owner owner;
  std::optional<Slot> answerSlot;
  const char* answerOk;
  const char* answerCancel;
  bool answerWhenRaised;
  OpenFn open;
};

INT_PTR CloseOnButton(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    CenterWindow(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

Ended OpenAbout(HWND owner, DialogGuard& guard) {
  return DialogBox(AboutBox::kTemplate, owner, CloseOnButton, 0, &guard) == IDOK ? Ended::Ok : Ended::Cancel;
}

Ended OpenTechSupport(HWND owner, DialogGuard& guard) {
  const INT_PTR result = DialogBox(TechSupportBox::kTemplate, owner, [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      SetDlgItemText(dialog, TechSupportBox::kWindowsVersion, WindowsVersionText());
      SetDlgItemText(dialog, TechSupportBox::kServerDirectory, "Server directory: " + App().serverDir);
    }
    return CloseOnButton(dialog, message, wParam, lParam);
  }, 0, &guard);
  return result == IDOK ? Ended::Ok : Ended::Cancel;
}

// A dialog that says how it ended: OK when it answers true.
template <bool (*Run)(HWND, DialogGuard&)>
Ended OkWhenTrue(HWND owner, DialogGuard& guard) {
  return Run(owner, guard) ? Ended::Ok : Ended::Cancel;
}

// The sheets, the wizard and the windows answer "OK" however they close.
template <auto Run>
Ended AlwaysOk(HWND owner, DialogGuard& guard) {
  Run(owner, guard);
  return Ended::Ok;
}

// The mail window is modeless: these return as soon as it is open.
Ended OpenMailWindowEntry(HWND, DialogGuard&) {
  mailview::OpenMailWindow();
  return Ended::Ok;
}

// On the Postmaster's mailbox, or on the user [administration] seekuser names.
Ended OpenPostmasterMailbox(HWND, DialogGuard&) {
  const std::string seek = GetProfileString(ServerSettingsFile(), "administration", "seekuser", "");
  mailview::OpenMailWindow(seek.empty() ? std::string("(System Postmaster)") : seek);
  return Ended::Ok;
}

// Its clock argument is the test's; here the local weekday.
Ended OpenScheduling(HWND owner, DialogGuard& guard) {
  return RunSchedulingDialog(owner, guard) ? Ended::Ok : Ended::Cancel;
}

// Dialog numbers of the table (any distinct values).
enum Dialog {
  kWizard = 1, kInternetAccess, kMailWindow, kUsers, kMailboxes, kOptions, kAttachments,
  kScheduling, kFilters, kAddressLists, kRiziDori, kUserButtons, kAdministrators, kTechSupport, kServerStatus,
  kAbout, kDialogCount
};

// clang-format off
const Entry kTable[] = {
  {msg::kSetupWizard, command::kSetupWizard,         kWizard,         Owner::Main,   Slot::B, "OK", "OK", true,  AlwaysOk<RunSetupWizard>},
  {msg::kInternetAccess, command::kConfigureServer,     kInternetAccess, Owner::Main,   Slot::B, "OK", "OK", false, AlwaysOk<RunInternetSheet>},
  // The same sheet, opened at most once for either message.
  {msg::kConnectionSheet, 0,                             kInternetAccess, Owner::Main,   Slot::B, "OK", "OK", false, AlwaysOk<RunInternetSheet>},
  {msg::kMailWindow, command::kAdministratorWindow, kMailWindow,     Owner::Main,   {},      "",   "",   false, OpenMailWindowEntry},
  {msg::kPostmasterMailbox, 0,                             kMailWindow,     Owner::Main,   {},      "",   "",   false, OpenPostmasterMailbox},
  {msg::kUsers, command::kMaintainUsers,       kUsers,          Owner::Server, Slot::F, "OK", "OK", true,  AlwaysOk<RunUsersDialog>},
  {msg::kMailboxes, command::kMailboxes,           kMailboxes,      Owner::Main,   Slot::B, "OK", "OK", false, OkWhenTrue<RunMailboxCollectionsDialog>},
  {msg::kOptions, command::kUtilities,           kOptions,        Owner::Main,   Slot::B, "OK", "OK", false, AlwaysOk<RunOptionsSheet>},
  {msg::kAttachments, command::kAttachments,         kAttachments,    Owner::Main,   {},      "",   "",   false, OkWhenTrue<RunAttachmentsDialog>},
  {msg::kScheduling, command::kScheduling,          kScheduling,     Owner::Main,   Slot::B, "OK", "OK", false, OpenScheduling},
  {msg::kFilters, command::kFilters,             kFilters,        Owner::Server, Slot::B, "OK", "OK", false, AlwaysOk<RunMailRoutingSheet>},
  {msg::kAddressLists, command::kAddressLists,        kAddressLists,   Owner::Main,   Slot::B, "OK", "OK", false, AlwaysOk<RunAddressListsSheet>},
  {msg::kRiziDori, command::kRiziDori,            kRiziDori,       Owner::Main,   Slot::B, "OK", "OK", true,  OkWhenTrue<RunRiziDoriDialog>},
  {msg::kUserButtons, 0,                             kUserButtons,    Owner::Main,   Slot::F, "OK", "CANCEL", false, OkWhenTrue<RunUserButtonsDialog>},
  {msg::kAdministrators, 0,                             kAdministrators, Owner::Server, {},      "",   "",   false, AlwaysOk<RunAdministratorsSheet>},
  {msg::kTechSupport, 0,                             kTechSupport,    Owner::Server, {},      "",   "",   false, OpenTechSupport},
  {msg::kServerStatus, 0,                             kServerStatus,   Owner::Server, {},      "",   "",   false, AlwaysOk<RunServerStatus>},
  {msg::kAbout, command::kAbout,               kAbout,          Owner::Main,   Slot::B, "OK", "OK", false, OpenAbout},
};
// clang-format on

struct Running {
  DialogGuard guard;
  bool busy = false;  // from the request until its dialog has ended
};
std::array<Running, kDialogCount> running;

HWND OwnerOf(const Entry& e) {
  const AdminState& app = App();
  return e.owner == Owner::Server && app.serverWindow != 0 ? app.serverWindow : app.main;
}

void Answer(const Entry& e, const char* text) {
  if (e.answerSlot && text[0] != '\0') WriteSlot(*e.answerSlot, text);
}

void Run(const Entry& e) {
  Running& r = running[static_cast<std::size_t>(e.dialog)];
  if (r.guard.RaiseIfOpen() || r.busy) {
    if (e.answerWhenRaised) Answer(e, e.answerOk);
    return;
  }
  r.busy = true;
  const Ended ended = e.open(OwnerOf(e), r.guard);
  r.busy = false;
  Answer(e, ended == Ended::Ok ? e.answerOk : e.answerCancel);
}

}  // namespace

bool DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == msg::kServerStatus) App().configuredUsers = static_cast<int>(wParam);
  if (message == msg::kMailStatus) {
    ShowMailStatusWindow(lParam != 0);
    return true;
  }
  for (const Entry& e : kTable) {
    if (e.message != 0 && e.message == message) {
      Run(e);
      return true;
    }
  }
  return false;
}

bool DispatchCommand(UINT command) {
  for (const Entry& e : kTable) {
    if (e.command != 0 && e.command == command) {
      Run(e);
      return true;
    }
  }
  return false;
}

}  // namespace tellmar::admin
