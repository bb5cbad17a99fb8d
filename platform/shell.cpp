#include "platform/shell.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "common/profile.h"
#include "platform/operator.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;

constexpr int kStarted = 33;

bool IsExecutableFile(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> SplitBlanks(std::string_view text) {
  std::vector<std::string> words;
  std::istringstream in{std::string(text)};
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

std::string Home() { return Env("HOME", "/"); }

std::vector<fs::path> SplitDirs(const std::string& list) {
  std::vector<fs::path> dirs;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t colon = list.find(':', start);
    if (colon == std::string::npos) colon = list.size();
    if (colon > start) dirs.emplace_back(list.substr(start, colon - start));
    start = colon + 1;
  }
  return dirs;
}

// The data directories of the desktop, the user's own first.
std::vector<fs::path> DataDirs() {
  std::vector<fs::path> dirs{Env("XDG_DATA_HOME", (Home() + "/.local/share").c_str())};
  for (auto& d : SplitDirs(Env("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))) dirs.push_back(d);
  return dirs;
}

// Detached: the intermediate child starts the program in a session of its
// own and exits at once, so the program is reaped by init, not left to us.
int Spawn(const std::vector<std::string>& argv, std::string_view directory) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return 0;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return 0;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    if (!directory.empty() && ::chdir(std::string(directory).c_str()) != 0) {
      const int code = SE_ERR_PNF;
      [[maybe_unused]] auto n = ::write(report[1], &code, sizeof code);
      ::_exit(127);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    const int code = SE_ERR_FNF;
    [[maybe_unused]] auto n = ::write(report[1], &code, sizeof code);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  int code = 0;
  const ssize_t got = ::read(report[0], &code, sizeof code);  // EOF: the exec went through
  ::close(report[0]);
  return got == static_cast<ssize_t>(sizeof code) ? code : kStarted;
}

fs::path InDirectory(std::string_view file, std::string_view directory) {
  fs::path p{std::string(file)};
  if (p.is_relative() && !directory.empty()) p = fs::path(std::string(directory)) / p;
  return p;
}

// The MIME type of a file name by the glob patterns (highest weight, then
// the longest pattern).
std::optional<std::string> MimeTypeOf(const std::string& name) {
  std::optional<std::string> best;
  int bestWeight = -1;
  std::size_t bestLength = 0;
  for (const fs::path& dir : DataDirs()) {
    std::ifstream in(dir / "mime" / "globs2");
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream fields(line);
      std::string weight, type, glob;
      if (!std::getline(fields, weight, ':') || !std::getline(fields, type, ':') || !std::getline(fields, glob, ':'))
        continue;
      const int w = std::atoi(weight.c_str());
      if (::fnmatch(glob.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
      if (w > bestWeight || (w == bestWeight && glob.size() > bestLength)) {
        best = type;
        bestWeight = w;
        bestLength = glob.size();
      }
    }
  }
  return best;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::istringstream in(list);
  for (std::string item; std::getline(in, item, ';');)
    if (!item.empty()) items.push_back(item);
  return items;
}

std::optional<fs::path> DesktopFile(const std::string& id) {
  for (const fs::path& dir : DataDirs()) {
    fs::path p = dir / "applications" / id;
    if (fs::exists(p)) return p;
  }
  return std::nullopt;
}

// The desktop file ids that open a type, the user's choices first.
std::vector<std::string> ApplicationsFor(const std::string& type) {
  std::vector<fs::path> lists{fs::path(Env("XDG_CONFIG_HOME", (Home() + "/.config").c_str())) / "mimeapps.list"};
  for (auto& d : SplitDirs(Env("XDG_CONFIG_DIRS", "/etc/xdg"))) lists.push_back(d / "mimeapps.list");
  for (auto& d : DataDirs()) lists.push_back(d / "applications" / "mimeapps.list");
  std::vector<std::string> ids;
  for (const fs::path& list : lists)
    for (auto& id : SplitList(GetProfileString(list, "Default Applications", type, "")))
      ids.push_back(id);
  for (auto& d : DataDirs())
    for (auto& id : SplitList(GetProfileString(d / "applications" / "mimeinfo.cache", "MIME Cache", type, "")))
      ids.push_back(id);
  return ids;
}

}  // namespace

fs::path FindOnSearchPath(std::string_view name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) {
    fs::path p{std::string(name)};
    return IsExecutableFile(p) ? p : fs::path();
  }
  for (const fs::path& dir : SplitDirs(Env("PATH", "/usr/local/bin:/usr/bin:/bin"))) {
    fs::path p = dir / std::string(name);
    if (IsExecutableFile(p)) return p;
  }
  return {};
}

int StartProgram(std::string_view program, std::string_view parameters, std::string_view directory) {
  const fs::path path = FindOnSearchPath(program);
  if (path.empty()) return SE_ERR_FNF;
  std::error_code ec;
  if (!directory.empty() && !fs::is_directory(fs::path(std::string(directory)), ec)) return SE_ERR_PNF;
  std::vector<std::string> argv{path.string()};
  for (auto& word : SplitBlanks(parameters)) argv.push_back(word);
  return Spawn(argv, directory);
}

bool OpenHelpFile(HWND owner, const fs::path& file, int context) {
  std::error_code ec;
  if (!file.empty() && fs::is_regular_file(file, ec)) {
    setenv("TELLMAR_HELP_CONTEXT", std::to_string(context).c_str(), 1);
    if (OpenInViewer(file.string()) > 32) return true;
  }
  MessageBox(owner, "Cannot open the help file " + file.string(), "Help", MB_OK | MB_ICONSTOP);
  return false;
}

int OpenInViewer(std::string_view file) {
  const std::string viewer = Env("TELLMAR_VIEWER", "xdg-open");
  const fs::path path = FindOnSearchPath(viewer);
  if (path.empty()) return SE_ERR_NOASSOC;
  return Spawn({path.string(), std::string(file)}, {});
}

int ShellExecute(HWND, std::string_view, std::string_view file, std::string_view parameters,
                 std::string_view directory, int) {
  const fs::path path = InDirectory(file, directory);
  if (IsExecutableFile(path)) return StartProgram(path.string(), parameters, directory);
  std::error_code ec;
  if (!fs::exists(path, ec)) return fs::exists(path.parent_path().empty() ? "." : path.parent_path(), ec) ? SE_ERR_FNF : SE_ERR_PNF;
  return OpenInViewer(path.string());
}

int FindExecutable(std::string_view file, std::string_view directory, std::string& program) {
  program.clear();
  const fs::path path = InDirectory(file, directory);
  std::error_code ec;
  if (file.empty() || !fs::exists(path, ec)) return SE_ERR_FNF;
  if (IsExecutableFile(path)) {
    program = path.string();
    return kShellSuccess;
  }
  const auto type = MimeTypeOf(path.filename().string());
  if (!type) return SE_ERR_NOASSOC;
  for (const std::string& id : ApplicationsFor(*type)) {
    const auto desktop = DesktopFile(id);
    if (!desktop) continue;
    const auto words = SplitBlanks(GetProfileString(*desktop, "Desktop Entry", "Exec", ""));
    if (words.empty()) continue;
    const fs::path found = FindOnSearchPath(words.front());
    if (found.empty()) continue;
    program = found.string();
    return kShellSuccess;
  }
  return SE_ERR_NOASSOC;
}

}  // namespace tellmar
