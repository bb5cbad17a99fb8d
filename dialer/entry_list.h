// The phonebook entries the dialler offers. On NT the service is asked with
// room for 10 names (more is an enumeration error, as there); on the
// Windows 95 family the list has no such limit (it came from the registry's
// dial-up profiles there).
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/ras/dialup.h"

namespace tellmar::dialer {

inline constexpr std::size_t kEntryRecordsNT = 10;

ras::EntryNames LoadEntryNames(const ras::DialUp& dialUp);

// NTPBLIST.LST: each name followed by CR LF, replacing any older file.
std::error_code WriteEntryListFile(const std::filesystem::path& file,
                                   const std::vector<std::string>& names);

}  // namespace tellmar::dialer
