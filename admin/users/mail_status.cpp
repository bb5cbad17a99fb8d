#include "admin/users/mail_status.h"

#include <fstream>

#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/mail_store.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "common/user_directory.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSection = "ServerMailStatus";

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && AsciiUpper(name.substr(name.size() - suffix.size())) == suffix;
}

int CountNoCase(const fs::path& folder, std::string_view suffix) {
  int n = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (EndsWithNoCase(it->path().filename().string(), suffix)) ++n;
  return n;
}

// The DIR of USER0, USER1, ... up to the first empty one.
std::vector<std::string> UserFolders(const IniDocument& doc) {
  std::vector<std::string> dirs;
  for (int i = 0; i < kMaxUserRecords; ++i) {
    std::string dir(doc.Find(UserSectionName(i), "DIR").value_or(""));
    if (dir.empty()) break;
    dirs.push_back(std::move(dir));
  }
  return dirs;
}

int CountFor(const fs::path& serverDir, const std::string& dir) {
  const auto folder = MailboxFolder(serverDir, dir);
  return folder ? CountNoCase(*folder, ".TXT") : 0;
}

// The sender of an envelope's first line "MAIL FROM: <addr>", upper-cased.
std::string EnvelopeSender(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string line(255, '\0');
  in.read(line.data(), 255);
  line.resize(static_cast<std::size_t>(in.gcount()));
  line = line.substr(0, line.find('\n') == std::string::npos ? line.size() : line.find('\n') + 1);
  if (line.find("MAIL FROM:") == std::string::npos) return {};
  std::size_t at = line.find(':') + 1;
  while (at < line.size() && (line[at] == ' ' || line[at] == '<')) ++at;
  const std::size_t end = line.find_first_of("> \r\n", at);
  return AsciiUpper(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
}

std::string Caret(std::string text) {
  for (char& c : text)
    if (c == '\t') c = '^';
  return text;
}

}  // namespace

int CountWaitingMessages(const fs::path& folder) { return CountNoCase(folder, ".TXT"); }

std::vector<std::string> MailStatusLines(const fs::path& ini, const fs::path& serverDir) {
  const auto doc = LoadProfile(ini);
  const bool singleDomain = ParseProfileInt(doc->Find("ENVIRONMENT", "UseDomain").value_or("1")) != 0;
  const std::string domain(doc->Find("ENVIRONMENT", "DOMAIN").value_or(""));
  std::vector<std::string> lines = {"\tNetworked user name\tIncoming\tOutgoing"};
  std::vector<std::string> addresses;
  const std::vector<std::string> dirs = UserFolders(*doc);
  for (std::size_t i = 0; i < dirs.size(); ++i) {
    const std::string section = UserSectionName(static_cast<int>(i));
    lines.push_back(section + "\t" + std::string(doc->Find(section, "REALNAME").value_or("")) + "\t" +
                    std::to_string(CountFor(serverDir, dirs[i])));
    std::string id(doc->Find(section, "id").value_or(""));
    if (singleDomain && id.find('@') == std::string::npos) id += "@" + domain;
    addresses.push_back(AsciiUpper(id));
  }
  std::vector<int> outgoing(dirs.size(), 0);
  std::error_code ec;
  const fs::path outFolder = ResolveNoCase(serverDir, "outgoing");
  for (fs::directory_iterator it(outFolder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!EndsWithNoCase(it->path().filename().string(), ".ENV")) continue;
    const std::string sender = EnvelopeSender(it->path());
    if (sender.empty()) continue;
    for (std::size_t i = 0; i < addresses.size(); ++i)
      if (addresses[i] == sender) {
        ++outgoing[i];
        break;
      }
  }
  for (std::size_t i = 0; i < dirs.size(); ++i)
    lines[i + 1] += outgoing[i] == 0 ? "\tNo mail waiting to be sent" : "\t" + std::to_string(outgoing[i]) + " waiting to be sent";

  auto status = [&doc](const char* key) { return std::string(doc->Find("MailStatus", key).value_or("None Set...")); };
  std::string nextDue = status("NextDue");
  if (nextDue.find("Scheduled at ") != std::string::npos) nextDue = nextDue.size() > 13 ? nextDue.substr(13) : "";
  lines.push_back("");
  lines.push_back("\tNext scheduled connection due at : \t" + nextDue);
  lines.push_back("\tLast connection was made at : \t\t" + status("LastConnect"));
  lines.push_back("\tLast Mail was sent was at   : \t\t" + status("LastMailSend"));
  lines.push_back("\tLast mail collection was at  : \t\t" + status("LastMailCollect"));
  return lines;
}

void PublishMailStatus(const fs::path& ini, const std::vector<std::string>& lines) {
  const auto doc = LoadProfile(ini);
  auto status = [&doc](const char* key) { return std::string(doc->Find("MailStatus", key).value_or("None Set...")); };
  std::string nextDue = status("NextDue");
  if (nextDue.find("Scheduled at ") != std::string::npos) nextDue = nextDue.size() > 13 ? nextDue.substr(13) : "";
  WriteProfileString(ini, kSection, "UPDATED", "0");
  // The section is rebuilt in one replacement, then declared complete.
  ProfileBatch batch(ini);
  batch.DeleteSection(kSection);
  int n = 0;
  for (const std::string& line : lines)
    if (line.rfind("USER", 0) == 0) batch.Write(kSection, std::to_string(n++), Caret(line));
  batch.Write(kSection, "Schedule1", "^Scheduled connections : ^" + nextDue);
  batch.Write(kSection, "Schedule2", Caret("\tLast connection was made at : \t" + status("LastConnect")));
  batch.Write(kSection, "Schedule3", Caret("\tLast Mail was sent was at   : \t" + status("LastMailSend")));
  batch.Write(kSection, "Schedule4", Caret("\tLast mail collection was at  : \t" + status("LastMailCollect")));
  batch.Commit();
  WriteProfileString(ini, kSection, "UPDATED", "1");
}

bool MailStatusUnchanged(const fs::path& ini, const fs::path& serverDir, MailStatusCache& cache) {
  const auto doc = LoadProfile(ini);
  const std::vector<std::string> dirs = UserFolders(*doc);
  bool changed = false;
  for (std::size_t i = 0; i < dirs.size() && i < cache.incoming.size(); ++i) {
    const int count = CountFor(serverDir, dirs[i]);
    if (count != cache.incoming[i]) changed = true;
    cache.incoming[i] = count;
  }
  const int outgoing = CountNoCase(ResolveNoCase(serverDir, "outgoing"), ".TXT");
  if (!changed && outgoing == cache.outgoing) return true;
  cache.outgoing = outgoing;
  return false;
}

}  // namespace tellmar::admin
