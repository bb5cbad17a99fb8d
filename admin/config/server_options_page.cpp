// The server options page: urgent mail, archiving, the network servers the
// main server starts and closes, and what it does at start and closedown.
#include <initializer_list>

#include "admin/config/internet_pages.h"
#include "admin/config/settings_page.h"
#include "admin/shell/admin_state.h"
#include "common/path_case.h"
#include "platform/dialog.h"
#include "resources/tmadmin32/internet_sheet_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::ServerOptionsPage;

// The proxy server plug-in, as installed beside the main server.
bool ProxyInstalled() {
  std::error_code error;
  const auto dir = ServerDirectoryPath();
  for (const char* name : {"prtlow.exe", "prtlow"})
    if (std::filesystem::is_regular_file(ResolveNoCase(dir, name), error)) return true;
  return false;
}

class ServerOptionsPage : public SettingsPage {
 public:
  explicit ServerOptionsPage(std::shared_ptr<const ConnectionChoice> choice)
      : SettingsPage("Choose how you want your server to work..."), choice_(std::move(choice)) {
    struct Row {
      int id;
      const char* section;
      const char* key;
      const char* fallback;
    };
    static constexpr Row kRows[] = {
        {Ids::kUrgent, "Environment", "urgent", "-1"},
        {Ids::kGetMailOnUrgent, "Environment", "GetMailOnUrgent", "-1"},
        {Ids::kLoadPop3, "Environment", "LoadPOP3", "-1"},
        {Ids::kLoadSmtp, "Environment", "LoadSMTP", "-1"},
        {Ids::kCloseMailServers, "Environment", "CloseMailServers", "-1"},
        {Ids::kStartProxy, "Environment", "StartWebServer", "-1"},
        {Ids::kCloseProxy, "Environment", "CloseWebServer", "0"},
        {Ids::kArchiveIn, "Environment", "archivein", "0"},
        {Ids::kArchiveOut, "Environment", "archiveout", "0"},
        {Ids::kGoOnline, "Startup", "goonline", "0"},
        {Ids::kConfirmClose, "Environment", "ConfirmServerClose", "-1"},
        {Ids::kBackupOnClose, "Environment", "SaveIniOnClosedown", "-1"},
    };
    for (const Row& row : kRows) form_.Flag(row.id, Key(row.section, row.key, row.fallback), kMinusOneZero);
  }

 private:
  void Loaded() override {
    const bool proxy = ProxyInstalled();
    EnableDlgItem(page(), Ids::kStartProxy, proxy);
    EnableDlgItem(page(), Ids::kCloseProxy, proxy);
  }

  // Urgent mail, archiving and collecting at start mean nothing without an
  // Internet connection.
  void Shown() override {
    const bool internalOnly = choice_->Current(ServerSettingsFile()) == Connection::InternalOnly;
    for (int id : {Ids::kUrgent, Ids::kGetMailOnUrgent, Ids::kArchiveIn, Ids::kArchiveOut, Ids::kGoOnline}) {
      if (internalOnly) CheckDlgButton(page(), id, BST_UNCHECKED);
      EnableDlgItem(page(), id, !internalOnly);
    }
  }

  std::shared_ptr<const ConnectionChoice> choice_;
};

}  // namespace

PROPSHEETPAGE MakeServerOptionsPage(std::shared_ptr<const ConnectionChoice> choice) {
  return SettingsPage::Make(std::make_shared<ServerOptionsPage>(std::move(choice)), Ids::kTemplate);
}

}  // namespace tellmar::admin
