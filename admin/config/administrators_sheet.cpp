#include "admin/config/administrators_sheet.h"

#include <memory>

#include "admin/config/settings_page.h"
#include "common/profile.h"
#include "platform/propsheet.h"
#include "resources/tmadmin32/administrators_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::AdministrationPage;
constexpr std::string_view kSection = "General";

// Read as numbers (any non-zero is on), written as "-1" or "0".
std::string OnOff(const std::string& stored) { return ParseProfileInt(stored) != 0 ? "-1" : "0"; }

class AdministrationPage : public SettingsPage {
 public:
  AdministrationPage() : SettingsPage("Master Settings...") {
    const std::string section(kSection);
    form_.Flag(Ids::kIntAdminOk, Key(section, "IntAdminOK", "-1", OnOff), kMinusOneZero);
    form_.Flag(Ids::kExtAdminOk, Key(section, "ExtAdminOK", "0", OnOff), kMinusOneZero);
    form_.Flag(Ids::kSaveToAdmin, Key(section, "SaveToAdmin", "-1", OnOff), kMinusOneZero);
    form_.Flag(Ids::kAllowXOk, Key(section, "AllowXOK", "0", OnOff), kMinusOneZero);
    form_.Radio({{Ids::kEncrypted, "-1"}, {Ids::kPlainText, "0"}}, Key(section, "TMSecure", "0", OnOff));
    // Every apply stores all five switches; the main server reads them as
    // it handles each administration message, without a change notice.
    writeUnchanged_ = true;
    announce_ = false;
  }

 private:
  void Prepare() override {
    CenterWindow(sheet());
    SetSheetHint(sheet(), "Configure master server settings...");
  }
};

}  // namespace

void RunAdministratorsSheet(HWND owner, DialogGuard& guard) {
  PROPSHEETHEADER header;
  header.caption = kAdministratorsCaption;
  header.owner = owner;
  PROPSHEETPAGE page = SettingsPage::Make(std::make_shared<AdministrationPage>(), Ids::kTemplate);
  page.title = "Special Administration";
  header.pages = {page};
  PropertySheet(header, &guard);
}

}  // namespace tellmar::admin
