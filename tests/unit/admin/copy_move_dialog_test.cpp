// "Copy/Move messages" and the other message operations played as a person
// plays them: the caption, the targets and their details, the limits and
// boxes, copies and moves with their progress, the held-messages choice and
// deleting several messages.
#include "admin/mailview/copy_move_dialog.h"

#include <unistd.h>

#include "admin/mailview/message_files.h"
#include "admin/mailview/message_ops.h"
#include "resources/tmadmin32/message_ops_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using namespace tellmar::admin::mailview;
using Ids = res::tmadmin32::CopyMove;
using HoldIds = res::tmadmin32::HoldMultiple;
namespace fs = std::filesystem;

namespace {

class CopyMoveDialogTest : public tellmar::testing::AdminTest {
 protected:
  CopyMoveDialogTest() {
    Set("Environment", "UseDomain", "1");
    Set("Environment", "Domain", "office.example");
    AddUser(0, "(System Postmaster)", "postmaster", "ROOT");
    AddUser(1, "Zoe Last", "zoe", "ZOE");
    AddUser(2, "Anna Example With A Very Long Name", "anna@elsewhere.example", "anna");
    AddUser(3, "Bob Jones", "bob", "BOB");
    AddUser(4, "No Folder", "nobody", "");
    SetServerDirectory(dir_.path().string());
  }
  ~CopyMoveDialogTest() override { SetCopyWriter({}); }

  void AddUser(int n, const std::string& name, const std::string& id, const std::string& dir) {
    AdminTest::AddUser(n, name, dir, id);
    if (!dir.empty()) fs::create_directory(dir_ / dir);
  }
  fs::path Put(const std::string& folder, const std::string& name, const std::string& bytes) {
    return tellmar::testing::PutFile(dir_.path(), folder, name, bytes);
  }
  std::set<std::string> Names(const std::string& folder) { return tellmar::testing::FileNames(dir_ / folder); }
  static std::vector<std::string> Boxes(DialogDriver& driver) { return tellmar::testing::Boxes(driver.op()); }
  // Selects exactly the targets whose lines start with these texts.
  static void SelectTargets(DialogDriver& driver, std::vector<std::string> starts) {
    driver.Then([starts](HWND d) {
      const HWND list = GetDlgItem(d, Ids::kTargets);
      std::vector<int> indices;
      for (const std::string& start : starts)
        for (int i = 0; i < ListBox_GetCount(list); ++i)
          if (ListBox_GetText(list, i).starts_with(start)) indices.push_back(i);
      EXPECT_EQ(indices.size(), starts.size());
      UserSelectItems(list, indices);
    });
  }
  bool Run(DialogDriver& driver, const std::string& viewed, const std::vector<fs::path>& messages) {
    bool changed = false;
    tellmar::testing::Play(driver, [&] {
      changed = RunCopyMove(0, viewed, messages);
      return INT_PTR(0);
    });
    return changed;
  }
  std::string RemoteUpdate() { return Key("environment", "RemoteUpdate"); }
};

TEST_F(CopyMoveDialogTest, CaptionTargetsAndTheSelectedTargetsDetails) {
  EXPECT_EQ(CopyMoveCaption(1), "Copy/Move 1 message to -");
  EXPECT_EQ(CopyMoveCaption(2), "Copy/Move 2 messages to -");

  const fs::path message = Put("ZOE", "00000001.txt", "x");
  auto details = [](HWND d) {
    return std::vector<std::string>{GetDlgItemText(d, Ids::kRealName), GetDlgItemText(d, Ids::kAddress),
                                    GetDlgItemText(d, Ids::kPopId)};
  };
  DialogDriver driver;
  driver.Then([&](HWND d) {
    EXPECT_EQ(GetWindowText(d), "Copy/Move 1 message to -");
    // Sorted by mailbox ID, the viewed folder and the record without a
    // folder left out, each text cut to 24 characters.
    const HWND list = GetDlgItem(d, Ids::kTargets);
    std::vector<std::string> lines;
    for (int i = 0; i < ListBox_GetCount(list); ++i) lines.push_back(ListBox_GetText(list, i));
    EXPECT_EQ(lines, (std::vector<std::string>{"(System Postmaster)", "ANNA\tAnna Example With A Very", "BOB\tBob Jones",
                                               "(Archive) - Inbound", "(Archive) - Outbound"}));
    EXPECT_EQ(ListBox_GetSelItems(list), std::vector<int>{0});
    EXPECT_EQ(details(d), (std::vector<std::string>{"(System Postmaster)", "postmaster@office.example", "ROOT"}));
  });
  // An ID with "@" stays as it is; the archive has no details.
  driver.Select(Ids::kTargets, 1).Then([&](HWND d) {
    EXPECT_EQ(details(d),
              (std::vector<std::string>{"Anna Example With A Very Long Name", "anna@elsewhere.example", "anna"}));
  });
  driver.Select(Ids::kTargets, 3).Then([&](HWND d) { EXPECT_EQ(details(d), (std::vector<std::string>{"", "", ""})); });
  driver.Click(Ids::kCancel);
  EXPECT_FALSE(Run(driver, "ZOE", {message}));
  EXPECT_EQ(Names("ZOE"), std::set<std::string>{"00000001.txt"});

  // Without UseDomain the ID is the address.
  Set("Environment", "UseDomain", "0");
  EXPECT_EQ(CopyTargetDetails(ini_, CopyMoveTargets(ini_, "ANNA")[2]).address, "zoe");
}

TEST_F(CopyMoveDialogTest, LimitsAndAnEmptySelectionAreRefusedWithTheirBoxes) {
  const fs::path message = Put("ZOE", "00000001.txt", "x");
  struct Row {
    std::size_t messages;
    bool noTarget;
    const char* box;
  };
  const Row rows[] = {
      {1001, false, "Selection error: You can only select a maximum of 1000 messages at a time to be moved or copied..."},
      {1, true, "Selection error: Failed to get list of selected items..."},
  };
  for (const Row& row : rows) {
    DialogDriver driver;
    if (row.noTarget) driver.Then([](HWND d) { SendDlgItemMessage(d, Ids::kTargets, LB_SETSEL, FALSE, 0); });
    driver.Click(Ids::kMove).Click(Ids::kCancel);  // the dialog stays open after the box
    EXPECT_FALSE(Run(driver, "ZOE", std::vector<fs::path>(row.messages, message)));
    EXPECT_EQ(Boxes(driver), std::vector<std::string>{row.box});
  }
  EXPECT_EQ(Names("ZOE"), std::set<std::string>{"00000001.txt"});
  EXPECT_EQ(RemoteUpdate(), "(none)");
}

TEST_F(CopyMoveDialogTest, MoveToSeveralTargetsCarriesCompanionsExceptIntoTheArchive) {
  const fs::path first = Put("ZOE", "00000001.txt", "one");
  Put("ZOE", "00000001.ENV", "MAIL FROM: <a@b>\r\n");
  Put("ZOE", "00000001.LCK", "held");
  const fs::path second = Put("ZOE", "00000002.txt", "two");
  Put("BOB", "00000002.txt", "Bob's own");

  DialogDriver driver;
  SelectTargets(driver, {"BOB\t", "(Archive) - Inbound"});
  driver.Click(Ids::kMove);
  EXPECT_TRUE(Run(driver, "ZOE", {first, second}));
  EXPECT_TRUE(Boxes(driver).empty());

  EXPECT_TRUE(Names("ZOE").empty());
  const auto bob = Names("BOB");
  EXPECT_EQ(bob.size(), 5u);  // Bob's own, 00000001 with envelope and lock, a fresh name for the second
  EXPECT_TRUE(bob.count("00000001.txt") && bob.count("00000001.env") && bob.count("00000001.lck"));
  EXPECT_EQ(Names("ARCHIVE/INBOUND"), (std::set<std::string>{"00000001.txt", "00000002.txt"}));
  EXPECT_EQ(RemoteUpdate(), "-1");
}

TEST_F(CopyMoveDialogTest, AMoveWhoseCopyFailsDeletesNoSource) {
  const fs::path first = Put("ZOE", "00000001.txt", "one");
  const fs::path second = Put("ZOE", "00000002.txt", "two");
  Put("ZOE", "00000002.env", "MAIL FROM: <a@b>\r\n");
  int copies = 0;
  SetCopyWriter([&copies](int fd, std::string_view bytes) -> std::error_code {
    if (++copies > 1) return std::make_error_code(std::errc::no_space_on_device);
    return ::write(fd, bytes.data(), bytes.size()) < 0 ? std::make_error_code(std::errc::io_error)
                                                        : std::error_code();
  });

  DialogDriver driver;
  SelectTargets(driver, {"BOB\t"});
  driver.Click(Ids::kMove);
  EXPECT_TRUE(Run(driver, "ZOE", {first, second}));  // the first copy landed
  EXPECT_EQ(Boxes(driver),
            std::vector<std::string>{"File Copy Error: File copy error - All files may not have been copied correctly..."});
  EXPECT_EQ(Names("ZOE"), (std::set<std::string>{"00000001.txt", "00000002.txt", "00000002.env"}));
  EXPECT_EQ(Names("BOB"), std::set<std::string>{"00000001.txt"});
}

TEST_F(CopyMoveDialogTest, HoldingSeveralAsksAndCancelMeansNothing) {
  struct Row {
    int click;
    int radio;
    std::optional<bool> answer;
  };
  const Row rows[] = {
      {HoldIds::kOk, 0, false},  // "NOT held" is preselected
      {HoldIds::kOk, HoldIds::kHeld, true},
      {HoldIds::kCancel, HoldIds::kHeld, std::nullopt},
  };
  for (const Row& row : rows) {
    DialogDriver driver;
    if (row.radio) driver.Check(row.radio, BST_CHECKED);
    driver.Click(row.click);
    std::optional<bool> answer;
    tellmar::testing::Play(driver, [&] {
      answer = AskHoldMultiple(0);
      return INT_PTR(0);
    });
    EXPECT_EQ(answer, row.answer);
  }
}

TEST_F(CopyMoveDialogTest, DeletingSeveralStopsAtTheFirstMessageThatStays) {
  std::vector<fs::path> messages;
  for (int i = 1; i <= 4; ++i) {
    messages.push_back(Put("ZOE", "0000000" + std::to_string(i) + ".txt", "m"));
    Put("ZOE", "0000000" + std::to_string(i) + ".Env", "e");
  }
  // The third cannot go: a folder stands in its place.
  fs::remove(messages[2]);
  fs::create_directory(messages[2]);
  std::ofstream(messages[2] / "inside") << "x";

  DialogDriver driver;
  EXPECT_EQ(DeleteMessages(0, messages), 2);
  EXPECT_EQ(Boxes(driver), std::vector<std::string>{"File Delete error: Failed to delete message (TXT) file..."});
  EXPECT_EQ(Names("ZOE"), (std::set<std::string>{"00000003.txt", "00000003.Env", "00000004.txt", "00000004.Env"}));
  EXPECT_EQ(RemoteUpdate(), "-1");
}

}  // namespace
