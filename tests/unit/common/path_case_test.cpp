#include "common/path_case.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/unit/common/temp_dir.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;

TEST(ResolveNoCaseTest, FindsTheEntryWhateverCaseTheNameIsGivenIn) {
  testing::TempDir dir;
  for (const char* name : {"ANNA", "bert", "CaRl", "Exact", "EXACT"}) fs::create_directory(dir / name);
  EXPECT_EQ(ResolveNoCase(dir.path(), "anna"), dir / "ANNA");
  EXPECT_EQ(ResolveNoCase(dir.path(), "Bert"), dir / "bert");
  EXPECT_EQ(ResolveNoCase(dir.path(), "carl"), dir / "CaRl");
  EXPECT_EQ(ResolveNoCase(dir.path(), "Exact"), dir / "Exact");
  // Nothing matches: the name as written, for a new entry.
  EXPECT_EQ(ResolveNoCase(dir.path(), "Dora"), dir / "Dora");
}

TEST(FindNoCaseTest, GivesTheEntryFoundWithItsOwnStatus) {
  testing::TempDir dir;
  fs::create_directory(dir / "ANNA");
  testing::PutFile(dir / "note.TXT", "x");
  fs::create_symlink(dir / "gone", dir / "link");
  struct stat st {};

  std::optional<fs::path> found = FindNoCase(dir.path(), "anna", st);
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, dir / "ANNA");
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  // Mixed case is found by reading the folder.
  found = FindNoCase(dir.path(), "Note.txt", st);
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, dir / "note.TXT");
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_size, 1);

  // The entry itself, not what a link points to.
  found = FindNoCase(dir.path(), "LINK", st);
  ASSERT_TRUE(found);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  EXPECT_FALSE(FindNoCase(dir.path(), "dora", st));
  EXPECT_FALSE(FindNoCase(dir.path(), "", st));
  // A folder written with a final separator gives the same path.
  found = FindNoCase(dir.path() / "", "anna", st);
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, dir / "ANNA");
}

}  // namespace
}  // namespace tellmar
