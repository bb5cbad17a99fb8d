#include "admin/routing/mail_routing_sheet.h"

#include "admin/routing/domain_aliases.h"
#include "admin/routing/filter_page.h"
#include "admin/routing/filter_store.h"
#include "admin/shell/admin_state.h"
#include "platform/propsheet.h"

namespace tellmar::admin {

namespace {
// Help topics of the pages.
constexpr int kFilterHelpContext = 12000, kDomainAliasHelpContext = 27, kUndeliverableHelpContext = 15;
}  // namespace

void RunMailRoutingSheet(HWND owner, DialogGuard& guard) {
  // The working copy lives in the directory the program started in.
  FilterStore store(ServerSettingsFile(), App().workingDir / std::string(kFilterWorkingFile));
  PROPSHEETHEADER header;
  header.caption = "Mail routing";
  header.owner = owner;
  header.noApplyButton = true;
  header.helpFile = App().helpFilePath;
  header.helpContext = kFilterHelpContext;
  header.pages = {MakeFilterPage(store), MakeDomainAliasPage(), MakeUndeliverablePage()};
  header.pages[1].helpContext = kDomainAliasHelpContext;
  header.pages[2].helpContext = kUndeliverableHelpContext;
  PropertySheet(header, &guard);
}

}  // namespace tellmar::admin
