#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include "tests/unit/common/temp_dir.h"

namespace tellmar {
namespace {

TEST(RegistryStore, KeysAndValuesMatchWithoutRegardToCase) {
  testing::TempDir dir;
  RegistryStore reg(dir / "registry");
  const auto hklm = RegistryRoot::LocalMachine;
  EXPECT_FALSE(reg.KeyExists(hklm, "Software\\Clients"));
  ASSERT_FALSE(reg.SetValue(hklm, "Software\\Clients\\Mail\\Penwick", "", "Corvane Penwick"));
  ASSERT_FALSE(reg.SetValue(hklm, "software/clients/mail/penwick\\", "URL Protocol", ""));
  ASSERT_FALSE(reg.SetValue(hklm, "Software\\Clients\\Mail\\Penwick", "Spaced", "  a = b  "));
  EXPECT_TRUE(reg.KeyExists(hklm, "SOFTWARE\\CLIENTS"));  // parents are made too
  EXPECT_EQ(reg.GetValue(hklm, "SOFTWARE\\Clients\\Mail\\PENWICK", ""), "Corvane Penwick");
  EXPECT_EQ(reg.GetValue(hklm, "Software\\Clients\\Mail\\Penwick", "url protocol"), "");
  EXPECT_EQ(reg.GetValue(hklm, "Software\\Clients\\Mail\\Penwick", "Spaced"), "  a = b  ");
  EXPECT_FALSE(reg.GetValue(hklm, "Software\\Clients\\Mail\\Penwick", "missing"));
  EXPECT_FALSE(reg.GetValue(RegistryRoot::CurrentUser, "Software\\Clients\\Mail\\Penwick", ""));
  EXPECT_EQ(reg.ValueNames(hklm, "Software\\Clients\\Mail\\Penwick"),
            (std::vector<std::string>{"", "URL Protocol", "Spaced"}));
  EXPECT_EQ(reg.SubKeys(hklm, "Software\\Clients"), (std::vector<std::string>{"Mail"}));
  EXPECT_EQ(reg.SubKeys(hklm, ""), (std::vector<std::string>{"Software"}));

  ASSERT_FALSE(reg.DeleteValue(hklm, "Software\\Clients\\Mail\\Penwick", "Spaced"));
  EXPECT_FALSE(reg.GetValue(hklm, "Software\\Clients\\Mail\\Penwick", "Spaced"));
  ASSERT_FALSE(reg.DeleteKey(hklm, "software\\clients"));
  EXPECT_FALSE(reg.KeyExists(hklm, "Software\\Clients\\Mail\\Penwick"));
  EXPECT_TRUE(reg.KeyExists(hklm, "Software"));
}

TEST(RegistryStore, RefusesDataThatWouldBreakTheStore) {
  testing::TempDir dir;
  RegistryStore reg(dir.path());
  EXPECT_TRUE(reg.SetValue(RegistryRoot::ClassesRoot, ".msg", "", "two\nlines"));
  EXPECT_TRUE(reg.SetValue(RegistryRoot::ClassesRoot, "", "x", "no key"));
  EXPECT_EQ(ParseRegistryRoot("hkey_classes_root"), RegistryRoot::ClassesRoot);
  EXPECT_FALSE(ParseRegistryRoot("HKU"));
}

}  // namespace
}  // namespace tellmar
