// "Connection scheduling": when the main server goes online by itself,
// periodically within an hour window or at up to twelve times of day, on the
// ticked weekdays. The stored forms are in schedule_codec.h.
//
// "&Reset" puts the twelve time fields back to what was stored when the
// dialog opened; "&Clear All" empties them, "&Daytime only" fills 8:00 to
// 19:00.
#pragma once

#include <functional>

#include "platform/dialog.h"

namespace tellmar::admin {

// Today's weekday, Sunday = 0 .. Saturday = 6.
using WeekdayClock = std::function<int()>;
int LocalWeekday();

// True when closed with OK (and the settings stored).
bool RunSchedulingDialog(HWND owner, DialogGuard& guard, const WeekdayClock& today = LocalWeekday);

}  // namespace tellmar::admin
