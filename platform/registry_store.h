// The registry, kept in files: one settings file per root key (HKLM.ini,
// HKCU.ini, HKCR.ini) in the registry directory, $TELLMAR_REGISTRY or
// UserConfigDir()/registry. A key is a section named by its path
// ("Software\Clients\Mail\Penwick"), a value is a line in it; the default
// value is named "@". Key paths and value names match without regard to
// case, as in the registry. Values are text and are stored quoted, so that
// leading and trailing blanks survive.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar {

enum class RegistryRoot { LocalMachine, CurrentUser, ClassesRoot };

// "HKLM", "HKEY_LOCAL_MACHINE", "HKCU", "HKEY_CURRENT_USER", "HKCR",
// "HKEY_CLASSES_ROOT", any case.
std::optional<RegistryRoot> ParseRegistryRoot(std::string_view name);

class RegistryStore {
 public:
  explicit RegistryStore(std::filesystem::path directory);
  // The store of this user (see above).
  static RegistryStore ForUser();

  bool KeyExists(RegistryRoot root, std::string_view key) const;
  // Creates the key and every missing key above it.
  std::error_code CreateKey(RegistryRoot root, std::string_view key) const;
  // Deletes the key with all keys below it.
  std::error_code DeleteKey(RegistryRoot root, std::string_view key) const;
  std::vector<std::string> SubKeys(RegistryRoot root, std::string_view key) const;

  // `name` empty: the key's default value.
  std::optional<std::string> GetValue(RegistryRoot root, std::string_view key,
                                      std::string_view name) const;
  // Creates the key as needed.
  std::error_code SetValue(RegistryRoot root, std::string_view key, std::string_view name,
                           std::string_view data) const;
  std::error_code DeleteValue(RegistryRoot root, std::string_view key, std::string_view name) const;
  // Value names of a key in file order; "" stands for the default value.
  std::vector<std::string> ValueNames(RegistryRoot root, std::string_view key) const;

  const std::filesystem::path& directory() const { return directory_; }

 private:
  std::filesystem::path FileOf(RegistryRoot root) const;

  std::filesystem::path directory_;
};

// "a\\b\" -> "a\b": separators trimmed at the ends and runs collapsed;
// "/" counts as "\".
std::string NormalizeKeyPath(std::string_view key);

}  // namespace tellmar
