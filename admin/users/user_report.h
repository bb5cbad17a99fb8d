// The configuration and user report "userrep.vcf": a plain-text summary of
// the server's set-up and every network user, written into the working
// directory of the program that makes it (lines end in CR LF) and shown in
// the text viewer.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tellmar::admin {

// The report's text for the settings file `ini` of the server directory
// `serverDir`, dated `when` (the 24-character date form and a line end).
std::string UserReportText(const std::filesystem::path& ini, const std::string& serverDir, const std::string& when);

// Replaces `directory`/userrep.vcf with the report dated now; answers the
// path, or nullopt when the file could not be written (none is left).
std::optional<std::filesystem::path> WriteUserReport(const std::filesystem::path& ini, const std::string& serverDir,
                                                     const std::filesystem::path& directory);

}  // namespace tellmar::admin
