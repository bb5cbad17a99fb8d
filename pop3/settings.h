// The server's start-up settings from tmhub.ini, read once.
#pragma once

#include <cstdint>
#include <filesystem>

namespace tellmar::pop3 {

// Enough for every mail program of one office machine, too few for one
// machine to take the server's descriptors from everyone else.
inline constexpr int kDefaultMaxPerAddress = 20;

struct PopSettings {
  bool serviceMode = false;       // environment RunAsService nonzero: no tray icon
  std::uint16_t port = 110;       // popsrv port
  bool bindHostAddress = true;    // popsrv bind exactly 1: listen on the host's own address
  long long mailboxTimeout = 300;  // popsrv timeout (minutes) in seconds; 0: off
  long long inactivityTimeout = 0;  // popsrv SmtpTimeout in seconds; 0: off
  // popsrv MaxPerAddress: connections one client address may hold at once; 0: no cap.
  long long maxPerAddress = kDefaultMaxPerAddress;

  // popsrv ModernClients nonzero: what today's mail programs expect (CAPA,
  // UIDL, STLS, AUTH PLAIN, POP3S, the message ending of RFC 1939). Off, the
  // server answers exactly as it always has and none of the keys below is used.
  bool modernClients = false;
  // popsrv CertFile / KeyFile: PEM files, relative to the server directory.
  // Without a certificate there is no STLS and no POP3S.
  std::filesystem::path certFile, keyFile;
  // popsrv SecurePort: POP3 over TLS from the first byte; 0: none.
  std::uint16_t securePort = 995;
  // popsrv RequireTLS nonzero: USER, PASS and AUTH are refused on a plain
  // connection, except from a loopback address.
  bool requireTls = false;

  bool TlsConfigured() const { return modernClients && !certFile.empty(); }
};

PopSettings ReadPopSettings(const std::filesystem::path& serverDir);

}  // namespace tellmar::pop3
