// The dial-up service as the dialler sees it: exactly the operations it
// needs, with the numbers (dial states, error codes) of the Remote Access
// Service so that logs, tables and peers mean the same thing everywhere.
//
// Every call answers at once with an error code (0: success). A dial runs
// asynchronously: its state notifications arrive later through the callback,
// on the thread that runs the backend's event loop, never inside Dial().
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::ras {

// A connection handle; 0 is "no connection". Handles are never reused while
// a backend lives, so a stale handle is reported as invalid, not confused
// with a newer connection.
using ConnHandle = std::uint64_t;

// Dial states, numbered as the Remote Access Service numbers them.
namespace state {
inline constexpr int kOpenPort = 0;
inline constexpr int kPortOpened = 1;
inline constexpr int kConnectDevice = 2;
inline constexpr int kDeviceConnected = 3;
inline constexpr int kAllDevicesConnected = 4;
inline constexpr int kAuthenticate = 5;
inline constexpr int kAuthNotify = 6;
inline constexpr int kAuthRetry = 7;
inline constexpr int kAuthCallback = 8;
inline constexpr int kAuthChangePassword = 9;
inline constexpr int kAuthProject = 10;
inline constexpr int kAuthLinkSpeed = 11;
inline constexpr int kAuthAck = 12;
inline constexpr int kReAuthenticate = 13;
inline constexpr int kAuthenticated = 14;
inline constexpr int kPrepareForCallback = 15;
inline constexpr int kWaitForModemReset = 16;
inline constexpr int kWaitForCallback = 17;
inline constexpr int kProjected = 18;
inline constexpr int kStartAuthentication = 19;
inline constexpr int kInteractive = 4096;
inline constexpr int kRetryAuthentication = 4097;
inline constexpr int kCallbackSetByCaller = 4098;
inline constexpr int kPasswordExpired = 4099;
inline constexpr int kConnected = 8192;
inline constexpr int kDisconnected = 8193;
}  // namespace state

// Error codes the backends return themselves.
namespace error {
inline constexpr int kSuccess = 0;
inline constexpr int kInvalidHandle = 6;  // no such connection (any more)
inline constexpr int kPortAlreadyOpen = 602;
inline constexpr int kBufferTooSmall = 603;
inline constexpr int kCannotOpenPhonebook = 621;
inline constexpr int kCannotFindPhonebookEntry = 623;
inline constexpr int kCannotWritePhonebook = 624;
inline constexpr int kCorruptPhonebook = 625;
inline constexpr int kFirst = 600;  // the service's own codes run from here
inline constexpr int kLast = 752;   // to here
}  // namespace error

// Platform codes of the operating system families the dialler tells apart.
inline constexpr int kPlatformWin32s = 0;
inline constexpr int kPlatformWindows95 = 1;
inline constexpr int kPlatformNT = 2;

// The saved dial parameters of a phonebook entry.
struct DialParams {
  std::string entryName;
  std::string phoneNumber;
  std::string callbackNumber;
  std::string userName;
  std::string password;
  std::string domain;
};

struct Connection {
  ConnHandle handle = 0;
  std::string entryName;
};

struct Enumeration {
  int error = 0;               // kBufferTooSmall when more than the capacity exist
  std::size_t needed = 0;      // how many there are, also on kBufferTooSmall
  std::vector<Connection> connections;
};

struct EntryNames {
  int error = 0;
  std::size_t needed = 0;
  std::vector<std::string> names;
};

struct ConnectStatus {
  int error = 0;  // of the query itself (kInvalidHandle)
  int state = 0;
  int lastError = 0;  // the error the connection failed with, 0 when none
};

struct SavedDialParams {
  int error = 0;
  DialParams params;
  bool passwordSaved = false;  // the service holds a password for the entry
};

class DialUp {
 public:
  // state, error: one notification of a dial in progress.
  using Notify = std::function<void(int state, int error)>;

  virtual ~DialUp() = default;

  // The operating system family the service presents (kPlatform*).
  virtual int PlatformCode() const = 0;

  // Starts dialling params.entryName with the given credentials. On success
  // *handle names the dial at once and notifications follow; an error here
  // means no dial was started and no notification will come.
  virtual int Dial(const DialParams& params, Notify notify, ConnHandle* handle) = 0;

  // Ends a connection or a dial in progress; no notification follows.
  virtual int HangUp(ConnHandle handle) = 0;

  // Active connections (dials in progress included), in the order they were
  // started. More than `capacity` gives kBufferTooSmall and no records.
  virtual Enumeration EnumConnections(std::size_t capacity) const = 0;

  virtual ConnectStatus GetConnectStatus(ConnHandle handle) const = 0;

  // Phonebook entry names in phonebook order; more than `capacity` gives
  // kBufferTooSmall and no names.
  virtual EntryNames EnumEntries(std::size_t capacity) const = 0;

  virtual SavedDialParams GetEntryDialParams(std::string_view entryName) const = 0;
  // Stores the entry's parameters; removePassword forgets its saved password
  // instead of storing params.password.
  virtual int SetEntryDialParams(const DialParams& params, bool removePassword) = 0;

  // The service's text for an error code; nullopt when it has none.
  virtual std::optional<std::string> ErrorString(int code) const = 0;
};

}  // namespace tellmar::ras
