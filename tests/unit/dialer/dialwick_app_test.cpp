// The program's window layer in-process: its templates, the command line,
// and the request forms that only a sender inside the program can use.
#include "dialer/dialwick_app.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "../common/temp_dir.h"
#include "dialer/messages.h"
#include "dialer/resource_ids.h"
#include "platform/dialog.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/resource.h"
#include "platform/window.h"

namespace tellmar::dialer {
namespace {

using namespace std::chrono_literals;

TEST(DialwickTemplates, EveryDialogParsesAndHoldsTheIdsTheLogicUses) {
  for (const auto& e : ResourceErrors()) EXPECT_EQ(e.find(".tmr:"), std::string::npos) << e;
  const std::vector<std::pair<int, std::vector<int>>> uses = {
      {res::kControlCentre,
       {res::cc::kList, res::cc::kActiveLine, res::cc::kConnectButton, res::cc::kSetDefault,
        res::cc::kDialProperties, res::cc::kCreateNew, res::cc::kEditSettings, res::cc::kSavePassword,
        res::cc::kShowProgress, res::cc::kKeepLog, res::cc::kHelp, res::cc::kCloseDialwick, res::cc::kVersion,
        IDOK}},
      {res::kProgress,
       {res::progress::kStatusList, res::progress::kCaptionLine, res::progress::kRedial, res::progress::kCancel,
        res::progress::kActionLine, res::progress::kAlwaysShow, res::progress::kCloseOnCancel, IDOK}},
      {res::kPassword, {res::password::kTitle, res::password::kEdit, res::password::kSave, IDOK, IDCANCEL}},
      {res::kNoPassword, {res::nopassword::kEntry, res::nopassword::kSessionEnded, IDOK}},
      {res::kConnectionFailed,
       {res::failed::kTitle, res::failed::kReason, res::failed::kRedialsLabel, res::failed::kRedials,
        res::failed::kRetry, IDOK}},
      {res::kEditSettings,
       {res::edit::kCallback, res::edit::kUser, res::edit::kPassword, res::edit::kDomain, res::edit::kList,
        res::edit::kCurrentLine, res::edit::kPhone, res::edit::kSetDefault, IDOK, IDCANCEL}},
      {res::kAbout, {res::about::kPlatform, res::about::kVersion, IDOK}},
      {res::kEntryEditor,
       {res::editor::kName, res::editor::kNumber, res::editor::kCallback, res::editor::kUser,
        res::editor::kPassword, res::editor::kDomain, res::editor::kKeepsPassword, IDOK, IDCANCEL}},
  };
  for (const auto& [dialog, ids] : uses) {
    const DialogTemplate* t = FindDialogTemplate(dialog);
    ASSERT_NE(t, nullptr) << dialog;
    for (int id : ids) EXPECT_NE(t->Find(id), nullptr) << "dialog " << dialog << " control " << id;
  }
  EXPECT_EQ(FindDialogTemplate(res::kControlCentre)->caption, "Dialwick from Corvane ");
  EXPECT_EQ(FindDialogTemplate(res::kPassword)->caption, "Dialwick - Password Missing");
  auto menu = LoadMenu(res::kMainMenu);
  ASSERT_TRUE(menu.has_value());
  for (unsigned id : {cmd::kPassword, cmd::kConnectSelected, cmd::kDisconnectSelected, cmd::kDisconnectAny,
                      cmd::kAbout, cmd::kExit})
    EXPECT_NE(FindMenuItem(*menu, id), nullptr) << id;
}

TEST(DialwickCommandLine, DirectoryOrRequest) {
  EXPECT_EQ(ParseCommandLine("").request, "");
  EXPECT_FALSE(ParseCommandLine("").directory.has_value());
  CommandLine line = ParseCommandLine(JoinArguments({"-p", "C:\\TELLMAR\\"}));
  ASSERT_TRUE(line.directory.has_value());
  EXPECT_EQ(*line.directory, "C:/TELLMAR");
  EXPECT_EQ(line.request, "");
  EXPECT_EQ(*ParseCommandLine("-p\"/srv/my mail\"").directory, "/srv/my mail");
  EXPECT_EQ(ParseCommandLine(JoinArguments({"0,My", "ISP,pw"})).request, "0,My ISP,pw");
  EXPECT_FALSE(ParseCommandLine("-p").directory.has_value());
}

class DialwickAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_ / "phonebook.ini") << "[ISP]\nPassword=pw\nStepMs=0\n[Office]\nPassword=pw\nStepMs=0\n";
    AppOptions options;
    options.workingDir = dir_.path();
    options.userProfile = dir_ / "win.ini";
    options.phonebook = dir_ / "phonebook.ini";
    app_ = std::make_unique<DialwickApp>(loop_.io(), options);
    ASSERT_TRUE(app_->Start());
    loop_.SetOperator(std::make_unique<ScriptedOperator>());
  }
  void TearDown() override { app_.reset(); }

  bool WaitConnected() {
    return loop_.PumpUntil([&] { return app_->engine().state().trayState == 1; }, 5s);
  }

  testing::TempDir dir_;
  Loop loop_;
  std::unique_ptr<DialwickApp> app_;
};

TEST_F(DialwickAppTest, StartSelectsTheFirstEntryAndAddsTheTrayIcon) {
  EXPECT_EQ(app_->SelectedEntry(), "ISP");
  EXPECT_EQ(app_->engine().state().currentEntry, "ISP");
  EXPECT_EQ(GetWindowText(app_->mainWindow()), "Corvane DUN32");
  EXPECT_FALSE(IsWindowVisible(app_->mainWindow()));
}

TEST_F(DialwickAppTest, RequestTextByAddressInsideTheProgramAndByCopyData) {
  const char text[] = "0,Office";
  EXPECT_EQ(SendMessage(app_->mainWindow(), DUNM_REQUESTTEXT, 0, reinterpret_cast<LPARAM>(text)), 1);
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(app_->engine().state().currentEntry, "Office");
  EXPECT_FALSE(app_->engine().state().requestMode);

  // "1" as copy-data hangs up with Hang up (1026), not Disconnect any.
  EXPECT_EQ(SendCopyData(app_->mainWindow(), 0, DUNM_REQUESTTEXT, "1").value, 1);
  EXPECT_TRUE(loop_.PumpUntil([&] { return app_->engine().state().trayState == 0; }, 5s));
  EXPECT_EQ(SendCopyData(app_->mainWindow(), 0, 999, "0,ISP").value, 0) << "other copy-data is not a request";
  EXPECT_EQ(SendMessage(app_->mainWindow(), DUNM_REQUESTTEXT, 0, 0), 0);
}

TEST_F(DialwickAppTest, ProgressWindowShowsTheStatesAndRemembersItsPlace) {
  app_->engine().state().currentEntry = "ISP";
  SendMessage(app_->mainWindow(), WM_COMMAND, cmd::kConnect, 0);
  ASSERT_TRUE(app_->ProgressOpen());
  ASSERT_TRUE(WaitConnected());
  EXPECT_FALSE(app_->ProgressOpen()) << "closed on connecting";
  EXPECT_TRUE(app_->settings().ProgressPosition().stored());
}

}  // namespace
}  // namespace tellmar::dialer
