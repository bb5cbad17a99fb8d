// The server's addressing mode: one local domain (every user record stores
// only the part of the address before "@") or multiple domains (records
// store full addresses and the postmaster's address begins with "root@").
// What the domain page shows, the checks of its apply and of the setup
// wizard's first page, and the rewrite of every user record's ID when the
// mode changes, written as one replacement of tmhub.ini.
//
// Choices of this implementation:
//  - the placeholder domain, the default of [Environment] Domain and (as
//    "root@" + it) of RootAddr, is "domain.not.set", as in the welcome
//    messages;
//  - the example domain the wizard's messages show is "yourcompany.com".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tellmar::admin {

inline constexpr std::string_view kPlaceholderDomain = "domain.not.set";
inline constexpr std::string_view kExampleDomain = "yourcompany.com";
inline constexpr std::size_t kDomainTextRead = 256;  // edit 1047 and the records' IDs
inline constexpr std::size_t kOldDomainRead = 64;    // [Environment] Domain when noting the old domain
inline constexpr int kRewriteMax = 32000;            // user records the rewrite visits (0 .. 32000)

// What the page shows: the mode, edit 1047 and the registered-domain box.
struct DomainView {
  bool single = true;
  std::string text;
  bool registered = false;
};

// Shown from the settings: UseDomain "-1" (the default) is single mode with
// Domain in the edit, anything else multiple mode with RootAddr.
DomainView ReadDomainView(const std::filesystem::path& ini);
// The edit's text for a mode, as a toggle of 1046 reloads it.
std::string StoredDomainText(const std::filesystem::path& ini, bool single);

// A refused entry: the box and, for the root-user rule, the text the edit
// gets instead of what was typed.
struct DomainRefusal {
  std::string caption, text;
  std::optional<std::string> replacement;
};

// The property page's apply checks (empty field; in multiple-domain mode an
// address whose upper-cased text holds no "ROOT@").
std::optional<DomainRefusal> CheckDomainApply(bool single, std::string_view text);

// The setup wizard's checks of its first page, in their order.
std::optional<DomainRefusal> CheckWizardDomain(bool single, std::string_view text);

// The administrator's address an accepted multiple-domain entry stands for:
// "root@" + a bare domain, else "root" + the text from its "@" on.
std::string RootAddressFor(std::string_view text);

// Writes an accepted entry: mode, Domain or RootAddr (and user0's ID),
// RegDomain, every user record's ID rewritten when the mode changed, and
// [environment] RemoteUpdate when `remoteUpdate`; one replacement of the
// file. The entry must have passed CheckDomainApply.
std::error_code ApplyDomainSettings(const std::filesystem::path& ini, const DomainView& entry, bool remoteUpdate);

}  // namespace tellmar::admin
