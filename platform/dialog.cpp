#include "platform/dialog.h"

#include <algorithm>
#include <cstdlib>

#include "platform/controls.h"
#include "platform/loop.h"

namespace tellmar {
namespace {

Loop& L() { return Loop::Current(); }

HWND FirstTabStop(HWND dialog) {
  for (HWND child : GetChildren(dialog)) {
    Window* c = L().Find(child);
    if (c != nullptr && (c->style & WS_TABSTOP) != 0 && c->visible && c->enabled) return child;
  }
  return 0;
}

void CreateControls(HWND dialog, const DialogTemplate& tmpl) {
  HWND previous = 0;
  for (const ControlTemplate& c : tmpl.controls) {
    CreateParams p;
    p.className = c.className;
    p.title = c.caption;
    p.style = c.style;
    p.x = DialogUnitsToPixelsX(c.x);
    p.y = DialogUnitsToPixelsY(c.y);
    p.width = DialogUnitsToPixelsX(c.cx);
    p.height = DialogUnitsToPixelsY(c.cy);
    p.parent = dialog;
    p.id = c.id;
    const HWND control = CreateWindow(p);
    if (control == 0) continue;
    if (c.image != 0)
      if (Window* w = L().Find(control)) w->icon = c.image;
    if (c.autoBuddy && previous != 0) SendMessage(control, UDM_SETBUDDY, static_cast<WPARAM>(previous), 0);
    previous = control;
  }
}

HWND MakeDialog(const DialogTemplate& tmpl, HWND owner, DlgProc proc, LPARAM initParam, bool modal) {
  CreateParams p;
  p.className = kDialogClass;
  p.title = tmpl.caption;
  p.style = tmpl.style & ~WS_VISIBLE;
  p.x = DialogUnitsToPixelsX(tmpl.x);
  p.y = DialogUnitsToPixelsY(tmpl.y);
  p.width = DialogUnitsToPixelsX(tmpl.cx);
  p.height = DialogUnitsToPixelsY(tmpl.cy);
  const bool child = (tmpl.style & WS_CHILD) != 0;
  // An owner in another program cannot own here; the dialog stands alone.
  p.parent = (owner != 0 && L().Find(owner) != nullptr) ? owner : 0;
  if (child && p.parent == 0) return 0;
  // A box or dialog of a shown window is placed on it: centred when its
  // template names no place (0, 0), else at that place from the owner's
  // corner. One of a hidden window stays where its template puts it.
  if (!child && p.parent != 0 && IsWindowVisible(p.parent)) {
    const RECT on = GetWindowRect(p.parent);
    if (tmpl.x == 0 && tmpl.y == 0) {
      p.x = std::max(0, on.left + (on.right - on.left - p.width) / 2);
      p.y = std::max(0, on.top + (on.bottom - on.top - p.height) / 2);
    } else {
      p.x += on.left;
      p.y += on.top;
    }
  }
  const HWND dialog = CreateWindow(p);
  if (dialog == 0) return 0;
  Window* w = L().Find(dialog);
  w->dialog = std::make_unique<DialogState>();
  w->dialog->proc = std::move(proc);
  w->dialog->templateId = tmpl.id;
  w->dialog->modal = modal;
  if (tmpl.menu != 0)
    if (auto menu = LoadMenu(tmpl.menu)) w->menu = *menu;
  CreateControls(dialog, tmpl);
  const HWND first = FirstTabStop(dialog);
  if (SendMessage(dialog, WM_INITDIALOG, static_cast<WPARAM>(first), initParam) != 0 && first != 0 &&
      L().Find(dialog) != nullptr && (tmpl.style & WS_VISIBLE) != 0)
    SetFocus(first);
  if (Window* again = L().Find(dialog); again != nullptr && (tmpl.style & WS_VISIBLE) != 0) ShowWindow(dialog, SW_SHOW);
  return L().Find(dialog) != nullptr ? dialog : 0;
}

}  // namespace

bool DialogGuard::IsOpen() const { return open_ != 0 && L().Find(open_) != nullptr; }

bool DialogGuard::RaiseIfOpen() {
  if (!IsOpen()) return false;
  if (IsIconic(open_)) ShowWindow(open_, SW_RESTORE);
  if (!IsWindowVisible(open_)) ShowWindow(open_, SW_SHOW);
  SetForegroundWindow(open_);
  return true;
}

INT_PTR DialogBox(int templateId, HWND owner, DlgProc proc, LPARAM initParam, DialogGuard* guard) {
  const DialogTemplate* tmpl = FindDialogTemplate(templateId);
  if (tmpl == nullptr) return -1;
  return DialogBoxIndirect(*tmpl, owner, std::move(proc), initParam, guard);
}

INT_PTR DialogBoxIndirect(const DialogTemplate& tmpl, HWND owner, DlgProc proc, LPARAM initParam, DialogGuard* guard) {
  if (guard != nullptr && guard->RaiseIfOpen()) return kDialogAlreadyOpen;
  Loop& loop = L();
  DialogTemplate modal = tmpl;
  modal.style &= ~(WS_CHILD | WS_VISIBLE);
  // The owner is disabled before the dialog's WM_INITDIALOG, as a person
  // cannot reach it from then on.
  HWND disabledOwner = 0;
  if (Window* o = loop.Find(owner); o != nullptr && o->enabled && (o->style & WS_CHILD) == 0) {
    o->enabled = false;
    disabledOwner = owner;
  }
  auto reenableOwner = [&] {
    if (Window* o = loop.Find(disabledOwner)) o->enabled = true;
  };
  const HWND dialog = MakeDialog(modal, owner, std::move(proc), initParam, true);
  if (dialog == 0) {
    reenableOwner();
    return -1;
  }
  Window* w = loop.Find(dialog);
  w->dialog->disabledOwner = disabledOwner;
  if (w->dialog->ended) {  // ended inside WM_INITDIALOG
    const INT_PTR result = w->dialog->result;
    DestroyWindow(dialog);
    reenableOwner();
    return result;
  }
  if (guard != nullptr) guard->Opened(dialog);
  ShowWindow(dialog, SW_SHOW);
  if (HWND first = FirstTabStop(dialog); first != 0 && loop.focus == 0) SetFocus(first);
  loop.RunModal(dialog);
  if (guard != nullptr) guard->Closed();
  INT_PTR result = -1;
  if (Window* done = loop.Find(dialog); done != nullptr && done->dialog) {
    result = done->dialog->ended ? done->dialog->result : -1;
    DestroyWindow(dialog);
  }
  reenableOwner();
  if (Window* o = loop.Find(owner); o != nullptr && o->visible && (o->style & WS_CHILD) == 0) SetForegroundWindow(owner);
  return result;
}

HWND CreateDialog(int templateId, HWND owner, DlgProc proc, LPARAM initParam) {
  const DialogTemplate* tmpl = FindDialogTemplate(templateId);
  return tmpl == nullptr ? 0 : CreateDialogIndirect(*tmpl, owner, std::move(proc), initParam);
}

HWND CreateDialogIndirect(const DialogTemplate& tmpl, HWND owner, DlgProc proc, LPARAM initParam) {
  return MakeDialog(tmpl, owner, std::move(proc), initParam, false);
}

bool EndDialog(HWND dialog, INT_PTR result) {
  Window* w = L().Find(dialog);
  if (w == nullptr || !w->dialog) return false;
  w->dialog->ended = true;
  w->dialog->result = result;
  if (!w->dialog->modal) w->visible = false;
  return true;
}

bool IsDialog(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w != nullptr && w->dialog != nullptr;
}

LRESULT DefDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto held = L().Hold(hwnd);
  if (!held || !held->dialog) return DefWindowProc(hwnd, msg, wParam, lParam);
  DialogState& d = *held->dialog;
  d.msgResult = 0;
  const INT_PTR handled = d.proc ? d.proc(hwnd, msg, wParam, lParam) : 0;
  if (msg == WM_INITDIALOG) return handled;
  if (handled != 0) return d.msgResult;
  switch (msg) {
    case WM_CLOSE:
      SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), GetDlgItem(hwnd, IDCANCEL));
      return 0;
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      return DefWindowProc(hwnd, msg, wParam, lParam);
    default:
      return 0;
  }
}

void SetDlgMsgResult(HWND dialog, LRESULT value) {
  Window* w = L().Find(dialog);
  if (w != nullptr && w->dialog) w->dialog->msgResult = value;
}

int GetDefaultButtonId(HWND dialog) {
  for (HWND child : GetChildren(dialog)) {
    Window* c = L().Find(child);
    if (c != nullptr && c->kind == ControlKind::Button && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return c->id;
  }
  return IDOK;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND control = GetDlgItem(dialog, id);
  return control == 0 ? 0 : SendMessage(control, msg, wParam, lParam);
}

bool SetDlgItemText(HWND dialog, int id, std::string_view text) {
  const HWND control = GetDlgItem(dialog, id);
  return control != 0 && SetWindowText(control, text);
}

std::string GetDlgItemText(HWND dialog, int id) {
  const HWND control = GetDlgItem(dialog, id);
  return control == 0 ? std::string() : GetWindowText(control);
}

bool SetDlgItemInt(HWND dialog, int id, int value) { return SetDlgItemText(dialog, id, std::to_string(value)); }

int GetDlgItemInt(HWND dialog, int id, bool* ok) {
  const std::string text = GetDlgItemText(dialog, id);
  const char* p = text.c_str();
  while (*p == ' ') ++p;
  char* end = nullptr;
  const long value = std::strtol(p, &end, 10);
  const bool good = GetDlgItem(dialog, id) != 0 && end != p;
  if (ok != nullptr) *ok = good;
  return good ? static_cast<int>(value) : 0;
}

bool CheckDlgButton(HWND dialog, int id, int state) {
  const HWND control = GetDlgItem(dialog, id);
  if (control == 0) return false;
  SendMessage(control, BM_SETCHECK, static_cast<WPARAM>(state), 0);
  return true;
}

int IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessage(dialog, id, BM_GETCHECK, 0, 0));
}

bool CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  for (int id = firstId; id <= lastId; ++id)
    if (HWND control = GetDlgItem(dialog, id))
      SendMessage(control, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
  return true;
}

bool EnableDlgItem(HWND dialog, int id, bool enable) {
  const HWND control = GetDlgItem(dialog, id);
  if (control == 0) return false;
  EnableWindow(control, enable);
  return true;
}

bool ShowDlgItem(HWND dialog, int id, bool show) {
  const HWND control = GetDlgItem(dialog, id);
  if (control == 0) return false;
  ShowWindow(control, show ? SW_SHOW : SW_HIDE);
  return true;
}

void CenterWindow(HWND hwnd) { PlaceCentreAt(hwnd, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2); }

void PlaceCentreAt(HWND hwnd, int x, int y) {
  const RECT r = GetWindowRect(hwnd);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  MoveWindow(hwnd, x - width / 2, y - height / 2, width, height);
}

}  // namespace tellmar
