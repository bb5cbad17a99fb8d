#include "admin/routing/address_lists.h"

#include <system_error>

#include "admin/shell/admin_state.h"
#include "admin/shell/system_services.h"
#include "common/path_case.h"

namespace tellmar::admin {

std::filesystem::path ListDirectory() {
  const std::filesystem::path dir = ResolveNoCase(ServerDirectoryPath(), "LISTS");
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) std::filesystem::create_directories(dir, ec);
  return dir;
}

std::vector<std::string> AddressListFiles(const std::filesystem::path& dir) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const std::string& name : MatchingNames(dir, "*.LST"))
    if (std::filesystem::is_regular_file(dir / name, ec)) files.push_back(name);
  return files;
}

}  // namespace tellmar::admin
