// What the setup wizard collects on its pages, where its fields start from,
// the Portlow proxy detection, and the Finish that writes it all.
//
// Choices of this implementation:
//  - the pages start from what tmhub.ini already holds, with the Internet
//    access defaults (POP3 and SMTP servers started on loading when the keys
//    are missing);
//  - the administration flags of [General] (INTADMINOK, EXTADMINOK, TMSecure,
//    SaveToAdmin, ALLOWXOK) are made sure of at Finish, with the rest, so
//    that a cancelled wizard writes nothing;
//  - an empty server directory gets the postmaster's record USER0 as a new
//    installation has it ("(System Postmaster)", ID root, DIR ROOT, no
//    password, active) and its folder ROOT: without USER0 every reader of the
//    user directory stops before the first user, who could never log in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "admin/config/domain_settings.h"
#include "admin/users/network_users.h"
#include "admin/users/welcome_messages.h"

namespace tellmar::admin {

inline constexpr std::size_t kWizardPasswordLimit = 63;  // the first user's password
inline constexpr std::string_view kProxySettingsFile = "prtlow.ini";

struct WizardChoices {
  // Page 1: the domain.
  DomainView domain;
  // Page 2: the server's default operations.
  bool urgent = false, collectOnline = false, loadPop3 = true, loadSmtp = true, checkOnLoad = false,
       archiveIn = false, archiveOut = false;
  // Page 3: the connection type.
  bool internalOnly = false, dialup = false;
  // Page 4: the dial-up options.
  std::string dialupEntry;
  bool disconnect = true, showLog = false, closeLog = false, unloadHandler = false;
  std::string timeout = "120", retries = "3", retryWait = "15";
  // Page 5: the external mailbox; page 6: the SMTP gateway.
  std::string popHost, popUser, popPassword;
  bool leaveOnServer = false, useEnv = true;
  std::string smtpGateway;
  bool proxyChosen = false;  // the fields were filled from prtlow.ini
  // Page 7: the first network user (real name, e-mail address, POP user
  // ID, password, external mail, alerts with port and address).
  NetworkUser user;
};

// The pages' first values, from tmhub.ini.
WizardChoices ReadWizardChoices(const std::filesystem::path& ini);

// The proxy's two ports when prtlow.ini (in `workingDir`, any case) has its
// web server and both loops configured: POP3 is LOOP1's Inport, SMTP LOOP0's.
struct ProxyPorts {
  std::string pop3, smtp;
};
std::optional<ProxyPorts> DetectProxy(const std::filesystem::path& workingDir);
// Points the external servers at the proxy on this machine.
void UseProxy(WizardChoices& choices, const ProxyPorts& ports, const std::string& hostName);

// The record the first user is stored in: USER0 when, with multiple
// domains, the address is the administrator's own; otherwise USER1.
int FirstUserRecord(const WizardChoices& choices);

// Finish: writes every page's settings in their order, the first user's
// record and folder, the postmaster's record when the server has none, the
// welcome message, then [servermailstatus] updated and RemoteUpdate.
std::error_code FinishWizard(const WizardChoices& choices, const std::filesystem::path& ini,
                             const std::filesystem::path& serverDir, const WelcomeContext& welcome);

}  // namespace tellmar::admin
