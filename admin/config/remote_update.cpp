#include "admin/config/remote_update.h"

namespace tellmar::admin {
namespace {
constexpr std::string_view kSection = "environment", kKey = "RemoteUpdate", kOn = "-1";
}  // namespace

void AddRemoteUpdate(ProfileBatch& batch) { batch.Write(kSection, kKey, kOn); }

std::error_code WriteRemoteUpdate(const std::filesystem::path& settingsFile) {
  return WriteProfileString(settingsFile, kSection, kKey, kOn);
}

}  // namespace tellmar::admin
