// "Attachment handling" played in the dialog driver: the directory check,
// the stored forms and the Remote Configuration Utility's refusal.
#include "admin/config/attachments_dialog.h"

#include <gtest/gtest.h>

#include <fstream>

#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "resources/tmadmin32/attachments_ids.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::Attachments;

namespace {

class AttachmentsTest : public ::testing::Test {
 protected:
  AttachmentsTest() {
    App().serverSettingsPath = ini_.string();
    App().serverDir = dir_.path().string();
    App().role = Role::SupportModule;
    std::filesystem::create_directory(dir_ / "attach");
  }
  ~AttachmentsTest() override { App().role = Role::SupportModule; }
  void Settings(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string Key(const char* key) { return GetProfileString(ini_, "attachcfg", key, "(none)"); }
  INT_PTR Run(DialogDriver& driver) {
    const INT_PTR r = driver.Run([this] { return RunAttachmentsDialog(0, guard_) ? IDOK : IDCANCEL; });
    EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
    return r;
  }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  Loop loop_;
  DialogGuard guard_;
};

TEST_F(AttachmentsTest, AMissingDirectoryIsRefusedAndAChosenOneStoredInBothForms) {
  Settings("[ATTACHCFG]\r\nextract=1\r\nEXEfilesOnly=1\r\nLongExtractDir=gone\r\n");
  DialogDriver driver;
  driver.Then([](HWND d) {
    EXPECT_EQ(IsDlgButtonChecked(d, Ids::kExeOnly), BST_CHECKED);
    EXPECT_EQ(GetDlgItemText(d, Ids::kDirectory), "gone");
  });
  driver.Click(Ids::kOk);
  driver.op().QueueBox(IDOK);
  driver.Type(Ids::kDirectory, "").Click(Ids::kOk);  // copies on: a directory is needed
  driver.op().QueueBox(IDOK);
  driver.Click(Ids::kSelect);
  driver.op().QueueFile(FileAnswer{(dir_ / "attach").string()});
  driver.Check(Ids::kAnyFiles, 1).Check(Ids::kHold, 1).Click(Ids::kOk);
  EXPECT_EQ(Run(driver), IDOK);
  const auto& shown = driver.op().shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].caption, "Unknown path entered");
  EXPECT_EQ(shown[0].text, "WARNING - the path entered cannot be found, please use the\r\nSelect Button or retype the path entered correctly");
  EXPECT_EQ(shown[1].caption, "Unknown path entered");
  EXPECT_EQ(shown[2].kind, "directory");
  EXPECT_EQ(Key("LongExtractDir"), (dir_ / "attach").string());
  EXPECT_EQ(Key("ExtractDir"), (dir_ / "attach").string() + "/");
  EXPECT_EQ(Key("extract"), "1");
  EXPECT_EQ(Key("EXEfilesOnly"), "0");
  EXPECT_EQ(Key("hold"), "1");
  EXPECT_EQ(Key("remove"), "0");
  EXPECT_EQ(GetProfileString(ini_, "environment", "RemoteUpdate", ""), "-1");
}

TEST_F(AttachmentsTest, NoCopiesNeedNoDirectoryAndARelativeOneIsTheServers) {
  {
    DialogDriver driver;
    driver.Click(Ids::kOk);
    EXPECT_EQ(Run(driver), IDOK);
    EXPECT_TRUE(driver.op().shown().empty());
    EXPECT_EQ(Key("ExtractDir"), "");
  }
  DialogDriver again;
  again.Check(Ids::kExtract, 1).Type(Ids::kDirectory, "attach/").Click(Ids::kOk);
  EXPECT_EQ(Run(again), IDOK);
  EXPECT_EQ(Key("LongExtractDir"), "attach/");
  EXPECT_EQ(Key("ExtractDir"), "attach/");
}

TEST_F(AttachmentsTest, TheRemoteUtilityCannotSetThePath) {
  App().role = Role::RemoteConfiguration;
  Settings("[attachcfg]\r\nLongExtractDir=C:\\ATTACH\r\nExtractDir=C:\\ATTACH\\\r\n");
  DialogDriver driver;
  driver.Click(Ids::kSelect).Check(Ids::kRemove, 1).Click(Ids::kOk);
  driver.op().QueueBox(IDOK);
  EXPECT_EQ(Run(driver), IDOK);
  ASSERT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(driver.op().shown()[0].text, "Sorry - but you cannot set the attachments path using R.C.U...");
  EXPECT_EQ(Key("ExtractDir"), "C:\\ATTACH\\");
  EXPECT_EQ(Key("remove"), "1");
}

}  // namespace
