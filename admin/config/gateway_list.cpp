#include "admin/config/gateway_list.h"

#include "common/ascii.h"
#include "common/profile.h"

namespace tellmar::admin {
namespace {
constexpr std::string_view kPrefix = "MAILSERVER";
}  // namespace

std::vector<std::string> ReadGateways(const std::filesystem::path& settingsFile) {
  std::vector<std::string> gateways;
  for (int n = 0; n < kGatewayKeysRead; ++n) {
    std::string value =
        GetProfileString(settingsFile, kGatewaySection, std::string(kPrefix) + std::to_string(n), "None");
    if (value == "None" || value.empty()) break;
    gateways.push_back(std::move(value));
  }
  return gateways;
}

bool IsNumberedGatewayKey(std::string_view key) {
  if (key.size() <= kPrefix.size() || !EqualsNoCase(key.substr(0, kPrefix.size()), kPrefix)) return false;
  return key.find_first_not_of("0123456789", kPrefix.size()) == std::string_view::npos;
}

GatewayKeys PlanGatewayKeys(const std::vector<std::string>& presentKeys, const std::string& defaultGateway,
                            const std::vector<std::string>& gateways) {
  GatewayKeys plan;
  for (const std::string& key : presentKeys)
    if (IsNumberedGatewayKey(key)) plan.deleted.push_back(key);
  plan.written.emplace_back("Mailserver0", defaultGateway);
  int number = 1;
  for (const std::string& gateway : gateways)
    if (gateway != defaultGateway)
      plan.written.emplace_back(std::string(kPrefix) + std::to_string(number++), gateway);
  return plan;
}

}  // namespace tellmar::admin
