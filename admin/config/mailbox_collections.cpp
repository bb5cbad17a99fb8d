#include "admin/config/mailbox_collections.h"

#include "admin/config/remote_update.h"
#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "common/scramble.h"

namespace tellmar::admin {
namespace {

// A reader stops at the first gap; this bounds a damaged file.
constexpr int kProxyScanMax = 10000;

std::string Key(std::string_view word, int n) { return std::string(word) + std::to_string(n); }

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> parts;
  while (true) {
    const std::size_t tab = line.find('\t');
    parts.emplace_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return parts;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace

std::string ProxyLine(const ProxyMailbox& m) {
  return m.host + "\t" + m.user + "\t" + m.password + "\t" + (m.active ? "1" : "0") + "\t" +
         (m.deleteAfter ? "-1" : "0");
}

ProxyMailbox ParseProxyLine(std::string_view line) {
  std::vector<std::string> parts = SplitTabs(line);
  parts.resize(5);
  ProxyMailbox m;
  m.host = parts[0];
  m.user = parts[1];
  m.password = parts[2];
  m.active = parts[3] == "1";
  m.deleteAfter = parts[4] != "0";
  return m;
}

std::vector<ProxyMailbox> LoadProxyMailboxes(const std::filesystem::path& settingsFile) {
  std::vector<ProxyMailbox> list;
  const auto doc = LoadProfile(settingsFile);
  const auto total = doc->Find(kProxySection, "TotalProxies");
  if (!total || ParseProfileInt(*total) <= 0) return list;
  for (int n = kFirstProxyNumber; n < kProxyScanMax; ++n) {
    const auto host = doc->Find(kProxySection, Key("POPHOST", n));
    if (!host || host->empty()) break;
    ProxyMailbox m;
    m.host = std::string(*host);
    m.user = std::string(doc->Find(kProxySection, Key("POPUSER", n)).value_or(""));
    m.password = std::string(doc->Find(kProxySection, Key("POPPASSWORD", n)).value_or(""));
    m.active = ParseProfileInt(doc->Find(kProxySection, Key("PROXYACTIVE", n)).value_or("0")) != 0;
    const auto del = doc->Find(kProxySection, Key("POPDELETESERVERMAIL", n)).value_or("-1");
    m.deleteAfter = del.empty() || ParseProfileInt(del) != 0;
    list.push_back(std::move(m));
  }
  return list;
}

std::error_code StoreProxyMailboxes(const std::filesystem::path& settingsFile,
                                    const std::vector<ProxyMailbox>& mailboxes) {
  ProfileBatch batch(settingsFile);
  batch.DeleteSection(kProxySection);
  batch.Write(kProxySection, "TOTALPROXIES", std::to_string(mailboxes.size()));
  int n = kFirstProxyNumber;
  for (const ProxyMailbox& m : mailboxes) {
    batch.Write(kProxySection, Key("POPUSER", n), m.user);
    batch.Write(kProxySection, Key("POPPASSWORD", n), m.password);
    batch.Write(kProxySection, Key("POPHOST", n), m.host);
    batch.Write(kProxySection, Key("PROXYACTIVE", n), m.active ? "1" : "0");
    batch.Write(kProxySection, Key("POPDELETESERVERMAIL", n), m.deleteAfter ? "-1" : "0");
    ++n;
  }
  AddRemoteUpdate(batch);
  return batch.Commit();
}

ProxyMatch FindProxyDuplicate(const std::vector<ProxyMailbox>& lines, int skip, std::string_view host,
                              std::string_view user, std::string_view password) {
  ProxyMatch match;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    const ProxyMailbox& line = lines[static_cast<std::size_t>(i)];
    if (i == skip || !EqualsNoCase(line.host, host)) continue;
    if (EqualsNoCase(line.user, user) && EqualsNoCase(Unscramble(kProxyKeyWord, line.password), password))
      return ProxyMatch{ProxyDuplicate::Identical, line.host};
    if (match.kind == ProxyDuplicate::None) match = ProxyMatch{ProxyDuplicate::SameHost, line.host};
  }
  return match;
}

}  // namespace tellmar::admin
