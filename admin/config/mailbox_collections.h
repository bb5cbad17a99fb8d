// The additional POP3 mailboxes the main server collects from besides its
// main one: section PROXYCOLLECTIONS of tmhub.ini, numbered from 2 (number 1
// is the main mailbox), with the passwords scrambled by the fixed key word.
//
// In the dialog each mailbox is one list line of five values separated by
// TABs: host, user ID, scrambled password, active ("1"/"0") and delete after
// collection ("-1"/"0"). The list shows the host and the user ID in its
// columns; the other three values sit past the list's right edge.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar::admin {

inline constexpr std::string_view kProxySection = "PROXYCOLLECTIONS";
inline constexpr std::string_view kProxyKeyWord = "KQZVRLM";
inline constexpr int kFirstProxyNumber = 2;

struct ProxyMailbox {
  std::string host, user;
  std::string password;  // scrambled, as stored
  bool active = false;
  bool deleteAfter = true;
};

std::string ProxyLine(const ProxyMailbox& mailbox);
ProxyMailbox ParseProxyLine(std::string_view line);

// The stored list: nothing unless TotalProxies is above 0; then mailboxes 2,
// 3, ... up to the first with an empty POPHOST.
std::vector<ProxyMailbox> LoadProxyMailboxes(const std::filesystem::path& settingsFile);

// Deletes the whole section and writes it again in list order, then
// [environment] RemoteUpdate, as one replacement of the file.
std::error_code StoreProxyMailboxes(const std::filesystem::path& settingsFile,
                                    const std::vector<ProxyMailbox>& mailboxes);

// How a new or edited entry compares with the other lines (`skip` is the
// line being edited, -1 for a new one): the same host, user ID and decoded
// password (all without regard to case), or only the same host.
enum class ProxyDuplicate { None, SameHost, Identical };
struct ProxyMatch {
  ProxyDuplicate kind = ProxyDuplicate::None;
  std::string host;  // the matching line's host
};
ProxyMatch FindProxyDuplicate(const std::vector<ProxyMailbox>& lines, int skip, std::string_view host,
                              std::string_view user, std::string_view password);

}  // namespace tellmar::admin
