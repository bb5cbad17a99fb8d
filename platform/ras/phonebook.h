// The simulated modem's phonebook: an INI file with one section per entry,
// named by the entry name, in file order. Keys, all optional:
//
//   Number, Callback, User, Password, Domain  the saved dial parameters
//   PasswordSaved  "1" (default): the service keeps the entry's password;
//                  "0": it keeps none
//   Result         0 (default): the dial connects; 601..744: it fails so
//   FailState      the dial state at which Result is reported (default 2);
//                  8193: as a disconnect in place of "connected"
//   StepMs         milliseconds between state notifications (default 100)
//   DropAfter      seconds after connecting at which the remote side hangs
//                  up (default 0: never)
//
// A value that cannot be used (a word where a number belongs, a code out of
// range, a state the dial never passes) does not hide the entry: it is
// listed, and dialling it fails with "corrupt phonebook", so a typing error
// shows where it was made instead of dialling something unintended.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/ras/dialup.h"

namespace tellmar::ras {

struct PhonebookEntry {
  std::string name;
  DialParams saved;  // entryName is the section name
  bool keepsPassword = true;
  int result = 0;
  int failState = state::kConnectDevice;
  int stepMs = 100;
  int dropAfterSeconds = 0;
  std::string problem;  // empty when the script is usable
};

struct Phonebook {
  int error = 0;  // error::kCannotOpenPhonebook when the file is missing
  std::vector<PhonebookEntry> entries;

  const PhonebookEntry* Find(std::string_view name) const;
};

// The states a dial passes, in order, up to and including "connected".
inline constexpr int kDialSequence[] = {
    state::kOpenPort,           state::kPortOpened,    state::kConnectDevice,
    state::kDeviceConnected,    state::kAllDevicesConnected,
    state::kStartAuthentication, state::kAuthenticate, state::kAuthenticated,
    state::kConnected};

// $TELLMAR_PHONEBOOK, else phonebook.ini in the user's configuration
// directory ($XDG_CONFIG_HOME/tellmar, else ~/.config/tellmar).
std::filesystem::path DefaultPhonebookPath();

Phonebook LoadPhonebook(const std::filesystem::path& file);

// Why `name` cannot name an entry ("" when it can): empty, longer than 256
// characters, blanks at either end, brackets or control characters (they
// would break the section header), or a backslash (the Windows 95 family
// keeps each entry as a registry key named by it).
std::string EntryNameProblem(std::string_view name);

// Creates or updates the entry's section with its saved dial parameters and
// its PasswordSaved switch; the scripted outcome keys are left as they are.
std::error_code WritePhonebookEntry(const std::filesystem::path& file, const PhonebookEntry& entry);

}  // namespace tellmar::ras
