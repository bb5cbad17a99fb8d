#include "admin/shell/rcu_model.h"

#include <gtest/gtest.h>

#include "common/scramble.h"

namespace tellmar::admin {
namespace {

TEST(Rcu, MenuItemsPerState) {
  using namespace rcu_command;
  for (int cmd : {kSetLocation, kExit, kRcuHelp, kAbout}) {
    EXPECT_TRUE(RcuMenuEnabled(RcuState::Unlocated, cmd)) << cmd;
  }
  for (int cmd : {kConnect, kDisconnect, kUsers, kViewLog, kForceConnect, kHelpContents, kHelpSearch}) {
    EXPECT_FALSE(RcuMenuEnabled(RcuState::Unlocated, cmd)) << cmd;
  }
  EXPECT_TRUE(RcuMenuEnabled(RcuState::Located, kConnect));
  EXPECT_TRUE(RcuMenuEnabled(RcuState::Located, kHelpSearch));
  EXPECT_FALSE(RcuMenuEnabled(RcuState::Located, kDisconnect));
  EXPECT_FALSE(RcuMenuEnabled(RcuState::Located, kUtilities));
  EXPECT_TRUE(RcuMenuEnabled(RcuState::Connected, kConnect));  // the menu item stays enabled
  EXPECT_TRUE(RcuMenuEnabled(RcuState::Connected, kForceConnect));
  EXPECT_FALSE(RcuConnectButtonEnabled(RcuState::Connected));
  EXPECT_TRUE(RcuConnectButtonEnabled(RcuState::Located));
  EXPECT_FALSE(RcuDisconnectButtonEnabled(RcuState::Unlocated));
}

TEST(Rcu, SavedPositionIsPulledBackOnScreen) {
  EXPECT_EQ(RcuDialogPosition(-999, 50, 300, 1024, 768).x, 256);
  EXPECT_EQ(RcuDialogPosition(5000, 9000, 300, 1024, 768).x, 1004);
  EXPECT_EQ(RcuDialogPosition(5000, 9000, 300, 1024, 768).y, 748);
  EXPECT_EQ(RcuDialogPosition(-290, -5, 300, 1024, 768).x, 0);  // would end before pixel 20
  EXPECT_EQ(RcuDialogPosition(-280, -5, 300, 1024, 768).x, -280);
  EXPECT_EQ(RcuDialogPosition(-280, -5, 300, 1024, 768).y, 0);
}

TEST(Rcu, RemoteAccessPassword) {
  EXPECT_TRUE(RemoteAccessPasswordMatches("", ""));
  EXPECT_TRUE(RemoteAccessPasswordMatches("", "anything"));
  std::string stored = Scramble("KQZVRLM", "Admin1");
  EXPECT_TRUE(RemoteAccessPasswordMatches(stored, "Admin1"));
  EXPECT_FALSE(RemoteAccessPasswordMatches(stored, "admin1"));
  EXPECT_FALSE(RemoteAccessPasswordMatches(stored, ""));
}

TEST(Rcu, PathsAndShares) {
  EXPECT_EQ(ChosenServerDirectory("/srv/tellmar/!"), "/srv/tellmar");
  EXPECT_EQ(ChosenServerDirectory("C:\\!"), "C:\\");
  EXPECT_EQ(ChosenServerDirectory("C:\\TELLMAR\\!"), "C:\\TELLMAR");
  EXPECT_EQ(NetworkShareOf("\\\\server\\share\\tellmar\\TMHUB.INI"), "\\\\server\\share");
  EXPECT_FALSE(NetworkShareOf("C:\\TELLMAR\\TMHUB.INI"));
  EXPECT_FALSE(NetworkShareOf("\\\\server"));
}

}  // namespace
}  // namespace tellmar::admin
