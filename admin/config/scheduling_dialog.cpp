#include "admin/config/scheduling_dialog.h"

#include <ctime>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "admin/config/remote_update.h"
#include "admin/config/schedule_codec.h"
#include "admin/config/spin_range.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/system_services.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/settings_dialog.h"
#include "platform/shell.h"
#include "resources/tmadmin32/scheduling_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::Scheduling;

constexpr int kHelpContext = 21;
constexpr std::string_view kMail = "Netmailserver", kNet = "NetConnections";

constexpr int kTimeIds[kTimedFields] = {Ids::kTime1, Ids::kTime2, Ids::kTime3,  Ids::kTime4,
                                        Ids::kTime5, Ids::kTime6, Ids::kTime7,  Ids::kTime8,
                                        Ids::kTime9, Ids::kTime10, Ids::kTime11, Ids::kTime12};
// Sunday first, as AutoDays stores them.
constexpr int kDayIds[7] = {Ids::kSun, Ids::kMon, Ids::kTue, Ids::kWed, Ids::kThu, Ids::kFri, Ids::kSat};

constexpr const char* kDaytime[kTimedFields] = {"8:00",  "9:00",  "10:00", "11:00", "12:00", "13:00",
                                                "14:00", "15:00", "16:00", "17:00", "18:00", "19:00"};

enum class Active { None, Periodic, Timed };

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
const char* Flag(bool on) { return on ? "-1" : "0"; }

// Group captions, title and radio buttons for a state; `clicked` is the
// timed group's wording after a person switched it on.
void ShowState(HWND dialog, Active active, bool clicked) {
  const bool periodic = active == Active::Periodic, timed = active == Active::Timed;
  SetDlgItemText(dialog, Ids::kPeriodicGroup,
                 periodic ? "Periodic Scheduling is ACTIVE!"
                 : timed  ? "Periodic connections - Off"
                          : "Periodic Scheduling  - Off");
  SetDlgItemText(dialog, Ids::kTimedGroup,
                 !timed ? "Timed connections - Off"
                 : clicked ? "Timed Scheduling is ACTIVE!"
                           : "Timed connections are ACTIVE!");
  SetWindowText(dialog, periodic ? "Periodic collections ON!" : timed ? "Timed collections ON!" : "Scheduling is OFF!");
  CheckRadioButton(dialog, Ids::kPeriodicOn, Ids::kPeriodicOff, periodic ? Ids::kPeriodicOn : Ids::kPeriodicOff);
  CheckRadioButton(dialog, Ids::kTimedOn, Ids::kTimedOff, timed ? Ids::kTimedOn : Ids::kTimedOff);
}

class SchedulingDialog {
 public:
  explicit SchedulingDialog(WeekdayClock today) : today_(std::move(today)) {}

  SettingsDialog Steps() {
    SettingsDialog steps;
    steps.load = [this](HWND dialog) {
      dialog_ = dialog;
      Load();
    };
    steps.command = [this](HWND, WPARAM wParam) { Command(LOWORD(wParam)); };
    steps.store = [this](HWND) { return Store(); };
    return steps;
  }

 private:
  std::string Text(int id) const { return GetDlgItemText(dialog_, id); }

  void Command(int id) {
    switch (id) {
      case Ids::kPeriodicOn:
      case Ids::kPeriodicOff:
      case Ids::kTimedOn:
      case Ids::kTimedOff:
        Switched(id);
        break;
      case Ids::kClearAll:
        ShowTimes({});
        break;
      case Ids::kDaytimeOnly:
        ShowTimes(std::vector<std::string>(std::begin(kDaytime), std::end(kDaytime)));
        break;
      case Ids::kReset:
        ShowTimes(storedTimes_);
        break;
      case Ids::kHelp:
        OpenHelpFile(dialog_, FromWindowsPath(App().helpFilePath), kHelpContext);
        break;
    }
  }

  void ShowTimes(const std::vector<std::string>& times) {
    for (std::size_t i = 0; i < std::size(kTimeIds); ++i)
      SetDlgItemText(dialog_, kTimeIds[i], i < times.size() ? times[i] : std::string());
  }

  void Load() {
    const auto ini = ServerSettingsFile();
    const bool automatic = GetProfileInt(ini, kMail, "AutoPOPMail", 0) != 0;
    const bool periodic = GetProfileInt(ini, kMail, "periodicAutoMail", 0) != 0;
    ShowState(dialog_, !automatic ? Active::None : periodic ? Active::Periodic : Active::Timed, false);

    const std::string every = GetProfileString(ini, kMail, "AutoPopTime", "5");
    const std::string early = GetProfileString(ini, kNet, "EarlyPeriodic", "-1");
    const std::string late = GetProfileString(ini, kNet, "LatePeriodic", "-1");
    SetDlgItemText(dialog_, Ids::kEvery, every);
    SetDlgItemText(dialog_, Ids::kEarly, early);
    SetDlgItemText(dialog_, Ids::kLate, late);
    SetSpinKeepingValue(dialog_, Ids::kEverySpin, 1, 999, every);
    SetSpinKeepingValue(dialog_, Ids::kEarlySpin, 0, 23, early);
    SetSpinKeepingValue(dialog_, Ids::kLateSpin, 0, 23, late);

    storedTimes_ = DecodeTimedPeriods(GetProfileString(ini, kMail, "TimedPeriods", ""));
    ShowTimes(storedTimes_);

    const DayFlags days = DecodeAutoDays(GetProfileString(ini, kMail, "AutoDays", ""));
    for (std::size_t d = 0; d < days.size(); ++d) CheckDlgButton(dialog_, kDayIds[d], days[d] ? BST_CHECKED : BST_UNCHECKED);

    CheckDlgButton(dialog_, Ids::kFetchMail, GetProfileInt(ini, kMail, "AutoFetchMail", 0) != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog_, Ids::kSendMail, GetProfileInt(ini, kMail, "AutoPostMail", 0) != 0 ? BST_CHECKED : BST_UNCHECKED);
    const bool full = GetProfileInt(ini, kMail, "GetFullMail", -1) != 0;
    CheckRadioButton(dialog_, Ids::kCollectAll, Ids::kListOnly, full ? Ids::kCollectAll : Ids::kListOnly);
    const bool disconnect = GetProfileInt(ini, kNet, "disconnectAutomaildun", -1) != 0;
    CheckRadioButton(dialog_, Ids::kDisconnect, Ids::kStayConnected, disconnect ? Ids::kDisconnect : Ids::kStayConnected);
    const bool dialUp = GetProfileInt(ini, kNet, "USe95DUN", 0) != 0;
    for (int id : {Ids::kDialGroup, Ids::kDisconnect, Ids::kStayConnected}) EnableDlgItem(dialog_, id, dialUp);
  }

  // Switching one group on switches the other off.
  void Switched(int id) {
    Active active = Active::None;
    if (id == Ids::kPeriodicOn) active = Active::Periodic;
    else if (id == Ids::kTimedOn) active = Active::Timed;
    else if (Checked(dialog_, Ids::kPeriodicOn)) active = Active::Periodic;
    else if (Checked(dialog_, Ids::kTimedOn)) active = Active::Timed;
    ShowState(dialog_, active, true);
  }

  bool WindowAccepted() {
    if (ParseProfileInt(Text(Ids::kEarly)) == 0) {
      SetDlgItemText(dialog_, Ids::kEarly, "");
      SetDlgItemText(dialog_, Ids::kLate, "");
    }
    const auto refusal = CheckPeriodicWindow(ParseProfileInt(Text(Ids::kEarly)), ParseProfileInt(Text(Ids::kLate)));
    if (!refusal) return true;
    Refuse(dialog_, refusal->field == WindowField::Start ? Ids::kEarly : Ids::kLate, kWindowRefusalCaption,
           refusal->text);
    return false;
  }

  bool DaysAccepted(const DayFlags& days) {
    const int today = today_();
    if (today >= 0 && today < 7 && !days[static_cast<std::size_t>(today)] &&
        MessageBox(dialog_, "You have scheduled connections disabled for today, do you want to continue ?",
                   "Scheduling disabled!", MB_YESNO | MB_ICONQUESTION) != IDYES)
      return false;
    bool any = false;
    for (bool on : days) any = any || on;
    return any || MessageBox(dialog_,
                             "Warning - you have disabled scheduled connections for every day!, do you really "
                             "want to continue ?",
                             "Scheduling fully turned off", MB_YESNO | MB_ICONQUESTION) == IDYES;
  }

  // A field that reads as 0 is stored empty.
  std::string Hour(int id) const { return ParseProfileInt(Text(id)) == 0 ? std::string() : Text(id); }

  bool Store() {
    if (!WindowAccepted()) return false;
    DayFlags days{};
    for (std::size_t d = 0; d < days.size(); ++d) days[d] = Checked(dialog_, kDayIds[d]);
    if (!DaysAccepted(days)) return false;

    const auto ini = ServerSettingsFile();
    ProfileBatch batch(ini);
    batch.Write(kMail, "AutoDays", EncodeAutoDays(days));
    batch.Write(kMail, "AutoPopTime", Text(Ids::kEvery));
    batch.Write(kMail, "AutoPOPMail", "0");
    if (Checked(dialog_, Ids::kPeriodicOn)) {
      batch.Write(kMail, "AutoPOPMail", "-1");
      batch.Write(kMail, "PeriodicAutoMail", "-1");
    } else if (Checked(dialog_, Ids::kTimedOn)) {
      batch.Write(kMail, "AutoPOPMail", "-1");
      batch.Write(kMail, "PeriodicAutoMail", "0");
    }
    batch.Write(kMail, "AutoFetchMail", Flag(Checked(dialog_, Ids::kFetchMail)));
    batch.Write(kMail, "AutoPostMail", Flag(Checked(dialog_, Ids::kSendMail)));
    batch.Write(kMail, "GetFullMail", Flag(Checked(dialog_, Ids::kCollectAll)));
    batch.Write(kNet, "disconnectAutomaildun", Flag(Checked(dialog_, Ids::kDisconnect)));
    batch.Write(kNet, "EarlyPeriodic", Hour(Ids::kEarly));
    batch.Write(kNet, "LatePeriodic", Hour(Ids::kLate));
    std::vector<std::string> times;
    for (int id : kTimeIds) times.push_back(Text(id));
    batch.Write(kMail, "TimedPeriods", EncodeTimedPeriods(times));
    AddRemoteUpdate(batch);
    return Saved(dialog_, batch.Commit(), "The schedule");
  }

  WeekdayClock today_;
  HWND dialog_ = 0;
  std::vector<std::string> storedTimes_;
};

}  // namespace

int LocalWeekday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_wday;
}

bool RunSchedulingDialog(HWND owner, DialogGuard& guard, const WeekdayClock& today) {
  SchedulingDialog dialog(today);
  return RunSettingsDialog(Ids::kTemplate, owner, dialog.Steps(), &guard) == IDOK;
}

}  // namespace tellmar::admin
