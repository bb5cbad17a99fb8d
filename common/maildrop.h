// The maildrop: the POP3 server's list of one user's messages for one
// session, built once at login from the mailbox folder and kept in memory.
//
// Entries are numbered from 1 in name order without regard to case (see
// common/name_order.h), which is delivery order for the store's names; the
// numbering, sizes and deleted marks never change except through Mark and
// ClearMarks. Only Commit touches the disk, and only for marked entries whose
// file is still the one that was listed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar {

struct MaildropEntry {
  std::string fileName;  // name inside the mailbox folder, as found
  int number = 0;        // 1-based, fixed for the session
  std::uint32_t size = 0;  // file length when listed (low 32 bits)
  bool deleted = false;
  // Identity of the file when listed; commit deletes only this file.
  dev_t device = 0;
  ino_t inode = 0;
  // Whether the file goes on the wire byte for byte as stored, once a
  // transfer has found out, with the file state it was found for: a file
  // changed since then is looked at again.
  struct WireForm {
    bool asStored = false;
    ino_t inode = 0;
    std::uint64_t length = 0;
    std::int64_t modifiedNs = 0;
  };
  std::optional<WireForm> wireForm;
  // Last modification when listed, for the message's unique ID.
  std::int64_t modifiedSeconds = 0;
  long modifiedNanoseconds = 0;
};

struct MaildropTotals {
  int count = 0;
  std::uint64_t octets = 0;
};

// An open message file; closes itself.
class MessageFile {
 public:
  MessageFile() = default;
  explicit MessageFile(int fd) : fd_(fd) {}
  MessageFile(MessageFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  MessageFile& operator=(MessageFile&& other) noexcept;
  MessageFile(const MessageFile&) = delete;
  MessageFile& operator=(const MessageFile&) = delete;
  ~MessageFile();

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void Close();

 private:
  int fd_ = -1;
};

class Maildrop {
 public:
  Maildrop() = default;

  // Lists the folder named `mailboxId` (found without regard to case) in
  // `serverDir`: every non-empty regular "*.txt" file without a lock file
  // beside it. A missing folder gives an empty maildrop; a folder that
  // cannot be read is an error.
  static std::optional<Maildrop> Build(const std::filesystem::path& serverDir,
                                       std::string_view mailboxId, std::error_code& error);
  // The same for a folder already found (its name as on disk).
  static std::optional<Maildrop> BuildFolder(std::filesystem::path folder, std::error_code& error);

  const std::vector<MaildropEntry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }

  // The entry numbered n, or nullptr when n is outside 1..size().
  const MaildropEntry* Find(std::uint64_t n) const;

  // Sets the deleted mark of entry n (which must exist).
  void Mark(int n);
  void ClearMarks();
  // Keeps what a transfer found out about entry n's file (n must exist).
  void NoteWireForm(int n, const MaildropEntry::WireForm& form);

  MaildropTotals Live() const;  // entries without the deleted mark
  MaildropTotals All() const;

  // Opens an entry's file for reading, bytes as stored.
  MessageFile Open(const MaildropEntry& entry) const;

  // Deletes every marked message and its envelope, in list order. A message
  // whose file has been replaced since it was listed, or that carries a lock
  // file now, is left alone. Failures are silent. Returns the number of
  // messages deleted.
  int Commit() const;

  // Frees the list.
  void Release();

  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  std::vector<MaildropEntry> entries_;
};

// The name of a message's companion file: the message file name with its
// last three characters replaced by `extension` ("lck", "env").
std::string CompanionName(std::string_view messageFileName, std::string_view extension);

}  // namespace tellmar
