// The mail store: plain folders under the server directory, one text file per
// message ("%08lx.txt"), and beside it companions with the same base name: the
// envelope (ENV), the lock (LCK) and the TRG file.
//
// Folder and file names match without regard to case (an existing "mailin"
// serves MAILIN, "0000ABCD.TXT" occupies "0000abcd.txt"); new entries get the
// names as written here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar {

// The system folders, relative to the server directory. A backslash separates
// the components as the programs write them; ResolvePathNoCase takes both.
inline constexpr std::string_view kMailInFolder = "MAILIN";
inline constexpr std::string_view kPendingFolder = "PENDING";
inline constexpr std::string_view kOutgoingFolder = "OUTGOING";
inline constexpr std::string_view kRootFolder = "ROOT";
inline constexpr std::string_view kArchiveInboundFolder = "ARCHIVE\\INBOUND";
inline constexpr std::string_view kArchiveOutboundFolder = "ARCHIVE\\OUTBOUND";

enum class FolderKind { System, User, Archive };

struct StoreFolder {
  std::string_view name;         // relative to the server directory
  std::string_view displayName;  // as the administration utility lists it
  FolderKind kind;
};

// The fixed folders in the order the administration utility lists them:
// MAILIN, PENDING, OUTGOING, ROOT, ARCHIVE\INBOUND, ARCHIVE\OUTBOUND.
std::span<const StoreFolder> SystemFolders();

// The folder of a fixed name (any of the above, or a user's folder given by
// its mailbox ID), found without regard to case; the name as written when no
// such folder exists yet.
std::filesystem::path StoreFolderPath(const std::filesystem::path& serverDir,
                                      std::string_view relative);

// A user's mailbox folder. Refuses (nullopt) a mailbox ID that is not a plain
// file name, so that no ID reaches outside the server directory.
std::optional<std::filesystem::path> MailboxFolder(const std::filesystem::path& serverDir,
                                                   std::string_view mailboxId);

// The system's millisecond tick, 32 bits, wrapping as the programs expect.
std::uint32_t MillisecondTick();

// "%08lx.%s": eight lower-case hexadecimal digits, a dot and the extension.
std::string MessageFileName(std::uint32_t number, std::string_view extension);

// The first free name "%08lx.<extension>" in `folder`, counting up from
// `start` (wrapping at 32 bits). A number is taken while any entry of the
// folder has its base name ("%08lx." followed by anything, case ignored), so
// a new message never inherits a stray envelope or lock file. Fails only when
// the folder cannot be listed.
struct ChosenName {
  std::string name;
  std::error_code error;
};
ChosenName ChooseMessageName(const std::filesystem::path& folder, std::string_view extension,
                             std::uint32_t start);

// Companion names. The POP3 server's form cuts the last three characters of
// the name and appends the extension ("0000abcd.txt" -> "0000abcd.env"); the
// administration utility's replaces a final ".TXT" (any case) by the given
// ".ENV", ".LCK" or ".TRG". A name without ".TXT" has no companion in the
// second form (nullopt), so that deleting "its envelope" never deletes it.
inline constexpr std::string_view kMessageExtension = "txt";
inline constexpr std::string_view kEnvelopeExtension = "env";
inline constexpr std::string_view kLockExtension = "lck";
inline constexpr std::string_view kTriggerExtension = "trg";
std::string CompanionByCut(std::string_view messageName, std::string_view extension);
std::optional<std::string> CompanionByReplace(std::string_view messageName,
                                              std::string_view dotExtension);

// The existing companion of a message in `folder` (POP3 form, case ignored),
// or the path it would be created under.
std::filesystem::path CompanionPath(const std::filesystem::path& folder,
                                    std::string_view messageName, std::string_view extension);

// True for a name ending in ".txt" without regard to case.
bool IsMessageFileName(std::string_view name);

// The sender and recipients of a message, each the address text as stored
// (angle brackets and any leading space included).
struct Envelope {
  std::optional<std::string> from;  // the last "MAIL FROM:" line's
  std::vector<std::string> recipients;
};

// Reads envelope text: for each line (CR LF or LF), an upper-cased copy is
// searched for "MAIL FROM:" or "RCPT TO:", and the rest of the unchanged
// line after the tag is the address text. Other lines are ignored.
Envelope ParseEnvelope(std::string_view text);

// Writes "MAIL FROM: <from>" and one "RCPT TO: <to>" per recipient, each
// with CR LF. An address not already in angle brackets gets them.
std::string FormatEnvelope(std::string_view from, const std::vector<std::string>& recipients);

// True for an address that fits on one envelope line: no CR, LF or NUL.
bool IsSafeEnvelopeAddress(std::string_view address);

// Wraps an address in angle brackets unless it is in them already.
std::string BracketAddress(std::string_view address);

// Reads and parses an envelope file; nullopt when it cannot be read.
std::optional<Envelope> ReadEnvelopeFile(const std::filesystem::path& file);

}  // namespace tellmar
