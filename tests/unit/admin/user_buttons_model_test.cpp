#include "admin/shell/user_buttons_model.h"

#include <gtest/gtest.h>

#include "common/profile.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::admin {
namespace {

TEST(UserButtons, StoredValuesBecomeListLinesAndBack) {
  tellmar::testing::TempDir dir;
  auto ini = dir / "tmhub.ini";
  ASSERT_FALSE(WriteProfileString(ini, "UserButtons", "Button1", "C:\\APPS\\CALC.EXE\xA9" "Calculator"));
  ASSERT_FALSE(WriteProfileString(ini, "UserButtons", "Button2", "C:\\NOSEPARATOR.EXE"));
  ASSERT_FALSE(WriteProfileString(ini, "UserButtons", "Button3", "\xA9" "caption only"));
  auto lines = LoadUserButtonLines(ini);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], " 1 - \tC:\\APPS\\CALC.EXE\tCalculator");
  EXPECT_EQ(lines[1], " 2 - \tNot Configured...");  // no separator: not configured
  EXPECT_EQ(lines[7], " 8 - \tNot Configured...");

  // Edits as the dialog makes them: a program saved without a caption, one removed.
  lines[3] = UserButtonListLine(4, UserButton{"C:\\WIN\\NOTEPAD.EXE", ""});
  lines[0] = UserButtonListLine(1, std::nullopt);
  ASSERT_FALSE(SaveUserButtonLines(ini, lines));
  EXPECT_EQ(GetProfileString(ini, "UserButtons", "Button1", "x"), "");
  EXPECT_EQ(GetProfileString(ini, "UserButtons", "Button2", "x"), "");  // rewritten empty
  EXPECT_EQ(GetProfileString(ini, "UserButtons", "Button3", "x"), "");  // no program
  EXPECT_EQ(GetProfileString(ini, "UserButtons", "Button4", "x"), "C:\\WIN\\NOTEPAD.EXE\xA9NOTEPAD.EXE");
  EXPECT_EQ(GetProfileString(ini, "UserButtons", "Button8", "x"), "");
}

TEST(UserButtons, ListLineParsingAndBrowseDirectory) {
  auto b = ParseUserButtonListLine(" 5 - \tC:\\A\\B.EXE\tMy\tCaption");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->program, "C:\\A\\B.EXE");
  EXPECT_EQ(b->caption, "Caption");  // after the last tab
  EXPECT_EQ(UserButtonBrowseDirectory(b, "/opt/tellmar"), "C:\\A");
  EXPECT_EQ(UserButtonBrowseDirectory(UserButton{"prog", ""}, "/opt/tellmar"), "/opt/tellmar");
  EXPECT_EQ(UserButtonBrowseDirectory(std::nullopt, "/srv"), "/srv");
  EXPECT_EQ(UserButtonValue(UserButton{"/usr/bin/xcalc", ""}), "/usr/bin/xcalc\xA9xcalc");
}

TEST(UserButtons, WhatWouldNotReadBackIsRefused) {
  // "\xC3\xA9" is an e with an acute accent in UTF-8: its second byte is the separator.
  EXPECT_EQ(CheckUserButton({"/opt/andr\xC3\xA9/tool", "Tool"})->field, UserButtonField::kProgram);
  EXPECT_EQ(CheckUserButton({"/opt/tool", "\xC2\xA9 Tool"})->field, UserButtonField::kCaption);
  EXPECT_TRUE(CheckUserButtonProgram("/opt/andr\xC3\xA9/tool").has_value());
  EXPECT_FALSE(CheckUserButton({"/opt/andr\xC3\xA8/tool", "T\xC3\xA8"}).has_value()) << "other 8-bit bytes pass";

  const std::string program = "/opt/" + std::string(240, 'p');
  EXPECT_FALSE(CheckUserButton({program, std::string(254 - program.size(), 'c')}).has_value());
  EXPECT_TRUE(CheckUserButton({program, std::string(255 - program.size(), 'c')}).has_value());
  // An empty caption stores the file name: that counts too.
  EXPECT_TRUE(CheckUserButton({"/" + std::string(130, 'd') + "/" + std::string(130, 'f'), ""}).has_value());
}

}  // namespace
}  // namespace tellmar::admin
