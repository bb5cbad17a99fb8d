// "RiziDori configuration" played in the dialog driver: what it shows from
// the settings file and what OK stores.
#include "admin/routing/rizidori_dialog.h"

#include "admin/routing/key_phrases.h"
#include "common/scramble.h"
#include "resources/tmadmin32/rizidori_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::RiziDori;

namespace {

class RiziDoriDialogTest : public tellmar::testing::AdminTest {
 protected:
  RiziDoriDialogTest() {
    Settings("[USER0]\r\nRealname=Postmaster\r\n[USER1]\r\nRealname=Anna Example\r\n[USER2]\r\nRealname=Bob\r\n"
             "[Parser]\r\nenabled=0\r\nnomaccount=anna\r\nkp0=" + Scramble("tovrel82", "free money") + "\r\n");
  }
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
  EXPECT_EQ(tellmar::testing::Play(driver, [this] { return RunRiziDoriDialog(0, guard_) ? IDOK : IDCANCEL; }), IDOK);
  EXPECT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{"RiziDori configuration"});
  EXPECT_EQ(Unscramble("tovrel82", Key("Parser", "kp0")), "hot stocks");
  EXPECT_EQ(Unscramble("tovrel82", Key("Parser", "kp1")), "golden ticket");
  ExpectKeys("Parser", {{"kp2", "(none)"}, {"enabled", "1"}, {"nomaccount", "Bob"}, {"dirty", "1"}});
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
}

}  // namespace
