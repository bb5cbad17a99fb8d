#include "admin/config/internet_sheet.h"

#include <memory>

#include "admin/config/domain_page.h"
#include "admin/config/internet_pages.h"
#include "admin/shell/admin_state.h"
#include "platform/propsheet.h"

namespace tellmar::admin {

void RunInternetSheet(HWND owner, DialogGuard& guard) {
  auto connection = std::make_shared<ConnectionChoice>();
  PROPSHEETHEADER header;
  header.caption = kInternetSheetCaption;
  header.owner = owner;
  header.helpFile = App().helpFilePath;
  header.pages = {
      MakeConnectionTypePage(connection),
      MakeDialupPage(connection),
      MakeIncomingMailPage(),
      MakeOutgoingMailPage(),
      MakeServerOptionsPage(connection),
      DomainPage(),
      MakeTimeServerPage(),
  };
  PropertySheet(header, &guard);
}

}  // namespace tellmar::admin
