#include "dialer/entry_list.h"

#include <fstream>
#include <limits>

namespace tellmar::dialer {

ras::EntryNames LoadEntryNames(const ras::DialUp& dialUp) {
  const std::size_t capacity = dialUp.PlatformCode() == ras::kPlatformNT
                                   ? kEntryRecordsNT
                                   : std::numeric_limits<std::size_t>::max();
  return dialUp.EnumEntries(capacity);
}

std::error_code WriteEntryListFile(const std::filesystem::path& file,
                                   const std::vector<std::string>& names) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return std::make_error_code(std::errc::no_such_file_or_directory);
  for (const auto& name : names) out << name << "\r\n";
  out.close();
  if (!out) return std::make_error_code(std::errc::io_error);
  return {};
}

}  // namespace tellmar::dialer
