// Whole-file reads and durable writes with errors as values.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tellmar {

// The bytes of a regular file. A directory or other non-regular file is an
// error (is_a_directory / invalid_argument), never an empty read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& file, std::error_code& error);

// Creates `file` (failing when it exists), writes `bytes` and flushes them to
// disk before returning. On failure nothing of the file is left behind.
std::error_code WriteNewFileDurably(const std::filesystem::path& file, std::string_view bytes);

// Renames `from` to `to` unless `to` exists (file_exists), atomically where
// the file system allows it.
std::error_code RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes a directory's entries (a rename in it) to disk.
std::error_code SyncDirectory(const std::filesystem::path& dir);

// A write past the process's file-size limit then fails with EFBIG instead
// of ending the process with SIGXFSZ (unless a handler of the program's own
// is in place). Called before every write of a file that may grow.
void FailWritesPastFileSizeLimit();

}  // namespace tellmar
