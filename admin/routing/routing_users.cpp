#include "admin/routing/routing_users.h"

#include <algorithm>

#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "common/user_directory.h"

namespace tellmar::admin {
namespace {

constexpr int kUserScanMax = 32000;

std::vector<std::string> UserIds(const IniDocument& doc) {
  std::vector<std::string> ids;
  for (int n = 0; n < kUserScanMax; ++n) {
    const auto id = doc.Find(UserSectionName(n), "ID");
    if (!id || id->empty() || *id == "None") break;
    ids.emplace_back(*id);
  }
  return ids;
}

std::string EnvironmentValue(const IniDocument& doc, std::string_view key, std::string_view fallback) {
  const auto v = doc.Find("Environment", key);
  return std::string(v ? *v : fallback);
}

}  // namespace

std::vector<std::string> LocalUserEntries(const std::filesystem::path& settingsFile, bool rootAddressFirst) {
  const auto doc = LoadProfile(settingsFile);
  std::vector<std::string> entries = UserIds(*doc);
  if (EnvironmentValue(*doc, "UseDomain", "-1") != "0") {
    const std::string domain = EnvironmentValue(*doc, "Domain", "");
    for (std::string& id : entries)
      if (id.find('@') == std::string::npos) id += "@" + domain;
  } else if (rootAddressFirst && !entries.empty()) {
    entries.front() = EnvironmentValue(*doc, "ROOTADDR", "");
  }
  return entries;
}

std::vector<std::string> ServerDomains(const std::filesystem::path& settingsFile) {
  const auto doc = LoadProfile(settingsFile);
  if (EnvironmentValue(*doc, "UseDomain", "-1") != "0") return {EnvironmentValue(*doc, "Domain", "")};
  std::vector<std::string> domains;
  for (const std::string& id : UserIds(*doc)) {
    const std::size_t at = id.find('@');
    std::string domain = at == std::string::npos ? id : id.substr(at + 1);
    if (std::none_of(domains.begin(), domains.end(), [&](const std::string& d) { return EqualsNoCase(d, domain); }))
      domains.push_back(std::move(domain));
  }
  std::sort(domains.begin(), domains.end(),
            [](const std::string& a, const std::string& b) { return AsciiLower(a) < AsciiLower(b); });
  return domains;
}

}  // namespace tellmar::admin
