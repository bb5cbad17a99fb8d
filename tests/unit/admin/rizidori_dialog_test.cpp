// "RiziDori configuration" played in the dialog driver: what it shows from
// the settings file and what OK stores.
#include "admin/routing/rizidori_dialog.h"

#include <gtest/gtest.h>

#include <fstream>

#include "admin/routing/key_phrases.h"
#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "platform/controls.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "resources/tmadmin32/rizidori_ids.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::RiziDori;

namespace {

class RiziDoriDialogTest : public ::testing::Test {
 protected:
  RiziDoriDialogTest() {
    App().serverSettingsPath = ini_.string();
    std::ofstream(ini_, std::ios::binary)
        << "[USER0]\r\nRealname=Postmaster\r\n[USER1]\r\nRealname=Anna Example\r\n[USER2]\r\nRealname=Bob\r\n"
        << "[Parser]\r\nenabled=0\r\nnomaccount=anna\r\nkp0=" << Scramble("tovrel82", "free money") << "\r\n";
  }
  std::string Parser(const std::string& key) { return GetProfileString(ini_, "Parser", key, "(none)"); }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  Loop loop_;
  DialogGuard guard_;
};

TEST_F(RiziDoriDialogTest, ShowsTheSettingsAndStoresFilledBoxesWithoutGaps) {
  DialogDriver driver;
  driver.Then([](HWND d) {
    EXPECT_EQ(GetWindowText(d), "RiziDori configuration");
    EXPECT_EQ(GetDlgItemText(d, Ids::kPhrase1), "free money");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, Ids::kPhrase2))) << "off: the boxes are closed";
    EXPECT_EQ(ComboBox_GetCurSel(GetDlgItem(d, Ids::kRecipient)), 1) << "the name nomaccount begins";
  });
  driver.Check(Ids::kEnable, 1)
      .Type(Ids::kPhrase1, "")
      .Type(Ids::kPhrase2, "hot stocks")
      .Type(Ids::kPhrase5, std::string(kPhraseWordMax + 1, 'w'))
      .Click(Ids::kOk);  // refused: a word that could never match
  driver.op().QueueBox(IDOK);
  driver.Type(Ids::kPhrase5, "golden ticket").Select(Ids::kRecipient, 2).Click(Ids::kOk);
  EXPECT_EQ(driver.Run([this] { return RunRiziDoriDialog(0, guard_) ? IDOK : IDCANCEL; }), IDOK);
  EXPECT_TRUE(driver.failures().empty());
  ASSERT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(driver.op().shown()[0].caption, "RiziDori configuration");
  EXPECT_EQ(Unscramble("tovrel82", Parser("kp0")), "hot stocks");
  EXPECT_EQ(Unscramble("tovrel82", Parser("kp1")), "golden ticket");
  EXPECT_EQ(Parser("kp2"), "(none)");
  EXPECT_EQ(Parser("enabled"), "1");
  EXPECT_EQ(Parser("nomaccount"), "Bob");
  EXPECT_EQ(Parser("dirty"), "1");
  EXPECT_EQ(GetProfileString(ini_, "environment", "RemoteUpdate", ""), "-1");
}

}  // namespace
