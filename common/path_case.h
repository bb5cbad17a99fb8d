// File names that the mail system treats without regard to case. The
// programs write "MAILIN", read "mailin", search "*.TXT" and "*.txt"; on a
// case-sensitive file system an existing entry of any case serves the name.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string_view>

namespace tellmar {

// The existing entry of `dir` whose name equals `name` without regard to
// ASCII case (the exact name first); `dir / name` when there is none, so
// that a new file gets the name as written.
std::filesystem::path ResolveNoCase(const std::filesystem::path& dir, std::string_view name);

// The existing entry of `dir` that ResolveNoCase finds, with its lstat in
// `found`; nullopt when there is none.
std::optional<std::filesystem::path> FindNoCase(const std::filesystem::path& dir, std::string_view name,
                                                struct stat& found);

// Resolves each component of a relative path in turn below `base`; a
// backslash separates components as a slash does.
std::filesystem::path ResolvePathNoCase(const std::filesystem::path& base,
                                        std::string_view relative);

// True for a name that may safely name one entry inside a directory: not
// empty, not "." or "..", no "/", "\", NUL or control byte.
bool IsPlainFileName(std::string_view name);

}  // namespace tellmar
