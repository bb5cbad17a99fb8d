#include "dialer/error_table.h"

#include <iterator>

namespace tellmar::dialer {
namespace {

using X = ErrorExtra;
constexpr std::string_view F = "FAIL";
constexpr std::string_view B = "BUSY";
constexpr std::string_view kUndefined = "Undefined error";

// Plain rows log, list and send their log text, then "FAIL".
constexpr ErrorRow Plain(int first, int last, std::string_view text) {
  return {first, last, text, text, text, {}, {}, F, X::kNone};
}
// Rows that send no failure text.
constexpr ErrorRow Silent(int first, int last, std::string_view text, std::string_view action = {}) {
  return {first, last, text, text, {}, action, {}, F, X::kNone};
}
// Rows that only list, and send neither failure text nor result word.
constexpr ErrorRow ListOnly(int code, std::string_view text, std::string_view action = {}) {
  return {code, code, {}, text, {}, action, {}, {}, X::kNone};
}
constexpr ErrorRow Told(int first, int last, std::string_view text, std::string_view fail,
                        std::string_view action = {}, X extra = X::kNone) {
  return {first, last, text, text, fail, action, {}, F, extra};
}

constexpr ErrorRow kRows[] = {
    Silent(601, 601, "Invalid port requested"),
    {602, 602, "Port already open", "Port already open", "Requested port already open", {}, {}, B, X::kNone},
    Plain(603, 607, kUndefined),
    Plain(608, 608, "Device does not exist"),
    Plain(609, 613, kUndefined),
    Plain(614, 614, "Out of buffers"),
    Silent(615, 615, "Port not found"),
    Plain(616, 616, kUndefined),
    ListOnly(617, "Already disconnecting"),
    ListOnly(618, "Port not open"),
    Told(619, 619, "Port disconnected", "Port disconnected unexpectedly"),
    Plain(620, 620, kUndefined),
    Told(621, 621, "Cannot open Phonebook", "Unable to open phonebook"),
    ListOnly(622, "Unable to load phone book"),
    Told(623, 623, "Phonebook entry missing", "Cannot locate phone book"),
    Told(624, 625, "Corrupt phonebook", "Phonebook is corrupted"),
    Plain(626, 627, kUndefined),
    ListOnly(628, "Disconnection error encountered"),
    {629, 629, "Remote system disconnected", "Disconnected by Host system", "Remote system disconnected",
     "**Fatal error** - Host disconnected", "**Fatal error** - Hardware", F, X::kNone},
    Silent(630, 630, "Hardware failure", "**Fatal error** - Hardware"),
    Told(631, 631, "User disconnected", "Disconnected by user", "User disconnected - no further attempts"),
    Plain(632, 632, kUndefined),
    Told(633, 633, "Port not available", "Port not available", "**Fatal error** - No port", X::kPostHangUpFirst),
    Plain(634, 637, kUndefined),
    Told(638, 638, "Timeout occured", "Request timed out"),
    Plain(639, 640, kUndefined),
    Silent(641, 641, "Server out of resources", "**Fatal error** - Server unable to respond"),
    Silent(642, 642, "Name already exists on net"),
    Silent(643, 643, "Server general failure", "**Fatal error** - General network failure"),
    Plain(644, 645, kUndefined),
    Told(646, 646, "Login hours restricted", "Restricted login hours exceeded",
         "**Fatal error** - Outside approved hours"),
    Told(647, 647, "This account is disabled", "Account is not enabled", "**Fatal error** - Account disabled"),
    Told(648, 648, "Password has expired", "Password has expired", "**Fatal error** - Password expired",
         X::kPasswordDialogFirst),
    {649, 649, "No dial in permission", "No dial in permission", {}, "**Fatal error** - No dial-in permission",
     {}, {}, X::kNone},
    Told(650, 650, "Server not responding", "Server is not responding"),
    Silent(651, 664, "General RAS/DUN failure"),
    Told(665, 665, "Port not configured", "Port not configured correctly", "**Fatal error** - port not configured"),
    Told(666, 666, "Device not ready", "Modem/Device not ready", "**Fatal error** - Device not ready"),
    Plain(667, 667, kUndefined),
    Told(668, 668, "No Connection", "No connection"),
    Silent(669, 675, "General configuration error"),
    Told(676, 676, "Line is busy", "Line is currently busy", {}, X::kDisconnectAny),
    Told(677, 677, "Voice answer received", "Voice answer received", {}, X::kDisconnectAnyThenFailed),
    Told(678, 678, "No answer received", "No answer from number dialled", {}, X::kDisconnectAnyThenFailed),
    Told(679, 679, "No carrier signal", "No carrier", {}, X::kDisconnectAnyThenFailed),
    Told(680, 680, "No dial tone", "No dial tone", {}, X::kDisconnectAnyThenFailed),
    Plain(681, 681, "Error in command"),
    Told(682, 684, "Bad device name", "Error writing device name"),
    Plain(685, 690, kUndefined),
    Plain(691, 691, "Authentication failed"),
    Told(692, 692, "Bad port or device", "Invalid port or device", "**Fatal error** - port/device not there"),
    Plain(693, 694, kUndefined),
    {695, 695, "State machines not started", "State machines not started", {}, {}, {}, {}, X::kNone},
    Plain(696, 696, "State machines already started"),
    {697, 703, kUndefined, {}, kUndefined, "**Fatal error** - General PPP failure", {}, F, X::kNone},
    Plain(704, 704, "Bad callback number"),
    {705, 707, "X25 diagnostics failed", "X25 diagnostics failed", {}, "**Fatal error** - X25 failure", {}, {},
     X::kNone},
    Told(708, 708, "Account has expired", "Account has expired", "**Fatal error** - account expired"),
    {709, 709, {}, {}, "Unable to change password", {}, {}, F, X::kDisconnectAnyThenPassword},
    Plain(710, 710, "Overrun encountered"),
    Silent(711, 711, "RAS/DUN system general failure"),
    Plain(712, 712, "Biplex port not available"),
    Told(713, 713, "No active ISDN lines found", "No Active ISDN lines", "**Fatal error** - No active ISDN lines"),
    Told(714, 714, "Not enough ISDN channels", "No ISDN channels available", "**Fatal error** - No ISDN channels"),
    Silent(715, 715, "Too many line errors"),
    Told(716, 716, "IP Configuration incorrect", "IP configuration invalid"),
    {717, 717, "No IP address", "No IP address", {}, {}, {}, {}, X::kNone},
    Told(718, 718, "PPP timeout", "PPP timed out", "**Fatal error** - PPP protocol failed"),
    Told(719, 719, "PPP terminated by remote host", "PPP terminated by remote system",
         "**Fatal error** - PPP terminated by host"),
    Silent(720, 730, "General protocol failure", "**Fatal error** - General protocol failure"),
    {731, 731, "Server returned - PROTOCOL_NOT_CONFIGURED", "PROTOCOL_NOT_CONFIGURED", {},
     "Server returned PROTOCOL_NOT_CONFIGURED", {}, {}, X::kProtocolNotConfigured},
    Silent(732, 743, "General PPP protocol failure", "**Fatal error** - General PPP failure"),
    {744, 744, {}, {}, {}, {}, {}, {}, X::kNone},
};

}  // namespace

const ErrorRow* FindErrorRow(int code) {
  for (const auto& row : kRows)
    if (code >= row.first && code <= row.last) return &row;
  return nullptr;
}

}  // namespace tellmar::dialer
