#include "admin/routing/list_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <system_error>

#include "admin/routing/address_lists.h"
#include "common/ascii.h"
#include "common/file_bytes.h"
#include "common/ini_document.h"
#include "common/path_case.h"
#include "common/profile.h"

namespace tellmar::admin {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kArrow = " -> ";
constexpr int kAliasScanMax = 32000;

std::string FileName(std::string_view name) { return AsciiUpper(name) + ".LST"; }

// The existing file of a list in any case, or the name as a new file gets it.
fs::path ListPath(const fs::path& dir, std::string_view name) { return ResolveNoCase(dir, FileName(name)); }

}  // namespace

std::vector<std::string> ListNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const std::string& file : AddressListFiles(dir)) names.push_back(AsciiUpper(file.substr(0, file.size() - 4)));
  return names;
}

std::optional<std::string> CheckListName(std::string_view name) {
  if (name.find('.') != std::string_view::npos)
    return "An address list cannot contain a period '.' in the name\r\nplease change the name you have entered...";
  if (name.find(' ') != std::string_view::npos)
    return "An address list cannot contain a space in the name\r\nplease change the name you have entered...";
  return std::nullopt;
}

std::optional<std::string> CreateListFile(const fs::path& dir, std::string_view name) {
  const fs::path path = ListPath(dir, name);
  std::error_code ec;
  if (fs::exists(path, ec))
    return "An address list with the name [" + AsciiUpper(path.string()) + "] already exists...";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return "Creation of address list [" + AsciiUpper(path.string()) + "] failed...";
  ::close(fd);
  return std::nullopt;
}

std::optional<ListText> LoadListText(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  auto bytes = ReadFileBytes(ListPath(dir, name), ec);
  if (!bytes) return std::nullopt;
  ListText out;
  out.tooLarge = bytes->size() > kListEditorMax;
  if (out.tooLarge) {
    bytes->resize(kListEditorMax);
    *bytes += kListTooLarge;
  }
  out.text = std::move(*bytes);
  return out;
}

bool SaveListText(const fs::path& dir, std::string_view name, std::string_view text) {
  if (text.size() >= kListEditorMax) return false;  // the editor never holds more
  std::ofstream out(ListPath(dir, name), std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return !out.fail();
}

bool CopyList(const fs::path& dir, std::string_view from, std::string_view to) {
  std::error_code ec;
  const fs::path target = ListPath(dir, to);
  if (fs::exists(target, ec)) return false;
  return fs::copy_file(ListPath(dir, from), target, ec) && !ec;
}

bool RenameList(const fs::path& dir, std::string_view from, std::string_view to) {
  std::error_code ec;
  const fs::path source = ListPath(dir, from), target = ListPath(dir, to);
  if (fs::exists(target, ec) && !fs::equivalent(source, target, ec)) return false;
  fs::rename(source, dir / FileName(to), ec);
  return !ec;
}

bool DeleteList(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  return fs::remove(ListPath(dir, name), ec);
}

bool CarryListRename(const fs::path& settingsFile, std::string_view from, std::string_view to) {
  const auto doc = LoadProfile(settingsFile);
  ProfileBatch batch(settingsFile);
  for (int n = 0; n < kAliasScanMax; ++n) {
    const std::string key = "ALIAS" + std::to_string(n);
    const auto value = doc->Find("ADDRESS-ALIAS", key);
    if (!value) break;
    const std::size_t arrow = value->find(kArrow);
    if (arrow == std::string_view::npos) continue;
    const std::size_t start = arrow + kArrow.size();
    const std::size_t end = value->find(" ,", start);
    if (end == std::string_view::npos || !EqualsNoCase(value->substr(start, end - start), from)) continue;
    batch.Write("ADDRESS-ALIAS", key,
                std::string(value->substr(0, start)) + AsciiUpper(to) + std::string(value->substr(end)));
  }
  return batch.empty() || !batch.Commit();
}

}  // namespace tellmar::admin
