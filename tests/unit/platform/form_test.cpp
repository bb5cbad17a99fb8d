// Forms: bindings of every kind, stored spellings and limits, the modified
// flag and Apply, validation order through one refusal, mode tables; run in
// the in-process dialog driver as a person would use them.
#include "platform/form.h"

#include <gtest/gtest.h>

#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;

namespace {

enum : int { kName = 1001, kPort = 1002, kSpin = 1003, kService = 1004, kLog = 1005, kModeA = 1006, kModeB = 1007,
             kDrive = 1008, kList = 1009, kShown = 1010, kApply = 1011 };

void RegisterFormTemplate() {
  static const bool done = [] {
    RegisterResourceText("form.tmr", R"(
dialog 9401 "Options" 0 0 200 160 visible
  edit      1001 ""        7   7 100 12
  edit      1002 ""        7  22  40 12 number
  updown    1003 ""       47  22  10 12 buddy
  autocheck 1004 "Service" 7  37  80 10
  autocheck 1005 "Log"     7  50  80 10
  autoradio 1006 "Direct"  7  63  80 10 group
  autoradio 1007 "Dial-up" 7  76  80 10
  dropdownlist 1008 ""     7  89  80 60
  listbox   1009 ""      100  37  90 50
  static    1010 ""      100  90  90 10
  button    1011 "&Apply"  7 140  50 14 disabled
  default   1    "OK"     80 140  50 14
  button    2    "Cancel"140 140  50 14
end
)");
    return true;
  }();
  (void)done;
}

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    RegisterFormTemplate();
    ini_ = dir_ / "tmhub.ini";
    EXPECT_FALSE(WriteProfileString(ini_, "popsrv", "host", "mail.example.com"));
    EXPECT_FALSE(WriteProfileString(ini_, "popsrv", "port", "110"));
    EXPECT_FALSE(WriteProfileString(ini_, "Environment", "RunAsService", "1"));  // either spelling reads as on
    EXPECT_FALSE(WriteProfileString(ini_, "popsrv", "logging", "0"));
    EXPECT_FALSE(WriteProfileString(ini_, "access", "mode", "DUN"));
    form_.Text(kName, SettingsKey(ini_, "popsrv", "host", ""), 12);
    form_.Integer(kPort, SettingsKey(ini_, "popsrv", "port", "110"), 1, 65535, kSpin);
    form_.Flag(kService, SettingsKey(ini_, "Environment", "RunAsService", "0"), kMinusOneZero);
    form_.Flag(kLog, SettingsKey(ini_, "popsrv", "logging", "0"), kOneZero);
    form_.Radio({{kModeA, "LAN"}, {kModeB, "DUN"}}, SettingsKey(ini_, "access", "mode", "LAN"));
    form_.Selection(kDrive, FieldRef(drive_));
    form_.Selection(kList, FieldRef(listIndex_), Form::SelectBy::Index);
    form_.Mirror(kShown, FieldRef(shown_));
    form_.ApplyButton(kApply);
    form_.RequireText(kName, "Server options", "Please enter a host name");
    form_.RequireRange(kPort, "Server options", "The port must be between 1 and 65535");
  }

  HWND Open() {
    const HWND dialog = CreateDialog(9401, 0, [this](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
      if (m == WM_COMMAND) form_.Notice(w);
      (void)d;
      return FALSE;
    });
    for (const char* drive : {"C:", "D:", "E:"}) ComboBox_AddString(GetDlgItem(dialog, kDrive), drive);
    for (const char* item : {"one", "two", "three"}) ListBox_AddString(GetDlgItem(dialog, kList), item);
    form_.Load(dialog);
    return dialog;
  }

  // Boxes from here on are recorded, and answered with their defaults.
  ScriptedOperator& Script() {
    auto owned = std::make_unique<ScriptedOperator>();
    ScriptedOperator& op = *owned;
    loop_.SetOperator(std::move(owned));
    return op;
  }

  std::string Key(const char* section, const char* key) { return GetProfileString(ini_, section, key, "(none)"); }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_;
  Loop loop_;
  Form form_;
  std::string drive_ = "D:";
  int listIndex_ = 2;
  std::string shown_ = "read only";
};

TEST_F(FormTest, LoadShowsEveryKindWithoutMarkingTheFormModified) {
  const HWND d = Open();
  EXPECT_EQ(GetDlgItemText(d, kName), "mail.example");  // cut to the limit of 12
  EXPECT_EQ(GetDlgItemText(d, kPort), "110");
  EXPECT_EQ(SendDlgItemMessage(d, kSpin, UDM_GETPOS32), 110);
  EXPECT_EQ(IsDlgButtonChecked(d, kService), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(d, kLog), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(d, kModeB), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(d, kModeA), BST_UNCHECKED);
  EXPECT_EQ(ComboBox_GetCurSel(GetDlgItem(d, kDrive)), 1);
  EXPECT_EQ(ListBox_GetCurSel(GetDlgItem(d, kList)), 2);
  EXPECT_EQ(GetDlgItemText(d, kShown), "read only");
  EXPECT_FALSE(form_.Modified());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, kApply)));
}

TEST_F(FormTest, APersonsEditEnablesApplyAndApplyStoresEachSpelling) {
  const HWND d = Open();
  ASSERT_TRUE(UserSetText(GetDlgItem(d, kName), "pop.example.org.uk"));  // typed past the limit
  EXPECT_TRUE(form_.Modified());
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, kApply)));
  EXPECT_EQ(GetDlgItemText(d, kName), "pop.example.");
  ASSERT_TRUE(UserSetCheck(GetDlgItem(d, kLog), BST_CHECKED));
  ASSERT_TRUE(UserSetCheck(GetDlgItem(d, kModeA), BST_CHECKED));
  ASSERT_TRUE(UserSelectItem(GetDlgItem(d, kDrive), 2));
  ASSERT_TRUE(UserSelectItem(GetDlgItem(d, kList), 0));
  EXPECT_EQ(Key("Environment", "RunAsService"), "1") << "nothing is written before Apply";

  ASSERT_TRUE(form_.Apply());
  EXPECT_FALSE(form_.Modified());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, kApply)));
  EXPECT_EQ(Key("popsrv", "host"), "pop.example.");
  EXPECT_EQ(Key("popsrv", "port"), "110");
  EXPECT_EQ(Key("Environment", "RunAsService"), "-1");  // written in the flag's own spelling
  EXPECT_EQ(Key("popsrv", "logging"), "1");
  EXPECT_EQ(Key("access", "mode"), "LAN");
  EXPECT_EQ(drive_, "E:");
  EXPECT_EQ(listIndex_, 0);
  EXPECT_EQ(shown_, "read only");

  ASSERT_TRUE(UserSetCheck(GetDlgItem(d, kService), BST_UNCHECKED));
  form_.Cancel();
  EXPECT_FALSE(form_.Modified());
  EXPECT_EQ(Key("Environment", "RunAsService"), "-1") << "Cancel stores nothing";
}

TEST(FormFlags, StoredSpellingsReadAsOnOrOff) {
  EXPECT_TRUE(FlagIsOn("-1", kMinusOneZero));
  EXPECT_TRUE(FlagIsOn("1", kMinusOneZero));
  EXPECT_FALSE(FlagIsOn("0", kMinusOneZero));
  EXPECT_FALSE(FlagIsOn("", kOneZero));
  constexpr FlagSpelling kYesNo{"Yes", "No"};
  EXPECT_TRUE(FlagIsOn("yes", kYesNo));
  EXPECT_FALSE(FlagIsOn("NO", kYesNo));
}

TEST_F(FormTest, ValidationStopsAtTheFirstFailureInOrderAndFocusesTheField) {
  struct Case {
    const char* name;
    const char* port;
    std::vector<std::string> boxes;  // texts shown, in order
    int focused;
  };
  const Case cases[] = {
      {"", "0", {"Please enter a host name"}, kName},
      {"host", "0", {"The port must be between 1 and 65535"}, kPort},
      {"host", "65536", {"The port must be between 1 and 65535"}, kPort},
      {"host", "", {"The port must be between 1 and 65535"}, kPort},
      {"host", "65535", {}, 0},
  };
  for (const Case& c : cases) {
    const HWND d = Open();
    ASSERT_TRUE(UserSetText(GetDlgItem(d, kName), c.name));
    SetDlgItemText(d, kPort, c.port);  // the number style would refuse a person's "-"; set directly
    ScriptedOperator* op = &Script();
    EXPECT_EQ(form_.Validate(), c.boxes.empty()) << c.name << "/" << c.port;
    std::vector<std::string> texts;
    for (const auto& shown : op->shown()) {
      texts.push_back(shown.text);
      EXPECT_EQ(shown.caption, "Server options");
    }
    EXPECT_EQ(texts, c.boxes) << c.name << "/" << c.port;
    if (c.focused != 0) {
      EXPECT_EQ(GetFocus(), GetDlgItem(d, c.focused));
      const auto sel = static_cast<std::uint32_t>(SendDlgItemMessage(d, c.focused, EM_GETSEL));
      EXPECT_EQ(sel >> 16, GetDlgItemText(d, c.focused).size()) << "the field's text is selected";
    }
    DestroyWindow(d);
  }
}

TEST_F(FormTest, ARuleThatNamesTheProblemRefusesWithItsText) {
  form_.RequireNoProblem(kName, [](const std::string& name) {
    return name == "taken" ? "The name " + name + " is in use" : std::string();
  }, "Phonebook Entry");
  for (const char* name : {"taken", "free"}) {
    const HWND d = Open();
    ASSERT_TRUE(UserSetText(GetDlgItem(d, kName), name));
    ScriptedOperator* op = &Script();
    const bool taken = std::string(name) == "taken";
    EXPECT_EQ(form_.Validate(), !taken) << name;
    ASSERT_EQ(op->shown().size(), taken ? 1u : 0u) << name;
    if (taken) {
      EXPECT_EQ(op->shown()[0].caption, "Phonebook Entry");
      EXPECT_EQ(op->shown()[0].text, "The name taken is in use");
      EXPECT_EQ(GetFocus(), GetDlgItem(d, kName));
    }
    DestroyWindow(d);
  }
}

TEST_F(FormTest, ModeTablesAndTheDriverPlayAModalDialog) {
  enum { kBrowsing, kEditing };
  form_.Modes({{kBrowsing, {kList}, {kName, kPort}}, {kEditing, {kName, kPort}, {kList}}});
  DialogDriver driver;
  std::vector<bool> nameEnabled;
  driver.Then([&](HWND d) { nameEnabled.push_back(IsWindowEnabled(GetDlgItem(d, kName))); })
      .Then([&](HWND) { form_.SetMode(kEditing); })
      .Then([&](HWND d) { nameEnabled.push_back(IsWindowEnabled(GetDlgItem(d, kName))); })
      .Type(kName, "")
      .Click(IDOK)  // refused: the box is answered, the dialog stays
      .Type(kName, "host")
      .Click(IDOK)
      .Click(IDOK);  // too many: the dialog has ended
  driver.op().QueueBox(IDOK);
  const INT_PTR result = driver.Run([&] {
    return DialogBox(9401, 0, [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
      if (m == WM_INITDIALOG) form_.Load(d);
      if (m == WM_COMMAND) {
        form_.Notice(w);
        if (LOWORD(w) == IDOK && form_.Apply()) EndDialog(d, IDOK);
      }
      return TRUE;
    });
  });
  EXPECT_EQ(result, IDOK) << (driver.failures().empty() ? "" : driver.failures()[0]);
  EXPECT_EQ(nameEnabled, (std::vector<bool>{false, true}));
  ASSERT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(driver.op().shown()[0].text, "Please enter a host name");
  EXPECT_EQ(Key("popsrv", "host"), "host");
  EXPECT_EQ(driver.failures(), (std::vector<std::string>{"the dialog ended before step 8"}));
}

}  // namespace
