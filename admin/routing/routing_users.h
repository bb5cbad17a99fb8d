// The local users as the routing pages offer them: user records USER0
// upward until the first empty or "None" ID.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tellmar::admin {

// Each user's address: with [Environment] UseDomain other than "0", an ID
// without "@" gets "@" and the Domain. With UseDomain "0" the IDs as stored,
// the first shown as ROOTADDR when `rootAddressFirst`.
std::vector<std::string> LocalUserEntries(const std::filesystem::path& settingsFile, bool rootAddressFirst);

// The domains the server handles: with UseDomain "0" the part after "@" of
// every ID (the whole ID without one), each once ignoring case, sorted;
// otherwise the one Domain.
std::vector<std::string> ServerDomains(const std::filesystem::path& settingsFile);

}  // namespace tellmar::admin
