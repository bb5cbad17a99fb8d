// The messages a new network user finds in their mailbox: the welcome
// message (00000001), the network time client (00000002) and the mail alert
// client (00000003), each a message file and its envelope, written straight
// into the user's folder as the mail server would deliver them. Lines end in
// CR LF. Templates and attachments come from the server directory's
// TEMPLATES folder (any case).
//
// Placeholders where the settings give nothing: the domain
// "domain.not.set", the administrator's address "root@domain.not.set"
// (empty in the welcome text's last paragraph), a user address "newuser"
// (with a domain) or "newuser@domain.not.set". The administration address
// in the welcome text is the Postmaster's own (root@DOMAIN, or rootaddr).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tellmar::admin {

struct WelcomeContext {
  std::filesystem::path ini;        // tmhub.ini
  std::filesystem::path serverDir;  // where TEMPLATES is
  std::string serverAddress;        // the server machine's IP address for the time client ("" when unknown)
};

// `folder` is the user's mailbox folder; `section` the user's USER%d record.
// A message file that cannot be created skips that message silently.
void WriteWelcomeMessage(const WelcomeContext& context, std::string_view section,
                         const std::filesystem::path& folder);
void WriteTimeClientMessage(const WelcomeContext& context, std::string_view section,
                            const std::filesystem::path& folder);
void WriteMailAlertMessage(const WelcomeContext& context, std::string_view section,
                           const std::filesystem::path& folder);

// The context of this program: its settings file, server directory and the
// address the registry gives.
WelcomeContext CurrentWelcomeContext();

// The folder a slot's message-file prefix names ("C:\TM\ANNA\" or
// "/srv/tm/ANNA/"), its last component found without regard to case.
std::filesystem::path FolderFromPrefix(std::string_view prefix);

}  // namespace tellmar::admin
