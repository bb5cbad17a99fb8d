// "Attachment handling" played in the dialog driver: the directory check,
// the stored forms and the Remote Configuration Utility's refusal.
#include "admin/config/attachments_dialog.h"

#include "resources/tmadmin32/attachments_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::Attachments;

namespace {

class AttachmentsTest : public tellmar::testing::AdminTest {
 protected:
  AttachmentsTest() {
    App().role = Role::SupportModule;
    std::filesystem::create_directory(dir_ / "attach");
  }
  ~AttachmentsTest() override { App().role = Role::SupportModule; }
  INT_PTR Run(DialogDriver& driver) {
    return tellmar::testing::Play(driver, [this] { return RunAttachmentsDialog(0, guard_) ? IDOK : IDCANCEL; });
  }
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
  ExpectKeys("attachcfg", {{"LongExtractDir", (dir_ / "attach").string()},
                           {"ExtractDir", (dir_ / "attach").string() + "/"},
                           {"extract", "1"}, {"EXEfilesOnly", "0"}, {"hold", "1"}, {"remove", "0"}});
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
}

TEST_F(AttachmentsTest, NoCopiesNeedNoDirectoryAndARelativeOneIsTheServers) {
  {
    DialogDriver driver;
    driver.Click(Ids::kOk);
    EXPECT_EQ(Run(driver), IDOK);
    EXPECT_TRUE(driver.op().shown().empty());
    EXPECT_EQ(Key("attachcfg", "ExtractDir"), "");
  }
  DialogDriver again;
  again.Check(Ids::kExtract, 1).Type(Ids::kDirectory, "attach/").Click(Ids::kOk);
  EXPECT_EQ(Run(again), IDOK);
  ExpectKeys("attachcfg", {{"LongExtractDir", "attach/"}, {"ExtractDir", "attach/"}});
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
  ExpectKeys("attachcfg", {{"ExtractDir", "C:\\ATTACH\\"}, {"remove", "1"}});
}

}  // namespace
