// Every template of tmadmin32 parses, and every dialog holds the controls
// its logic uses. Named dialogs are checked by the build (their IDs are
// generated); the rest are listed here.
#include <gtest/gtest.h>

#include "admin/shell/commands.h"
#include "platform/resource.h"
#include "resources/tmadmin32/rcu_ids.h"
#include "resources/tmadmin32/user_buttons_ids.h"

using namespace tellmar;

TEST(AdminTemplates, EveryTemplateParsesAndHoldsTheIdsTheLogicUses) {
  for (const auto& e : ResourceErrors()) EXPECT_EQ(e.find(".tmr:"), std::string::npos) << e;
  using UB = res::tmadmin32::UserButtons;
  using Rcu = res::tmadmin32::Rcu;
  const std::vector<std::pair<int, std::vector<int>>> uses = {
      {UB::kTemplate,
       {UB::kList, UB::kProgram, UB::kCaption, UB::kBrowse, UB::kEditEntry, UB::kRemoveEntry, UB::kSave,
        UB::kCancelEdit, UB::kOk, UB::kCancel}},
      {236, {1234, 1047, 1237, 1238, IDOK, IDCANCEL}},     // Confirm Password
      {126, {1015, 1016, 1018, IDOK}},                     // the support module's information box
      {146, {IDOK}},                                       // About
      {197, {1015, 1016, IDOK}},                           // technical support
      {273, {}},                                           // restart notice
      {233, {}},                                           // splash
      {Rcu::kTemplate,
       {Rcu::kStatus, Rcu::kPath, Rcu::kKeepOnTop, Rcu::kExit, Rcu::kBrowse, Rcu::kDisconnect, Rcu::kConnect}},
      {res::tmadmin32::RcuPassword::kTemplate, {res::tmadmin32::RcuPassword::kPassword, IDOK, IDCANCEL}},
      {res::tmadmin32::AboutRcu::kTemplate, {res::tmadmin32::AboutRcu::kVersion, IDOK}},
  };
  for (const auto& [dialog, ids] : uses) {
    const DialogTemplate* t = FindDialogTemplate(dialog);
    ASSERT_NE(t, nullptr) << dialog;
    for (int id : ids) EXPECT_NE(t->Find(id), nullptr) << "dialog " << dialog << " control " << id;
  }
  EXPECT_EQ(FindDialogTemplate(UB::kTemplate)->caption, "Configure User Buttons");
  EXPECT_EQ(FindDialogTemplate(Rcu::kTemplate)->menu, admin::rcu_command::kMenu);
  auto menu = LoadMenu(admin::rcu_command::kMenu);
  ASSERT_TRUE(menu.has_value());
  for (int id = admin::rcu_command::kSetLocation; id <= admin::rcu_command::kRcuHelp; ++id)
    EXPECT_NE(FindMenuItem(*menu, static_cast<UINT>(id)), nullptr) << id;
  EXPECT_TRUE(LoadAccelerators(admin::rcu_command::kAccelerators).has_value());
}
