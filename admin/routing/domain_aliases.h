// Domain aliases ([DOMAIN-ALIAS] ALIAS%d = domain " -> " target suffix) and
// the two pages of the "Mail routing" sheet after the filters: "Domain
// Aliasing" and "Undeliverable mail" ([badmailopts] opts, baduser, bounce).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/propsheet.h"

namespace tellmar::admin {

enum class AliasScope { Internal, External, Both };

struct DomainAlias {
  std::string domain;
  std::string target;
  AliasScope scope = AliasScope::Both;
};

std::string DomainAliasValue(const DomainAlias& alias);
// Any suffix other than the internal or external one reads as both.
DomainAlias ParseDomainAlias(std::string_view value);

struct AliasRefusal {
  std::string caption;
  std::string text;
};
// The checks of Save Alias, in their order; nullopt when the domain is valid.
std::optional<AliasRefusal> CheckAliasDomain(std::string_view domain);

std::vector<std::string> ReadDomainAliases(const std::filesystem::path& settingsFile);

PROPSHEETPAGE MakeDomainAliasPage();
PROPSHEETPAGE MakeUndeliverablePage();

}  // namespace tellmar::admin
