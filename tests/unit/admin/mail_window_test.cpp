// The mail administration window on a real store in a temporary directory:
// the folder list's lines and order, the buttons each kind of folder
// enables, the summary's size line, the text box's cut and header switch,
// selecting a folder by user name, and the keys.
#include "admin/mailview/mail_window.h"

#include "admin/mailview/mail_folders.h"
#include "admin/mailview/message_view.h"
#include "admin/users/mail_status_window.h"
#include "platform/automation.h"
#include "platform/clipboard.h"
#include "platform/operator.h"
#include "resources/tmadmin32/mail_status_ids.h"
#include "resources/tmadmin32/mail_window_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using namespace tellmar::admin::mailview;
using Ids = res::tmadmin32::MailWindow;
namespace fs = std::filesystem;

namespace {

using tellmar::testing::PutFile;

class MailWindowTest : public tellmar::testing::AdminTest {
 protected:
  MailWindowTest() {
    AddUser(0, "(System Postmaster)", "ROOT");
    AddUser(1, "Zoe Zed", "ZOE");
    AddUser(2, "Anna Smith", "anna");
    SetServerDirectory(dir_.path().string());
    App().role = Role::SupportModule;
    auto op = std::make_unique<ScriptedOperator>();
    op_ = op.get();
    loop_.SetOperator(std::move(op));
    setenv("TELLMAR_DESKTOP", (dir_ / "desk").c_str(), 1);
  }
  ~MailWindowTest() override {
    if (MailWindow() != 0) DestroyWindow(MailWindow());
    unsetenv("TELLMAR_DESKTOP");
  }

  static HWND Item(int id) { return GetDlgItem(MailWindow(), id); }
  static std::vector<std::string> Items(int id) { return automation::Describe(Item(id))->items; }
  static std::string Text(int id) { return GetWindowText(Item(id)); }
  static bool Enabled(int id) { return IsWindowEnabled(Item(id)); }
  static void SelectFolderLine(const std::string& text) {
    ASSERT_TRUE(automation::SelectItemByText(Item(Ids::kFolders), text)) << text;
  }

  ScriptedOperator* op_ = nullptr;
};

TEST_F(MailWindowTest, FolderLinesAreSortedUsersThenSystemFoldersThenArchiveOrInRecordOrder) {
  const std::vector<std::string> sorted = {
      "(User's Folders)", "\tANNA\tAnna Smith", "\tZOE\tZoe Zed",  "(System Folders)", "\tRoot user",
      "\tMail in",        "\tOutgoing",         "\tPending",      "(Archive)",        "\tInbound Mail",
      "\tOutbound Mail"};
  std::vector<std::string> texts;
  for (const FolderLine& line : BuildFolderLines(ini_, false)) texts.push_back(line.text);
  EXPECT_EQ(texts, sorted);
  const std::vector<FolderLine> recordOrder = BuildFolderLines(ini_, true);
  EXPECT_EQ(recordOrder[1].text, "\tZOE\tZoe Zed");
  EXPECT_EQ(recordOrder[2].folder, "ANNA");

  // A long name and mailbox ID are read cut to 24 characters; the list ends
  // at the first record without a real name.
  AddUser(3, "Bartholomew Fitzgerald-Smythe", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  Set("USER5", "realname", "Hidden");
  const std::vector<FolderLine> lines = BuildFolderLines(ini_, true);
  EXPECT_EQ(lines[3].text, "\tABCDEFGHIJKLMNOPQRSTUVWX\tBartholomew Fitzgerald-S");
  EXPECT_EQ(lines[4].text, "(System Folders)");
  EXPECT_EQ(FindFolderLineForUser(lines, "Bartholomew Fitzgerald-Smythe"), 3) << "found by its cut name";
}

TEST_F(MailWindowTest, OpenSelectsTheLineEndingWithTheName) {
  const std::vector<FolderLine> lines = BuildFolderLines(ini_, false);
  struct Row {
    const char* name;
    int line;
  };
  const Row rows[] = {
      {"Anna Smith", 1},
      {"anna smith", -1},         // the name must occur with its exact letters
      {"Smith", 1},               // the line ends with it
      {"Anna", -1},               // but not somewhere inside
      {"(System Postmaster)", 4}, // "Root user"
      {"", -1},
  };
  for (const Row& row : rows) EXPECT_EQ(FindFolderLineForUser(lines, row.name), row.line) << row.name;
}

TEST_F(MailWindowTest, EachKindOfFolderEnablesItsButtons) {
  struct Row {
    FolderKind kind;
    bool empty;
    FolderButtons buttons;  // delete, hold, copy/move, print, viewer, headers, summary
  };
  const Row rows[] = {
      {FolderKind::User, false, {true, true, true, true, true, true, true}},
      {FolderKind::Root, false, {true, true, true, true, true, true, true}},
      {FolderKind::Outgoing, false, {true, false, false, true, true, true, true}},
      {FolderKind::MailIn, false, {false, false, false, false, false, true, true}},
      {FolderKind::Pending, false, {false, false, false, false, false, true, true}},
      {FolderKind::ArchiveInbound, false, {true, false, true, true, true, true, false}},
      {FolderKind::ArchiveOutbound, false, {true, false, true, true, true, true, false}},
      {FolderKind::User, true, {}},
      {FolderKind::Heading, false, {}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ButtonsFor(row.kind, row.empty), row.buttons) << static_cast<int>(row.kind) << " " << row.empty;

  PutFile(dir_ / "OUTGOING/00000001.txt", "Subject: out\r\n\r\nbody\r\n");
  OpenMailWindow();
  SelectFolderLine("\tOutgoing");
  EXPECT_TRUE(Enabled(Ids::kDelete));
  EXPECT_FALSE(Enabled(Ids::kHold));
  EXPECT_FALSE(Enabled(Ids::kCopyMove));
  SelectFolderLine("\tMail in");
  EXPECT_FALSE(Enabled(Ids::kDelete));
  EXPECT_FALSE(Enabled(Ids::kViewer));
  EXPECT_FALSE(Enabled(Ids::kShowHeaders)) << "an empty folder";
}

TEST_F(MailWindowTest, TheSizeLineTakesItsFormFromWhatTheTextBoxShows) {
  std::tm day{};
  day.tm_year = 126, day.tm_mon = 11, day.tm_mday = 8, day.tm_hour = 12;
  const std::time_t when = std::mktime(&day);
  EXPECT_EQ(SizeLine(1234, false, 0, false, when), "1234 bytes : 8 Dec 2026");
  EXPECT_EQ(SizeLine(1234, true, 17, false, when), "1234 bytes, 17 lines : 8 Dec 2026");
  EXPECT_EQ(SizeLine(40000, true, 800, true, when), "40000 bytes, 800+ lines : 8 Dec 2026");
}

TEST_F(MailWindowTest, TheTextIsCutAt32000BytesAndTheHeadersCanBeLeftOut) {
  EXPECT_EQ(ShownPart("A: 1\r\nB: 2\r\n\r\nbody\r\n", false), "body\r\n");
  EXPECT_EQ(ShownPart("A: 1\nB: 2\n\nbody\n", false), "body\n") << "LF line ends have their empty line too";
  EXPECT_EQ(ShownPart("A: 1\r\nno empty line\r\n", false), "");
  EXPECT_EQ(ShownPart("A: 1\r\n\r\nbody", true), "A: 1\r\n\r\nbody");

  const fs::path big = dir_ / "big.txt";
  PutFile(big, std::string(kShownBytes, 'x') + "TAIL");
  const auto cut = ReadShownText(big, true);
  ASSERT_TRUE(cut);
  EXPECT_TRUE(cut->cut);
  EXPECT_EQ(cut->text.size(), kShownBytes);
  PutFile(big, std::string(kShownBytes, 'x'));
  EXPECT_FALSE(ReadShownText(big, true)->cut) << "exactly 32000 bytes is all of it";
  EXPECT_FALSE(ReadShownText(dir_ / "missing.txt", true));
}

TEST_F(MailWindowTest, AMessageShowsItsEnvelopeTextAndHeldMarker) {
  PutFile(dir_ / "ANNA/0000000a.txt", "Subject: hi\r\n\r\nline one\r\nline two\r\n");
  PutFile(dir_ / "ANNA/0000000A.ENV", "MAIL FROM: <bob@example.org>\r\nRCPT TO: <anna@x>\r\nRCPT TO: <zoe@x>\r\n");
  PutFile(dir_ / "ANNA/0000000a.LCK", "held");
  PutFile(dir_ / "ANNA/0000000b.txt", "no envelope\r\n");
  OpenMailWindow("Anna Smith");
  EXPECT_EQ(ListBox_GetItemData(Item(Ids::kFolders), 1), 1) << "Anna's folder has mail";
  EXPECT_EQ(ListBox_GetItemData(Item(Ids::kFolders), 2), 0);
  ASSERT_EQ(Items(Ids::kMessages).size(), 2u);
  EXPECT_EQ(Text(Ids::kMessageCount), "2");

  automation::SelectItemByText(Item(Ids::kMessages), "0000000a.txt");
  EXPECT_EQ(Text(Ids::kFrom), " <bob@example.org>");
  EXPECT_EQ(Items(Ids::kTo), (std::vector<std::string>{" <anna@x>", " <zoe@x>"}));
  EXPECT_EQ(Text(Ids::kRecipientCount), "2");
  EXPECT_TRUE(IsWindowVisible(Item(Ids::kHeld)));
  EXPECT_NE(Text(Ids::kSizeLine).find(" bytes, 5 lines : "), std::string::npos) << Text(Ids::kSizeLine);

  automation::Check(Item(Ids::kShowHeaders), BST_UNCHECKED);
  EXPECT_EQ(Text(Ids::kText), "line one\r\nline two\r\n");
  EXPECT_EQ(Key("MsgViewer", "headers"), "0");
  automation::PressKey(MailWindow(), VK_F6);  // the text off
  EXPECT_EQ(Text(Ids::kText), "");
  EXPECT_NE(Text(Ids::kSizeLine).find(" bytes : "), std::string::npos);
  EXPECT_EQ(Key("MsgViewer", "View"), "0");

  automation::SelectItemByText(Item(Ids::kMessages), "0000000b.txt");
  EXPECT_EQ(Text(Ids::kFrom), "");
  EXPECT_TRUE(Items(Ids::kTo).empty());
  EXPECT_EQ(Text(Ids::kSizeLine), "") << "no envelope: no size line";
  EXPECT_FALSE(IsWindowVisible(Item(Ids::kHeld)));
}

TEST_F(MailWindowTest, SelectingAMissingUserFolderCreatesItAndRefreshSeesNewMail) {
  OpenMailWindow();
  EXPECT_EQ(ListBox_GetCurSel(Item(Ids::kFolders)), kFirstUserLine);
  EXPECT_TRUE(fs::is_directory(dir_ / "ANNA")) << "the first user's folder was made";
  SelectFolderLine("\tZOE\tZoe Zed");
  EXPECT_TRUE(fs::is_directory(dir_ / "ZOE"));
  EXPECT_FALSE(Enabled(Ids::kDelete));

  PutFile(dir_ / "ZOE/00000001.txt", "one\r\n");
  PutFile(dir_ / "ROOT/00000002.txt", "two\r\n");
  SendMessage(MailWindow(), WM_TIMER, 2000);
  EXPECT_EQ(Items(Ids::kMessages), std::vector<std::string>{"00000001.txt"});
  EXPECT_TRUE(Enabled(Ids::kDelete));
  EXPECT_EQ(ListBox_GetItemData(Item(Ids::kFolders), 4), 1) << "Root user's flag";
  EXPECT_EQ(loop_.TimerPeriod(MailWindow(), 2000), 5000u);
  ShowWindow(MailWindow(), SW_MINIMIZE);
  EXPECT_EQ(loop_.TimerPeriod(MailWindow(), 2000), std::nullopt) << "no refresh while minimised";
  ShowWindow(MailWindow(), SW_RESTORE);
  EXPECT_EQ(loop_.TimerPeriod(MailWindow(), 2000), 5000u);
}

TEST_F(MailWindowTest, AMailboxIdThatIsNoPlainNameMakesNoFolderAnywhere) {
  AddUser(3, "Mallory", "../OUTSIDE");
  OpenMailWindow("Mallory");
  EXPECT_EQ(Items(Ids::kFolders)[static_cast<std::size_t>(ListBox_GetCurSel(Item(Ids::kFolders)))],
            "\t../OUTSIDE\tMallory");
  EXPECT_FALSE(fs::exists(dir_.path().parent_path() / "OUTSIDE"));
  EXPECT_TRUE(Items(Ids::kMessages).empty());
  EXPECT_FALSE(Enabled(Ids::kDelete));
}

TEST_F(MailWindowTest, AMessageThatCannotBeOpenedSaysSo) {
  PutFile(dir_ / "ANNA/00000001.txt", "Subject: gone soon\r\n\r\nx\r\n");
  OpenMailWindow();
  fs::remove(dir_ / "ANNA/00000001.txt");
  for (int i = 0; i < 3; ++i) op_->QueueBox(IDOK);
  EXPECT_TRUE(automation::DoubleClickItem(Item(Ids::kMessages), 0));
  EXPECT_TRUE(automation::DoubleClick(Item(Ids::kText)));
  // The click that selects it reads the file first.
  EXPECT_EQ(tellmar::testing::Boxes(*op_), (std::vector<std::string>{"File Read error: Failed to read file...",
                                             "Error: Error can't open mail message...",
                                             "Error: Error can't open mail message..."}));
}

TEST_F(MailWindowTest, RebuildKeepsTheSelectedLineAndTheStatusLineTakesItsText) {
  OpenMailWindow("Zoe Zed");
  EXPECT_EQ(ListBox_GetCurSel(Item(Ids::kFolders)), 2);
  RebuildMailWindowFolders(true);
  EXPECT_EQ(Items(Ids::kFolders)[1], "\tZOE\tZoe Zed") << "record order";
  EXPECT_EQ(ListBox_GetCurSel(Item(Ids::kFolders)), 2);
  SetMailWindowStatus("Collecting mail...");
  EXPECT_EQ(Text(Ids::kStatus), "Collecting mail...");
}

TEST_F(MailWindowTest, ADoubleClickInTheMailStatusWindowOpensItOnThatUser) {
  const HWND status = ShowMailStatusWindow(true);
  const HWND list = GetDlgItem(status, res::tmadmin32::MailStatus::kList);
  ASSERT_EQ(ListBox_GetText(list, 3).rfind("USER2\tAnna Smith\t", 0), 0u);
  EXPECT_TRUE(automation::DoubleClickItem(list, 3));
  ASSERT_NE(MailWindow(), 0);
  EXPECT_EQ(ListBox_GetCurSel(Item(Ids::kFolders)), 1);
  EXPECT_TRUE(automation::DoubleClickItem(list, 1));  // the Postmaster: a switch to "Root user"
  EXPECT_EQ(Items(Ids::kFolders)[static_cast<std::size_t>(ListBox_GetCurSel(Item(Ids::kFolders)))], "\tRoot user");
  DestroyWindow(status);
}

TEST_F(MailWindowTest, KeysPressButtonsTabGoesRoundAndCloseSavesThePlace) {
  PutFile(dir_ / "ANNA/00000001.txt", "Subject: hi\r\n\r\nsecret words\r\n");
  const HWND win = OpenMailWindow();
  const HWND folders = Item(Ids::kFolders), messages = Item(Ids::kMessages), text = Item(Ids::kText);
  SetFocus(folders);
  for (HWND next : {messages, text, folders}) {
    automation::PressKey(win, VK_TAB);
    EXPECT_EQ(GetFocus(), next);
  }
  automation::PressKey(win, VK_TAB, KEY_SHIFT);
  EXPECT_EQ(GetFocus(), text);

  // C in the text box copies the selection.
  SendMessage(text, EM_SETSEL, 13 + 2, 13 + 2 + 6);
  automation::PressKey(win, 'C', KEY_CONTROL);
  EXPECT_EQ(GetClipboardText(), "secret");

  // The Delete key presses F2-Delete: the message goes (or, where deleting
  // is not built in, the box says so).
  op_->QueueBox(IDOK);
  SetFocus(messages);
  automation::PressKey(win, VK_DELETE);
  EXPECT_TRUE(op_->shown().size() == 1 || !fs::exists(dir_ / "ANNA/00000001.txt"));

  MoveWindow(win, 30, 40, 600, 400);
  automation::PressKey(win, VK_F9);
  EXPECT_EQ(MailWindow(), 0);
  ExpectKeys("MSGVIEWER32", {{"Top", "40"}, {"Left", "30"}, {"Width", "600"}, {"Height", "400"}});

  // Placed from the saved keys; a place off the screen goes back to 50.
  Set("MSGVIEWER32", "Top", "99999");
  const RECT r = GetWindowRect(OpenMailWindow());
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.right - r.left, 600);

  // Closed while maximised, the window keeps the place saved before.
  MoveWindow(MailWindow(), 70, 80, 500, 300);
  ShowWindow(MailWindow(), SW_MAXIMIZE);
  automation::PressKey(MailWindow(), VK_ESCAPE);
  EXPECT_EQ(MailWindow(), 0);
  ExpectKeys("MSGVIEWER32", {{"Left", "30"}, {"Width", "600"}});
}

}  // namespace
