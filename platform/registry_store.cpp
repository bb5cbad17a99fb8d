#include "platform/registry_store.h"

#include <cstdlib>

#include "common/ini_document.h"
#include "common/profile.h"
#include "common/user_config.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDefaultValueName = "@";

std::string IniKeyOf(std::string_view valueName) {
  return valueName.empty() ? std::string(kDefaultValueName) : std::string(valueName);
}

}  // namespace

std::optional<RegistryRoot> ParseRegistryRoot(std::string_view name) {
  if (EqualsNoCase(name, "HKLM") || EqualsNoCase(name, "HKEY_LOCAL_MACHINE")) return RegistryRoot::LocalMachine;
  if (EqualsNoCase(name, "HKCU") || EqualsNoCase(name, "HKEY_CURRENT_USER")) return RegistryRoot::CurrentUser;
  if (EqualsNoCase(name, "HKCR") || EqualsNoCase(name, "HKEY_CLASSES_ROOT")) return RegistryRoot::ClassesRoot;
  return std::nullopt;
}

std::string NormalizeKeyPath(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == '/') c = '\\';
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

RegistryStore::RegistryStore(fs::path directory) : directory_(std::move(directory)) {}

RegistryStore RegistryStore::ForUser() {
  if (const char* dir = std::getenv("TELLMAR_REGISTRY"); dir && *dir) return RegistryStore(dir);
  return RegistryStore(UserConfigDir() / "registry");
}

fs::path RegistryStore::FileOf(RegistryRoot root) const {
  switch (root) {
    case RegistryRoot::LocalMachine: return directory_ / "HKLM.ini";
    case RegistryRoot::CurrentUser: return directory_ / "HKCU.ini";
    case RegistryRoot::ClassesRoot: break;
  }
  return directory_ / "HKCR.ini";
}

bool RegistryStore::KeyExists(RegistryRoot root, std::string_view key) const {
  std::string path = NormalizeKeyPath(key);
  return path.empty() || LoadProfile(FileOf(root))->HasSection(path);
}

std::error_code RegistryStore::CreateKey(RegistryRoot root, std::string_view key) const {
  std::string path = NormalizeKeyPath(key);
  if (path.empty()) return {};
  std::error_code ec;
  fs::create_directories(directory_, ec);
  if (ec) return ec;
  ProfileBatch batch(FileOf(root));
  for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
    batch.AddSection(path.substr(0, at));
  }
  batch.AddSection(path);
  return batch.Commit();
}

std::error_code RegistryStore::DeleteKey(RegistryRoot root, std::string_view key) const {
  std::string path = NormalizeKeyPath(key);
  if (path.empty()) return std::make_error_code(std::errc::invalid_argument);
  fs::path file = FileOf(root);
  ProfileBatch batch(file);
  std::string prefix = path + "\\";
  for (const std::string& section : GetProfileSectionNames(file)) {
    if (EqualsNoCase(section, path) || StartsWithNoCase(section, prefix)) batch.DeleteSection(section);
  }
  return batch.Commit();
}

std::vector<std::string> RegistryStore::SubKeys(RegistryRoot root, std::string_view key) const {
  std::string path = NormalizeKeyPath(key);
  std::string prefix = path.empty() ? "" : path + "\\";
  std::vector<std::string> names;
  for (const std::string& section : GetProfileSectionNames(FileOf(root))) {
    if (!StartsWithNoCase(section, prefix)) continue;
    std::string child = NormalizeKeyPath(section.substr(prefix.size()));
    child = child.substr(0, child.find('\\'));
    if (child.empty()) continue;
    bool seen = false;
    for (const auto& n : names) seen = seen || EqualsNoCase(n, child);
    if (!seen) names.push_back(child);
  }
  return names;
}

std::optional<std::string> RegistryStore::GetValue(RegistryRoot root, std::string_view key,
                                                   std::string_view name) const {
  auto document = LoadProfile(FileOf(root));
  auto value = document->Find(NormalizeKeyPath(key), IniKeyOf(name));
  if (!value) return std::nullopt;
  return std::string(*value);
}

std::error_code RegistryStore::SetValue(RegistryRoot root, std::string_view key, std::string_view name,
                                        std::string_view data) const {
  std::string path = NormalizeKeyPath(key);
  if (path.empty()) return std::make_error_code(std::errc::invalid_argument);
  if (auto ec = CreateKey(root, path)) return ec;
  return WriteProfileString(FileOf(root), path, IniKeyOf(name), "\"" + std::string(data) + "\"");
}

std::error_code RegistryStore::DeleteValue(RegistryRoot root, std::string_view key,
                                           std::string_view name) const {
  return WriteProfileString(FileOf(root), NormalizeKeyPath(key), IniKeyOf(name), std::nullopt);
}

std::vector<std::string> RegistryStore::ValueNames(RegistryRoot root, std::string_view key) const {
  std::vector<std::string> names = GetProfileKeyNames(FileOf(root), NormalizeKeyPath(key));
  for (auto& n : names) {
    if (n == kDefaultValueName) n.clear();
  }
  return names;
}

}  // namespace tellmar
