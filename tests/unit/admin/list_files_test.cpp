#include "admin/routing/list_files.h"

#include "tests/unit/admin/admin_fixture.h"

namespace tellmar::admin {
namespace {

class ListFilesTest : public ::testing::Test {
 protected:
  std::string Bytes(const std::string& name) { return tellmar::testing::FileBytes(dir_ / name); }
  tellmar::testing::TempDir dir_;
};

TEST_F(ListFilesTest, NamesAreMatchedWithoutRegardToCase) {
  std::ofstream(dir_ / "team.lst") << "a@x.org\r\n";
  EXPECT_EQ(ListNames(dir_.path()), (std::vector<std::string>{"TEAM"}));
  const auto refused = CreateListFile(dir_.path(), "Team");
  ASSERT_TRUE(refused);
  EXPECT_NE(refused->find("already exists..."), std::string::npos);
  EXPECT_EQ(Bytes("team.lst"), "a@x.org\r\n") << "left as it was";
  EXPECT_FALSE(CreateListFile(dir_.path(), "sales"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "SALES.LST"));
  EXPECT_EQ(ListNames(dir_.path()), (std::vector<std::string>{"SALES", "TEAM"}));
  EXPECT_TRUE(CheckListName("a.b"));
  EXPECT_TRUE(CheckListName("a b"));
  EXPECT_FALSE(CheckListName("SALES"));
}

TEST_F(ListFilesTest, TheEditorLimitCopyAndRename) {
  std::ofstream(dir_ / "BIG.LST", std::ios::binary) << std::string(kListEditorMax, 'a');
  auto shown = LoadListText(dir_.path(), "big");
  ASSERT_TRUE(shown);
  EXPECT_FALSE(shown->tooLarge);
  EXPECT_EQ(shown->text.size(), kListEditorMax);
  std::ofstream(dir_ / "BIG.LST", std::ios::app) << "b";
  shown = LoadListText(dir_.path(), "BIG");
  EXPECT_TRUE(shown->tooLarge);
  EXPECT_EQ(shown->text, std::string(kListEditorMax, 'a') + std::string(kListTooLarge));
  EXPECT_FALSE(LoadListText(dir_.path(), "none"));

  ASSERT_TRUE(SaveListText(dir_.path(), "big", "x@y.org\r\n"));
  EXPECT_EQ(Bytes("BIG.LST"), "x@y.org\r\n");
  EXPECT_TRUE(CopyList(dir_.path(), "BIG", "COPY"));
  EXPECT_FALSE(CopyList(dir_.path(), "BIG", "copy")) << "the target exists";
  EXPECT_TRUE(RenameList(dir_.path(), "copy", "team"));
  EXPECT_EQ(Bytes("TEAM.LST"), "x@y.org\r\n");
  EXPECT_FALSE(RenameList(dir_.path(), "team", "big"));
}

TEST_F(ListFilesTest, ARenameIsCarriedIntoTheAliasesThatNameTheList) {
  const auto ini = dir_ / "tmhub.ini";
  std::ofstream(ini, std::ios::binary) << "[ADDRESS-ALIAS]\r\n"
                                       << "ALIAS0=a@x.org -> sales , internal and external mail,1\r\n"
                                       << "ALIAS1=b@x.org -> c@y.org , internal mail only,0\r\n"
                                       << "ALIAS2=d@x.org -> SALESTEAM , external mail only,1\r\n"
                                       << "[LIST-SALES]\r\nchange=-1\r\n";
  ASSERT_TRUE(CarryListRename(ini, "SALES", "team"));
  const char* const after[] = {"a@x.org -> TEAM , internal and external mail,1",
                               "b@x.org -> c@y.org , internal mail only,0",
                               "d@x.org -> SALESTEAM , external mail only,1"};
  for (int n = 0; n < 3; ++n)
    EXPECT_EQ(GetProfileString(ini, "ADDRESS-ALIAS", "ALIAS" + std::to_string(n), ""), after[n]) << n;
  EXPECT_EQ(GetProfileString(ini, "LIST-SALES", "change", ""), "-1") << "the list's settings stay";
}

}  // namespace
}  // namespace tellmar::admin
