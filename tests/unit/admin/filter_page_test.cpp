// The filter page of "Mail routing" played in the dialog driver as a
// person uses it: rows and their colours, the action slots, the rule
// commands, the choosers, and what OK and Cancel leave in the files.
#include "admin/routing/filter_page.h"

#include <tuple>

#include "admin/routing/filter_dialogs.h"
#include "admin/routing/filter_store.h"
#include "common/ini_document.h"
#include "resources/tmadmin32/routing_ids.h"
#include "tests/unit/admin/routing_sheet_fixture.h"
#include "tests/unit/admin/sheet_help.h"
#include "tests/unit/common/pdf_text.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::FilterPage;
using NameIds = res::tmadmin32::FilterName;

namespace {

std::string Line(const std::string& name, bool active, const std::string& text = "free money") {
  FilterRule rule;
  rule.name = name;
  rule.scope = FilterScope::External;
  rule.active = active;
  rule.first = {2, 0, text};
  rule.actions[0] = {action::kKill, ""};
  return EncodeRule(rule).line;
}

using tellmar::testing::PostClick;
using tellmar::testing::PageControl;
bool Enabled(HWND sheet, int id) { return IsWindowEnabled(PageControl(sheet, id)); }

class FilterPageTest : public tellmar::testing::RoutingSheetTest {
 protected:
  FilterPageTest() {
    Settings("[Environment]\r\nDomain=x.org\r\n[MAILFILTERS]\r\nPRI0=" + Line("Alpha", true) + "\r\nPRI1=" +
             Line("Beta", false) + "\r\nPRI2=" + Line("Gamma", true) + "\r\n");
  }

  std::string Work(int n) { return GetProfileString(work_, "MAILFILTERS", "PRI" + std::to_string(n), "None"); }
  std::string Stored(int n) { return GetProfileString(ini_, "MAILFILTERS", "PRI" + std::to_string(n), "None"); }

  std::filesystem::path work_ = dir_ / "FLTTEMP.INI";
};

TEST_F(FilterPageTest, RowsShowStateAndADoubleClickTurnsARuleRed) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(sheet), "Mail routing");
    const HWND rules = PageControl(sheet, Ids::kRules);
    ASSERT_EQ(ListBox_GetCount(rules), 3);
    EXPECT_EQ(ListBox_GetItemData(rules, 0), 101);
    EXPECT_EQ(ListBox_GetItemData(rules, 1), 104);
    EXPECT_EQ(ListBox_GetItemLook(rules, 1).color, RGB(255, 0, 0));
    EXPECT_EQ(ListBox_GetItemLook(rules, 0).color, RGB(0, 0, 0));
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kNameButton)), "Alpha");
    EXPECT_FALSE(Enabled(sheet, Ids::kMoveUp));
    EXPECT_TRUE(Enabled(sheet, Ids::kMoveDown));
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kParam1)), "Delete message from system...");
    EXPECT_TRUE(UserDoubleClickItem(rules, 0));
    EXPECT_EQ(ListBox_GetItemLook(rules, 0).color, RGB(255, 0, 0));
    EXPECT_EQ(ListBox_GetItemData(rules, 0), 104);
  });
  driver.Then([this](HWND) { EXPECT_EQ(RuleField(Work(0), 3), "2") << "the working copy holds the change at once"; });
  Run(driver, IDCANCEL);
  EXPECT_FALSE(std::filesystem::exists(work_)) << "Cancel discards the working copy";
  EXPECT_EQ(RuleField(Stored(0), 3), "1") << "the settings file is untouched";
}

TEST_F(FilterPageTest, AChainEndingActionClosesTheSlotsAfterIt) {
  DialogDriver driver;
  On(driver, Ids::kAction1, [](HWND c) { return UserSelectItem(c, action::kPlaySound); });
  On(driver, Ids::kAction2, [](HWND c) { return UserSelectItem(c, action::kKill); });
  driver.Then([](HWND sheet) {
    for (int id : {Ids::kAction3, Ids::kAction4, Ids::kAction5, Ids::kParam3, Ids::kParam5})
      EXPECT_FALSE(Enabled(sheet, id)) << id;
    EXPECT_EQ(ComboBox_GetCurSel(PageControl(sheet, Ids::kAction3)), action::kNone);
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kParam1)), "Click here to select a sound file...");
  });
  On(driver, Ids::kAction2, [](HWND c) { return UserSelectItem(c, action::kPlaySound); });
  driver.Then([](HWND sheet) {
    for (int id : {Ids::kAction3, Ids::kAction4, Ids::kAction5}) {
      EXPECT_TRUE(Enabled(sheet, id)) << id;
      EXPECT_EQ(ComboBox_GetCurSel(PageControl(sheet, id)), action::kNone);
    }
  });
  // An empty first condition leaves no action to choose.
  On(driver, Ids::kText1, [](HWND c) { return UserSetText(c, ""); });
  driver.Then([](HWND sheet) {
    for (int id : {Ids::kAction1, Ids::kParam1, Ids::kAction5}) EXPECT_FALSE(Enabled(sheet, id)) << id;
  });
  On(driver, Ids::kText1, [](HWND c) { return UserSetText(c, "offer"); });
  Run(driver);
  const FilterRule stored = DecodeRule(Stored(0), "");
  EXPECT_EQ(stored.first.text, "offer") << "OK writes the pending rule before the commit";
  EXPECT_EQ(stored.actions[0].code, action::kPlaySound);
  EXPECT_EQ(stored.actions[1].code, action::kPlaySound);
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
}

TEST_F(FilterPageTest, RemovingTheLastAndTheOnlyRule) {
  DialogDriver driver;
  On(driver, Ids::kRules, [](HWND c) { return UserSelectItem(c, 2); });
  On(driver, Ids::kRemove, UserClick);
  driver.Then([](HWND sheet) {
    EXPECT_EQ(ListBox_GetCount(PageControl(sheet, Ids::kRules)), 2);
    EXPECT_EQ(ListBox_GetCurSel(PageControl(sheet, Ids::kRules)), 1);
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kNameButton)), "Beta");
    EXPECT_FALSE(Enabled(sheet, Ids::kMoveDown));
  });
  On(driver, Ids::kRemove, UserClick);
  On(driver, Ids::kRemove, UserClick);
  driver.Then([](HWND sheet) {
    EXPECT_EQ(ListBox_GetCount(PageControl(sheet, Ids::kRules)), 0);
    for (int id : {Ids::kRemove, Ids::kActive, Ids::kInternal, Ids::kField1, Ids::kText1, Ids::kAction1})
      EXPECT_FALSE(Enabled(sheet, id)) << id;
    EXPECT_TRUE(Enabled(sheet, Ids::kNew));
  });
  Run(driver);
  EXPECT_EQ(Stored(0), "None");
  EXPECT_FALSE(LoadProfile(ini_)->HasSection("MAILFILTERS"));
}

TEST_F(FilterPageTest, NewAsksAboutADuplicateNameAndMovesKeepOrder) {
  DialogDriver driver;
  On(driver, Ids::kNew, PostClick);
  driver.Type(NameIds::kText, "ALPHA").Click(NameIds::kOk);  // differs only in case
  driver.op().QueueBox(IDNO);
  driver.Then([](HWND sheet) {
    EXPECT_EQ(ListBox_GetCount(PageControl(sheet, Ids::kRules)), 3);
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kNameButton)), "Alpha") << "the current rule is shown again";
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kText1)), "free money");
  });
  On(driver, Ids::kNew, PostClick);
  driver.Type(NameIds::kText, "Delta").Check(NameIds::kInternal, 1).Click(NameIds::kOk);
  driver.Then([](HWND sheet) {
    EXPECT_EQ(ListBox_GetCount(PageControl(sheet, Ids::kRules)), 4);
    EXPECT_EQ(ListBox_GetItemData(PageControl(sheet, Ids::kRules), 3), 100);
    EXPECT_FALSE(Enabled(sheet, Ids::kAction1)) << "no condition text yet";
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kParam1)), "No action specified...");
  });
  On(driver, Ids::kText1, [](HWND c) { return UserSetText(c, "a^b"); });  // the caret is refused
  driver.op().QueueBox(IDOK);
  On(driver, Ids::kMoveUp, UserClick);
  Run(driver);
  ASSERT_EQ(tellmar::testing::Captions(driver.op()),
            (std::vector<std::string>{"Duplicate filter name", "Invalid character"}));
  EXPECT_EQ(driver.op().shown()[0].text,
            "You already have a filter with the name [ALPHA], do you want to create another with the same name?");
  const std::tuple<int, int, const char*> fields[] = {{2, 1, "Delta"}, {2, 8, "ab"}, {2, 2, "2"}, {3, 1, "Gamma"}};
  for (const auto& [rule, field, value] : fields)
    EXPECT_EQ(RuleField(Stored(rule), field), value) << rule << " " << field;
}

TEST_F(FilterPageTest, TenListsArePoppedUpElevenAreChosenInADialog) {
  const std::filesystem::path lists = dir_ / "LISTS";
  std::filesystem::create_directory(lists);
  for (int i = 0; i < 10; ++i) std::ofstream(lists / ("L" + std::to_string(i) + ".LST"));
  DialogDriver driver;
  On(driver, Ids::kAction1, [](HWND c) { return UserSelectItem(c, action::kAddToList); });
  driver.op().QueueMenu(kFirstChoiceCommand + 3);
  On(driver, Ids::kParam1, UserClick);
  driver.Then([&](HWND sheet) {
    EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kParam1)), "L3.LST");
    std::ofstream(lists / "team.lst");
  });
  On(driver, Ids::kParam1, PostClick);
  driver.Select(res::tmadmin32::Chooser::kNames, 10).Click(res::tmadmin32::Chooser::kOk);
  Run(driver);
  const auto& shown = driver.op().shown();
  ASSERT_EQ(shown.size(), 1u) << "the second choice is a dialog, not a menu";
  EXPECT_EQ(shown[0].kind, "menu");
  EXPECT_EQ(DecodeRule(Stored(0), "").actions[0].parameter, "team.lst");
}

TEST_F(FilterPageTest, PrintPutsTheRulesAsEditedIntoTheChosenPdf) {
  const std::filesystem::path pdf = dir_ / "filters.pdf";
  DialogDriver driver;
  On(driver, Ids::kText1, [](HWND c) { return UserSetText(c, "offer"); });  // pending, not yet written
  PrintAnswer toFile;
  toFile.outputFile = pdf.string();
  driver.op().QueuePrint(toFile);
  On(driver, Ids::kPrint, UserClick);
  driver.op().QueuePrint(std::nullopt);
  On(driver, Ids::kPrint, UserClick);  // cancelled: nothing happens
  Run(driver, IDCANCEL);
  ASSERT_EQ(driver.op().shown().size(), 2u);
  EXPECT_EQ(driver.op().shown()[0].kind, "print");
  const auto pages = tellmar::testing::PdfLines(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], (std::vector<std::string>{
                          "Mail routing filters",
                          "1. Alpha", "Active, applies to External mail", "If Subject Line Contains \"offer\"",
                          "1) Kill message",
                          "2. Beta", "Inactive, applies to External mail", "If Subject Line Contains \"free money\"",
                          "1) Kill message",
                          "3. Gamma", "Active, applies to External mail", "If Subject Line Contains \"free money\"",
                          "1) Kill message"}));
}

// Help opens the help file at the topic of the page shown.
TEST_F(FilterPageTest, HelpOpensEachPagesOwnTopic) {
  tellmar::testing::HelpFileForTest help(dir_ / "TELLMSRV.HLP");
  App().helpFilePath = help.path();
  std::vector<std::string> topics;
  DialogDriver driver;
  driver.Then([&](HWND sheet) { topics = tellmar::testing::HelpTopicsOfPages(sheet, 3); });
  Run(driver, IDCANCEL);
  App().helpFilePath.clear();
  EXPECT_EQ(topics, (std::vector<std::string>{"12000", "27", "15"}));
  EXPECT_TRUE(driver.op().shown().empty()) << "the help file opened each time";
}

TEST(FilterCaptions, PromptsAndShortening) {
  EXPECT_EQ(ActionPrompt(action::kCopyToDirectory), "Click here to select directory...");
  EXPECT_EQ(ActionPrompt(action::kRedirectToList), "Click here to select address/mailing list...");
  EXPECT_EQ(ShortenCaption("short", 100), "short");
  const std::string cut = ShortenCaption(std::string(40, 'x'), 100);  // limit 120: 20 characters
  EXPECT_LE(cut.size() * kAverageCharWidth, 120u);
  EXPECT_EQ(cut.substr(cut.size() - 4), " ...");
}

}  // namespace
