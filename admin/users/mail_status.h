// The mail status: every user's waiting incoming messages, the mail each
// user has waiting to be sent, and the times of the server's connections;
// shown in the mail status window and published into tmhub.ini
// [ServerMailStatus] for the main server (UPDATED "1" written last).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tellmar::admin {

inline constexpr int kQuickCheckUsers = 1000;

// What the quick check compares with: -1 until first counted.
struct MailStatusCache {
  std::vector<int> incoming = std::vector<int>(kQuickCheckUsers, -1);
  int outgoing = -1;
};

// The window's list: the heading, one line per user (section, real name,
// waiting messages, mail waiting to be sent), an empty line and the four
// connection lines. Each line one text, its columns joined by TAB.
std::vector<std::string> MailStatusLines(const std::filesystem::path& ini, const std::filesystem::path& serverDir);

// Publishes the user lines and the schedule into [ServerMailStatus]:
// UPDATED "0", the section cleared and rebuilt, then UPDATED "1".
void PublishMailStatus(const std::filesystem::path& ini, const std::vector<std::string>& lines);

// The quick check: true when nothing changed since the last counts (the
// refresh may be skipped); the cache then holds the new counts.
bool MailStatusUnchanged(const std::filesystem::path& ini, const std::filesystem::path& serverDir,
                         MailStatusCache& cache);

// The number of "*.TXT" entries (any case) in a folder; 0 when it is missing.
int CountWaitingMessages(const std::filesystem::path& folder);

}  // namespace tellmar::admin
