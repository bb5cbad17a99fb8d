// Connection scheduling: the stored forms byte for byte, and the dialog
// played in the driver with a fixed weekday.
#include "admin/config/scheduling_dialog.h"

#include "admin/config/schedule_codec.h"
#include "resources/tmadmin32/scheduling_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::Scheduling;

namespace {

TEST(ScheduleCodec, TimedPeriodsAreStoredSortedOnceAndWithinRange) {
  struct Row {
    std::vector<std::string> fields;
    const char* stored;
  };
  const Row rows[] = {
      {{"9:30", "09.30"}, "09.50000000,"},                 // one item from both spellings
      {{"13:15", "8"}, "08.00,13.25000000,"},              // sorted; no minutes is a whole hour
      {{"24:00", "-1:00", "noon", ""}, ""},                // out of range or no hour: dropped
      {{"7:75", "7:-5"}, "07.00,07.98333333,"},            // minutes held to 0..59
      {{"9:01", "9:06", "0.0", "23:59"}, "00.00,09.016666667,09.10000000,23.98333333,"},
  };
  for (const Row& row : rows) EXPECT_EQ(EncodeTimedPeriods(row.fields), row.stored) << row.fields.front();
}

TEST(ScheduleCodec, EveryMinuteReadsBackAsTyped) {
  for (int hour : {0, 9, 23})
    for (int minute = 0; minute < 60; ++minute) {
      char typed[8];
      std::snprintf(typed, sizeof typed, "%02d:%02d", hour, minute);
      const auto shown = DecodeTimedPeriods(EncodeTimedPeriods({typed}));
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0], typed);
    }
  EXPECT_EQ(DecodeTimedPeriods("9,,13.25000000,x"), (std::vector<std::string>{"9:00", "13:15", "x:00"}));
  std::string many;
  for (int i = 0; i < 14; ++i) many += "10.00,";
  EXPECT_EQ(DecodeTimedPeriods(many).size(), 12u) << "the dialog has twelve fields";
}

TEST(ScheduleCodec, AutoDaysAndThePeriodicWindow) {
  EXPECT_EQ(EncodeAutoDays({true, false, true, false, false, false, true}), "1,0,1,0,0,0,1,");
  EXPECT_EQ(DecodeAutoDays("1,0,1"), (DayFlags{true, false, true, false, false, false, false}));
  EXPECT_EQ(DecodeAutoDays("-1,1 ,1,"), (DayFlags{false, false, true, false, false, false, false}));
  EXPECT_FALSE(CheckPeriodicWindow(0, 23)) << "a window starting at 0 is not checked";
  EXPECT_FALSE(CheckPeriodicWindow(8, 20));
  EXPECT_EQ(CheckPeriodicWindow(20, 8)->field, WindowField::Start);
  EXPECT_EQ(CheckPeriodicWindow(8, 8)->field, WindowField::Start);
  EXPECT_EQ(CheckPeriodicWindow(8, 24)->text,
            "You cannot enter a stop time for periodic collections > 23\r\nPlease set the end time to a value less than 24.");
}

class SchedulingDialogTest : public tellmar::testing::AdminTest {
 protected:
  INT_PTR Run(DialogDriver& driver, int weekday = 1) {
    return tellmar::testing::Play(
        driver, [&] { return RunSchedulingDialog(0, guard_, [weekday] { return weekday; }) ? IDOK : IDCANCEL; });
  }
};

TEST_F(SchedulingDialogTest, TheStoredStateNamesTheGroupsAndTheTitle) {
  struct Row {
    const char* stored;
    const char* periodic;
    const char* timed;
    const char* title;
  };
  const Row rows[] = {
      {"AutoPOPMail=-1\r\nPeriodicAutoMail=-1", "Periodic Scheduling is ACTIVE!", "Timed connections - Off", "Periodic collections ON!"},
      {"AutoPOPMail=-1\r\nperiodicautomail=0", "Periodic connections - Off", "Timed connections are ACTIVE!", "Timed collections ON!"},
      {"AutoPOPMail=0\r\nPeriodicAutoMail=-1", "Periodic Scheduling  - Off", "Timed connections - Off", "Scheduling is OFF!"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored);
    Settings(std::string("[NETMAILSERVER]\r\n") + row.stored + "\r\nTimedPeriods=09.50000000,08.00,\r\n");
    DialogDriver driver;
    driver.Then([&row](HWND d) {
      EXPECT_EQ(GetDlgItemText(d, Ids::kPeriodicGroup), row.periodic);
      EXPECT_EQ(GetDlgItemText(d, Ids::kTimedGroup), row.timed);
      EXPECT_EQ(GetWindowText(d), row.title);
      EXPECT_EQ(GetDlgItemText(d, Ids::kTime1), "09:30");
      EXPECT_EQ(GetDlgItemText(d, Ids::kTime2), "08:00");
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, Ids::kDisconnect))) << "no dial-up: its options are closed";
      EXPECT_EQ(GetDlgItemText(d, Ids::kEarly), "-1") << "the stored hour, not the spin's end";
    });
    driver.Click(Ids::kCancel);
    EXPECT_EQ(Run(driver), IDCANCEL);
  }
  // A click on the timed group's On switches the periodic one off.
  Settings("[Netmailserver]\r\nAutoPOPMail=-1\r\nPeriodicAutoMail=-1\r\n");
  DialogDriver driver;
  driver.Check(Ids::kTimedOn, 1).Then([](HWND d) {
    EXPECT_EQ(GetDlgItemText(d, Ids::kTimedGroup), "Timed Scheduling is ACTIVE!");
    EXPECT_EQ(GetDlgItemText(d, Ids::kPeriodicGroup), "Periodic connections - Off");
    EXPECT_EQ(IsDlgButtonChecked(d, Ids::kPeriodicOff), BST_CHECKED);
    EXPECT_EQ(GetWindowText(d), "Timed collections ON!");
  });
  driver.Click(Ids::kCancel);
  Run(driver);
}

TEST_F(SchedulingDialogTest, ChecksInOrderThenStoresEveryKey) {
  Settings("[Netmailserver]\r\nAutoDays=0,1,1,1,1,1,0,\r\n[NetConnections]\r\nUSe95DUN=-1\r\n");
  DialogDriver driver;
  // 1. the window: 20 to 8 is refused and nothing is stored.
  driver.Type(Ids::kEarly, "20").Type(Ids::kLate, "8").Click(Ids::kOk);
  driver.op().QueueBox(IDOK);
  // 2. today (Sunday here) unticked: No keeps the dialog.
  driver.Type(Ids::kEarly, "8").Type(Ids::kLate, "18").Click(Ids::kOk);
  driver.op().QueueBox(IDNO);
  // Every day off: both questions, in order.
  for (int id : {Ids::kMon, Ids::kTue, Ids::kWed, Ids::kThu, Ids::kFri}) driver.Check(id, 0);
  driver.Click(Ids::kOk);
  driver.op().QueueBox(IDYES);
  driver.op().QueueBox(IDNO);
  driver.Check(Ids::kSun, 1).Check(Ids::kMon, 1);
  driver.Check(Ids::kPeriodicOn, 1).Check(Ids::kFetchMail, 1).Check(Ids::kListOnly, 1).Check(Ids::kStayConnected, 1);
  driver.Type(Ids::kEvery, "15").Type(Ids::kTime1, "13:15").Type(Ids::kTime2, "9:30").Type(Ids::kTime3, "09.30");
  driver.Type(Ids::kTime4, "24:00").Click(Ids::kOk);
  EXPECT_EQ(Run(driver, 0), IDOK);

  EXPECT_EQ(tellmar::testing::Captions(driver.op()),
            (std::vector<std::string>{"Time Limitation Error", "Scheduling disabled!", "Scheduling disabled!",
                                      "Scheduling fully turned off"}));
  ExpectKeys("Netmailserver", {{"AutoDays", "1,1,0,0,0,0,0,"}, {"AutoPopTime", "15"}, {"AutoPOPMail", "-1"},
                               {"PeriodicAutoMail", "-1"}, {"AutoFetchMail", "-1"}, {"AutoPostMail", "0"},
                               {"GetFullMail", "0"}, {"TimedPeriods", "09.50000000,13.25000000,"}});
  ExpectKeys("NetConnections", {{"disconnectAutomaildun", "0"}, {"EarlyPeriodic", "8"}, {"LatePeriodic", "18"}});
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
}

TEST_F(SchedulingDialogTest, AWindowFromZeroIsStoredEmptyAndResetRestoresTheTimes) {
  Settings("[Netmailserver]\r\nAutoDays=1,1,1,1,1,1,1,\r\nTimedPeriods=08.00,\r\n");
  DialogDriver driver;
  driver.Type(Ids::kEarly, "0").Type(Ids::kLate, "23");
  driver.Click(Ids::kDaytimeOnly).Then([](HWND d) { EXPECT_EQ(GetDlgItemText(d, Ids::kTime12), "19:00"); });
  driver.Click(Ids::kClearAll).Then([](HWND d) { EXPECT_EQ(GetDlgItemText(d, Ids::kTime1), ""); });
  driver.Click(Ids::kReset).Then([](HWND d) { EXPECT_EQ(GetDlgItemText(d, Ids::kTime1), "08:00"); });
  driver.Click(Ids::kOk);
  EXPECT_EQ(Run(driver), IDOK);
  EXPECT_TRUE(driver.op().shown().empty());
  ExpectKeys("NetConnections", {{"EarlyPeriodic", ""}, {"LatePeriodic", ""}});
  // PeriodicAutoMail is only written when a group is on.
  ExpectKeys("Netmailserver", {{"AutoPOPMail", "0"}, {"PeriodicAutoMail", "(none)"}, {"TimedPeriods", "08.00,"}});
}

}  // namespace
