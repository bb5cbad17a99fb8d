// The outgoing mail gateways of [Netmailserver]: the default gateway
// Mailserver0 (the same key as MAILSERVER0) and further gateways under
// MAILSERVER1, MAILSERVER2, ... in list order.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tellmar::admin {

inline constexpr std::string_view kGatewaySection = "Netmailserver";
inline constexpr int kGatewayKeysRead = 100;  // MAILSERVER0 to MAILSERVER99

// MAILSERVER0, 1, ... up to 99, stopping at the first key that is missing
// ("None") or empty.
std::vector<std::string> ReadGateways(const std::filesystem::path& settingsFile);

// "MAILSERVER" (any case) followed by digits only.
bool IsNumberedGatewayKey(std::string_view key);

struct GatewayKeys {
  std::vector<std::string> deleted;                          // first
  std::vector<std::pair<std::string, std::string>> written;  // then, in order
};

// What storing the list does to the section, given the key names it holds
// now: every numbered gateway key goes, however high its number, so that a
// shorter list never leaves an old gateway behind; then the default line
// becomes Mailserver0 and each listed gateway that is not the default is
// numbered from 1 in list order.
GatewayKeys PlanGatewayKeys(const std::vector<std::string>& presentKeys, const std::string& defaultGateway,
                            const std::vector<std::string>& gateways);

}  // namespace tellmar::admin
