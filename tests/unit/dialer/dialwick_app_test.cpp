// The program's window layer in-process: its templates, the command line,
// and the request forms that only a sender inside the program can use.
#include "dialer/dialwick_app.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "../common/temp_dir.h"
#include "dialer/messages.h"
#include "dialer/resources.h"
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
  using CC = ids::ControlCentre;
  using Pr = ids::Progress;
  using Pw = ids::Password;
  using NP = ids::NoPassword;
  using CF = ids::ConnectionFailed;
  using ES = ids::EditSettings;
  using EE = ids::EntryEditor;
  const std::vector<std::pair<int, std::vector<int>>> uses = {
      {CC::kTemplate,
       {CC::kList, CC::kActiveLine, CC::kConnectButton, CC::kSetDefault, CC::kDialProperties, CC::kCreateNew,
        CC::kEditSettings, CC::kSavePassword, CC::kShowProgress, CC::kKeepLog, CC::kHelp, CC::kCloseDialwick,
        CC::kVersion, IDOK}},
      {Pr::kTemplate,
       {Pr::kStatusList, Pr::kCaptionLine, Pr::kRedial, Pr::kCancel, Pr::kActionLine, Pr::kAlwaysShow,
        Pr::kCloseOnCancel, IDOK}},
      {Pw::kTemplate, {Pw::kTitle, Pw::kEdit, Pw::kSave, IDOK, IDCANCEL}},
      {NP::kTemplate, {NP::kEntry, NP::kSessionEnded, IDOK}},
      {CF::kTemplate, {CF::kTitle, CF::kReason, CF::kRedialsLabel, CF::kRedials, CF::kRetry, IDOK}},
      {ES::kTemplate,
       {ES::kCallback, ES::kUser, ES::kPassword, ES::kDomain, ES::kList, ES::kCurrentLine, ES::kPhone,
        ES::kSetDefault, IDOK, IDCANCEL}},
      {ids::About::kTemplate, {ids::About::kPlatform, ids::About::kVersion, IDOK}},
      {EE::kTemplate,
       {EE::kName, EE::kNumber, EE::kCallback, EE::kUser, EE::kPassword, EE::kDomain, EE::kKeepsPassword, IDOK,
        IDCANCEL}},
  };
  for (const auto& [dialog, controls] : uses) {
    const DialogTemplate* t = FindDialogTemplate(dialog);
    ASSERT_NE(t, nullptr) << dialog;
    for (int id : controls) EXPECT_NE(t->Find(id), nullptr) << "dialog " << dialog << " control " << id;
  }
  EXPECT_EQ(FindDialogTemplate(ids::ControlCentre::kTemplate)->caption, "Dialwick from Corvane ");
  EXPECT_EQ(FindDialogTemplate(ids::Password::kTemplate)->caption, "Dialwick - Password Missing");
  auto menu = LoadMenu(main_window::kMenu);
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
