#include "admin/config/settings_page.h"

#include "admin/config/remote_update.h"
#include "admin/shell/admin_state.h"
#include "platform/dialog.h"
#include "platform/operator.h"

namespace tellmar::admin {

SettingsPage::SettingsPage(std::string hint) : hint_(std::move(hint)) {}

PROPSHEETPAGE SettingsPage::Make(std::shared_ptr<SettingsPage> page, int templateId, int helpContext) {
  PROPSHEETPAGE def;
  def.templateId = templateId;
  def.proc = [page](HWND h, UINT m, WPARAM w, LPARAM l) { return page->Proc(h, m, w, l); };
  def.helpContext = helpContext;
  return def;
}

ValueRef SettingsPage::Key(std::string_view sectionName, std::string_view keyName,
                           std::string_view fallbackText, Convert shown, Convert stored) {
  std::string section(sectionName), key(keyName), fallback(fallbackText);
  ValueRef ref;
  ref.read = [section, key, fallback, shown] {
    std::string value = GetProfileString(ServerSettingsFile(), section, key, fallback);
    return shown ? shown(value) : value;
  };
  ref.write = [this, section, key, stored](const std::string& value) {
    Write(section, key, stored ? stored(value) : value);
  };
  return ref;
}

void SettingsPage::Write(std::string_view section, std::string_view key, std::string_view value) {
  if (pending_) pending_->Write(section, key, value);
}

void SettingsPage::DeleteKey(std::string_view section, std::string_view key) {
  if (pending_) pending_->DeleteKey(section, key);
}

LRESULT SettingsPage::Apply() {
  if (!loaded_ || (!form_.Modified() && !writeUnchanged_)) return PSNRET_NOERROR;
  if (!Check()) return PSNRET_INVALID;
  pending_.emplace(ServerSettingsFile());
  const bool valid = form_.Apply();  // the bindings write into pending_
  if (valid) Store();
  if (valid && announce_) AddRemoteUpdate(*pending_);
  std::error_code error;
  if (valid) error = pending_->Commit();
  pending_.reset();
  if (!valid) return PSNRET_INVALID;
  if (!Saved(page_, error, "The settings")) {
    form_.MarkModified(true);
    return PSNRET_INVALID;
  }
  return PSNRET_NOERROR;
}

INT_PTR SettingsPage::Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      page_ = page;
      return TRUE;
    case WM_COMMAND:
      if (!loaded_) return TRUE;
      form_.Notice(wParam);
      Command(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
      if (notify == nullptr) return FALSE;
      switch (notify->hdr.code) {
        case PSN_SETACTIVE:
          if (!loaded_) {
            Prepare();
            form_.Load(page_);
            loaded_ = true;
            Loaded();
          }
          SetSheetHint(sheet(), hint_);
          Shown();
          SetDlgMsgResult(page_, 0);
          return TRUE;
        case PSN_KILLACTIVE:
          SetDlgMsgResult(page_, FALSE);
          return TRUE;
        case PSN_APPLY:
          SetDlgMsgResult(page_, Apply());
          return TRUE;
        case PSN_RESET:
          form_.Cancel();
          return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

}  // namespace tellmar::admin
