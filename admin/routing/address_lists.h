// The address lists: one file per list in the server directory's LISTS
// folder, named by the list name and ".LST", one address per CR LF line.
// Names are matched without regard to case: team.lst is the list TEAM.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tellmar::admin {

// The LISTS folder of the server directory, made when it is missing.
std::filesystem::path ListDirectory();

// The list files ("*.LST" in any case) with their extension, as named on disk.
std::vector<std::string> AddressListFiles(const std::filesystem::path& dir);

}  // namespace tellmar::admin
