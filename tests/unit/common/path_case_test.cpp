#include "common/path_case.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tellmar
