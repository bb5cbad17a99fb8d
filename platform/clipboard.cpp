#include "platform/clipboard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "common/file_bytes.h"
#include "platform/desktop.h"

namespace tellmar {
namespace {

std::filesystem::path ClipboardFile() { return DesktopDirectory() / "clipboard"; }

}  // namespace

std::error_code SetClipboardText(std::string_view text) {
  const std::filesystem::path dir = DesktopDirectory();
  if (auto error = PrepareDesktopDirectory(dir)) return error;
  // Written beside and renamed over, so a reader never sees half a copy.
  const std::filesystem::path file = ClipboardFile();
  const std::filesystem::path partial = dir / ("clipboard." + std::to_string(::getpid()) + ".new");
  std::error_code error;
  std::filesystem::remove(partial, error);
  if (auto e = WriteNewFileDurably(partial, text)) return e;
  ::chmod(partial.c_str(), 0600);
  std::filesystem::rename(partial, file, error);
  return error;
}

std::optional<std::string> GetClipboardText() {
  std::error_code error;
  auto bytes = ReadFileBytes(ClipboardFile(), error);
  if (error) return std::nullopt;
  return bytes;
}

}  // namespace tellmar
