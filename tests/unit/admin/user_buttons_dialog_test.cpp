// "Configure User Buttons" played in the dialog driver: what each step
// enables (its two modes), what the edits show, and what OK and Cancel store.
#include "admin/shell/user_buttons_dialog.h"

#include "resources/tmadmin32/user_buttons_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::UserButtons;

namespace {

const std::vector<int> kBrowsingControls = {Ids::kList, Ids::kEditEntry, Ids::kRemoveEntry, Ids::kOk, Ids::kCancel};
const std::vector<int> kEditingControls = {Ids::kProgram, Ids::kCaption, Ids::kBrowse, Ids::kSave, Ids::kCancelEdit};

// "browsing" or "editing" when exactly one mode's controls are enabled.
std::string ModeOf(HWND d) {
  auto all = [d](const std::vector<int>& ids, bool enabled) {
    for (int id : ids)
      if (IsWindowEnabled(GetDlgItem(d, id)) != enabled) return false;
    return true;
  };
  if (all(kBrowsingControls, true) && all(kEditingControls, false)) return "browsing";
  if (all(kBrowsingControls, false) && all(kEditingControls, true)) return "editing";
  return "mixed";
}

class UserButtonsDialogTest : public tellmar::testing::AdminTest {
 protected:
  UserButtonsDialogTest() { Set("UserButtons", "Button1", "C:\\APPS\\CALC.EXE\xA9" "Calculator"); }

  bool Run(DialogDriver& driver) {
    return tellmar::testing::Play(driver, [this] { return RunUserButtonsDialog(0, guard_) ? IDOK : IDCANCEL; }) == IDOK;
  }

  std::string Button(int n) { return Key("UserButtons", "Button" + std::to_string(n)); }
};

TEST_F(UserButtonsDialogTest, EachStepLeavesTheDialogInItsMode) {
  struct Row {
    const char* what;
    std::function<void(DialogDriver&)> step;
    const char* mode;
    const char* program;  // what edit 1047 shows afterwards
  };
  const Row rows[] = {
      {"opened", [](DialogDriver&) {}, "browsing", "C:\\APPS\\CALC.EXE"},
      {"Edit Entry", [](DialogDriver& d) { d.Click(Ids::kEditEntry); }, "editing", "C:\\APPS\\CALC.EXE"},
      {"typed", [](DialogDriver& d) { d.Type(Ids::kProgram, "C:\\WIN\\NOTEPAD.EXE").Type(Ids::kCaption, ""); },
       "editing", "C:\\WIN\\NOTEPAD.EXE"},
      {"Cancel edit", [](DialogDriver& d) { d.Click(Ids::kCancelEdit); }, "browsing", "C:\\WIN\\NOTEPAD.EXE"},
      {"second line", [](DialogDriver& d) { d.Select(Ids::kList, 1); }, "browsing", "Not Configured..."},
      {"Edit Entry", [](DialogDriver& d) { d.Click(Ids::kEditEntry); }, "editing", "Not Configured..."},
      {"typed", [](DialogDriver& d) { d.Type(Ids::kProgram, "/usr/bin/xcalc"); }, "editing", "/usr/bin/xcalc"},
      {"Save", [](DialogDriver& d) { d.Click(Ids::kSave); }, "browsing", "/usr/bin/xcalc"},
      {"first line", [](DialogDriver& d) { d.Select(Ids::kList, 0); }, "browsing", "C:\\APPS\\CALC.EXE"},
      {"Remove Entry", [](DialogDriver& d) { d.Click(Ids::kRemoveEntry); }, "browsing", "Not Configured..."},
  };
  DialogDriver driver;
  std::vector<std::string> seen, expected;
  for (const Row& row : rows) {
    row.step(driver);
    driver.Then([&seen, &row](HWND d) {
      seen.push_back(std::string(row.what) + ": " + ModeOf(d) + ", " + GetDlgItemText(d, Ids::kProgram));
    });
    expected.push_back(std::string(row.what) + ": " + row.mode + ", " + row.program);
  }
  driver.Click(Ids::kOk);
  EXPECT_TRUE(Run(driver));
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Button(1), "");
  EXPECT_EQ(Button(2), "/usr/bin/xcalc\xA9xcalc") << "an empty caption stores the file name";
  EXPECT_EQ(Button(8), "");
}

TEST_F(UserButtonsDialogTest, CancelStoresNothingAndBrowseClearsTheCaption) {
  DialogDriver driver;
  std::string caption = "(unread)";
  driver.op().QueueFile(FileAnswer{"/opt/tools/editor", 1});
  driver.Click(Ids::kEditEntry)
      .Click(Ids::kBrowse)
      .Then([&](HWND d) { caption = GetDlgItemText(d, Ids::kCaption); })
      .Click(Ids::kSave)
      .Click(Ids::kCancel);
  EXPECT_FALSE(Run(driver));
  EXPECT_EQ(caption, "");
  EXPECT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{"Select File to be run"});
  EXPECT_EQ(Button(1), "C:\\APPS\\CALC.EXE\xA9" "Calculator");
  EXPECT_EQ(Button(2), "(none)");
}

TEST_F(UserButtonsDialogTest, TypingStopsAtTheLengthsTheDialogReads) {
  DialogDriver driver;
  std::size_t program = 0, caption = 0;
  driver.Click(Ids::kEditEntry)
      .Type(Ids::kProgram, std::string(300, 'p'))
      .Type(Ids::kCaption, std::string(300, 'c'))
      .Then([&](HWND d) {
        program = GetDlgItemText(d, Ids::kProgram).size();
        caption = GetDlgItemText(d, Ids::kCaption).size();
      })
      .Click(Ids::kCancelEdit)
      .Click(Ids::kCancel);
  Run(driver);
  EXPECT_EQ(program, 260u);
  EXPECT_EQ(caption, 256u);
}

}  // namespace
