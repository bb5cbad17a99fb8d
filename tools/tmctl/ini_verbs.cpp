// tmctl ini ...: reads and edits a settings file with the same semantics as
// the programs (names without regard to case, first of duplicates wins,
// every untouched byte kept, atomic locked writes).
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "common/ini_document.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "tools/tmctl/output.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "ini get FILE SECTION KEY [DEFAULT] | getint FILE SECTION KEY DEFAULT | "
    "set FILE SECTION KEY VALUE | del FILE SECTION [KEY] | sections FILE | keys FILE SECTION";

// The file as the profile calls find it (an existing name of any case).
fs::path Resolved(const std::string& file) {
  const fs::path path(file);
  const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
  return tellmar::ResolveNoCase(parent, path.filename().native());
}

// What the profile calls would quietly read as empty: a file that is a
// directory or cannot be read; a missing file too unless `mayBeMissing`.
std::optional<std::string> ReadProblem(const std::string& file, bool mayBeMissing) {
  const fs::path path = Resolved(file);
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) {
    if (mayBeMissing) return std::nullopt;
    return file + ": " + std::strerror(ENOENT);
  }
  if (!fs::is_regular_file(st)) return file + ": not a regular file";
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return file + ": " + std::strerror(errno);
  std::fclose(f);
  return std::nullopt;
}

int Get(const Args& a) {
  if (a.size() != 4 && a.size() != 5) return Usage(kUsage);
  const bool hasDefault = a.size() == 5;
  if (auto problem = ReadProblem(a[1], hasDefault)) return Fail(*problem);
  const auto doc = tellmar::LoadProfile(a[1]);
  if (auto value = doc->Find(a[2], a[3])) return PrintLine(*value);
  if (hasDefault) return PrintLine(a[4]);
  return Fail("no key '" + a[3] + "' in section [" + a[2] + "] of " + a[1]);
}

int GetInt(const Args& a) {
  if (a.size() != 5) return Usage(kUsage);
  if (auto problem = ReadProblem(a[1], true)) return Fail(*problem);
  int fallback = 0;
  const char* end = a[4].data() + a[4].size();
  if (auto [ptr, ec] = std::from_chars(a[4].data(), end, fallback); ec != std::errc() || ptr != end) {
    return Fail("DEFAULT must be a decimal integer: '" + a[4] + "'");
  }
  return PrintLine(std::to_string(tellmar::GetProfileInt(a[1], a[2], a[3], fallback)));
}

int Set(const Args& a) {
  if (a.size() != 5) return Usage(kUsage);
  if (auto problem = ReadProblem(a[1], true)) return Fail(*problem);
  if (std::error_code ec = tellmar::WriteProfileString(a[1], a[2], a[3], a[4])) {
    return Fail(a[1] + ": cannot set [" + a[2] + "] " + a[3] + ": " + ec.message());
  }
  return 0;
}

int Delete(const Args& a) {
  if (a.size() != 3 && a.size() != 4) return Usage(kUsage);
  if (auto problem = ReadProblem(a[1], false)) return Fail(*problem);
  const std::error_code ec = a.size() == 4
                                 ? tellmar::WriteProfileString(a[1], a[2], a[3], std::nullopt)
                                 : tellmar::DeleteProfileSection(a[1], a[2]);
  if (ec) return Fail(a[1] + ": cannot delete from [" + a[2] + "]: " + ec.message());
  return 0;
}

int Sections(const Args& a) {
  if (a.size() != 2) return Usage(kUsage);
  if (auto problem = ReadProblem(a[1], false)) return Fail(*problem);
  return PrintLines(tellmar::GetProfileSectionNames(a[1]));
}

int Keys(const Args& a) {
  if (a.size() != 3) return Usage(kUsage);
  if (auto problem = ReadProblem(a[1], false)) return Fail(*problem);
  if (!tellmar::LoadProfile(a[1])->HasSection(a[2])) {
    return Fail("no section [" + a[2] + "] in " + a[1]);
  }
  return PrintLines(tellmar::GetProfileKeyNames(a[1], a[2]));
}

int Run(const Args& args) {
  struct Sub {
    std::string_view name;
    VerbFunction run;
  };
  static constexpr Sub kSubs[] = {{"get", Get},   {"getint", GetInt},     {"set", Set},
                                  {"del", Delete}, {"sections", Sections}, {"keys", Keys}};
  if (!args.empty()) {
    for (const Sub& sub : kSubs) {
      if (args[0] == sub.name) return sub.run(args);
    }
  }
  return Usage(kUsage);
}

const Verb kVerb("ini", kUsage, Run);

}  // namespace
}  // namespace tmctl
