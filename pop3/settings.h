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
};

PopSettings ReadPopSettings(const std::filesystem::path& serverDir);

}  // namespace tellmar::pop3
