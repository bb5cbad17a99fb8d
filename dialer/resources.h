// Dialwick's resource numbers. The dialogs and their controls come from the
// generated headers of resources/Dialwick/*.tmr (ids::ControlCentre::kList,
// ...); only the main window's icon, menu and entry list, which no dialog
// template holds, are numbered here.
#pragma once

#include "resources/Dialwick/about_ids.h"
#include "resources/Dialwick/connection_failed_ids.h"
#include "resources/Dialwick/control_centre_ids.h"
#include "resources/Dialwick/edit_settings_ids.h"
#include "resources/Dialwick/entry_editor_ids.h"
#include "resources/Dialwick/no_password_ids.h"
#include "resources/Dialwick/password_ids.h"
#include "resources/Dialwick/progress_ids.h"

namespace tellmar::dialer {

namespace ids = tellmar::res::Dialwick;

namespace main_window {
inline constexpr int kIcon = 133;
inline constexpr int kMenu = 110;  // resources/Dialwick/main.tmr
inline constexpr int kEntryList = 1029;
}  // namespace main_window

}  // namespace tellmar::dialer
