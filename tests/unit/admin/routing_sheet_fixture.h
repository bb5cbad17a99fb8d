// What the tests of the "Mail routing" sheet share: the sheet played to its
// end, and a step that acts on one control of the page shown.
#pragma once

#include <functional>
#include <utility>

#include "admin/routing/mail_routing_sheet.h"
#include "tests/unit/admin/admin_fixture.h"

namespace tellmar::testing {

class RoutingSheetTest : public AdminTest {
 protected:
  RoutingSheetTest() {
    admin::App().workingDir = dir_.path();
    admin::App().role = admin::Role::SupportModule;
  }

  // Plays the steps on the sheet and ends with OK (or Cancel).
  void Run(DialogDriver& driver, int end = IDOK) { PlaySheet(driver, admin::RunMailRoutingSheet, end); }

  // The step that acts on control `id` of the page shown; the act must succeed.
  static DialogDriver& On(DialogDriver& d, int id, std::function<bool(HWND)> act) {
    return d.Then([id, act = std::move(act)](HWND sheet) { EXPECT_TRUE(act(PageControl(sheet, id))) << id; });
  }
};

}  // namespace tellmar::testing
