#include "common/ini_document.h"

#include <gtest/gtest.h>

namespace tellmar {
namespace {

TEST(IniDocument, LooksUpLikeTheProfileCalls) {
  IniDocument doc(
      "; comment\r\n"
      "[Environment]\r\n"
      "  RunAsService  =  1  \r\n"
      "Quoted=\"  spaced  \"\r\n"
      "Single='x'\r\n"
      "Half=\"open\r\n"
      "NoEquals\r\n"
      "dup=first\r\n"
      "DUP=second\r\n"
      "[environment]\r\n"
      "Late=hidden\r\n");
  EXPECT_EQ(doc.Find("ENVIRONMENT", "runasservice"), "1");
  EXPECT_EQ(doc.Find(" environment ", " RunAsService "), "1");
  EXPECT_EQ(doc.Find("Environment", "Quoted"), "  spaced  ");
  EXPECT_EQ(doc.Find("Environment", "Single"), "x");
  EXPECT_EQ(doc.Find("Environment", "Half"), "\"open");
  EXPECT_EQ(doc.Find("Environment", "NoEquals"), "");
  EXPECT_EQ(doc.Find("Environment", "dup"), "first");
  EXPECT_FALSE(doc.Find("Environment", "Late"));  // the first section wins
  EXPECT_FALSE(doc.Find("Environment", "comment"));
  EXPECT_FALSE(doc.Find("popsrv", "port"));
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"Environment"}));
  EXPECT_EQ(doc.KeyNames("environment"),
            (std::vector<std::string>{"RunAsService", "Quoted", "Single", "Half", "NoEquals", "dup"}));
}

TEST(IniDocument, UneditedBytesComeBackExactly) {
  for (std::string bytes : {std::string(""), std::string("no sections at all\n=\n"),
                            std::string("[a]\nk=v"), std::string("[a]\r\nk=v\r\n\r\n[b]\nx\0y=\xA9\n", 22),
                            std::string("junk\r[a\n[]\n==\n  ;c\n")}) {
    EXPECT_EQ(IniDocument(bytes).Serialize(), bytes);
  }
}

TEST(IniDocument, EditsKeepEveryOtherByte) {
  IniDocument doc(
      "; keep me\r\n"
      "[popsrv]\r\n"
      "Port = 110\r\n"
      "; between\r\n"
      "bind=1\r\n"
      "\r\n"
      "[USER0]\r\n"
      "realname=(System Postmaster)\r\n"
      "name=\xA3\xA9\r\n");
  doc.Set("POPSRV", "port", "1110");    // replaced in place, spelling kept
  doc.Set("popsrv", "timeout", "5");    // added after the last key
  doc.Set("New", "k", "v");             // new section at the end
  doc.DeleteKey("user0", "REALNAME");
  EXPECT_EQ(doc.Serialize(),
            "; keep me\r\n"
            "[popsrv]\r\n"
            "Port=1110\r\n"
            "; between\r\n"
            "bind=1\r\n"
            "timeout=5\r\n"
            "\r\n"
            "[USER0]\r\n"
            "name=\xA3\xA9\r\n"
            "\r\n"
            "[New]\r\n"
            "k=v\r\n");
}

TEST(IniDocument, LineEndsFollowTheFile) {
  IniDocument lf("[a]\nk=v");  // LF only, no final line end
  lf.Set("a", "n", "1");
  lf.Set("b", "m", "2");
  EXPECT_EQ(lf.Serialize(), "[a]\nk=v\nn=1\n\n[b]\nm=2\n");

  IniDocument empty("");
  empty.Set("s", "k", "v");
  EXPECT_EQ(empty.Serialize(), "[s]\r\nk=v\r\n");
}

TEST(IniDocument, SectionsDeletedRenamedAndReplaced) {
  IniDocument doc("[A]\r\nx=1\r\n[b]\r\ny=2\r\n[a]\r\nz=3\r\n[c]\r\n;note\r\nq=1\r\nr=2\r\n");
  doc.DeleteSection("a");  // every section of that name
  EXPECT_FALSE(doc.HasSection("A"));
  doc.RenameSection("B", "A");
  EXPECT_EQ(doc.Find("a", "y"), "2");
  EXPECT_FALSE(doc.HasSection("b"));
  doc.ReplaceSection("c", {{"s", "9"}});
  EXPECT_EQ(doc.Serialize(), "[A]\r\ny=2\r\n[c]\r\n;note\r\ns=9\r\n");
  // Setting a key after a delete re-creates the section.
  doc.Set("b", "k", "v");
  EXPECT_EQ(doc.Find("B", "K"), "v");
}

TEST(IniDocument, OddInputDoesNotBreakIt) {
  std::string hugeLine(1 << 20, 'x');
  std::string bytes = "[s]\nbig=" + hugeLine + "\n" + std::string("nul\0key=v\0al\n", 13);
  IniDocument doc(bytes);
  EXPECT_EQ(doc.Find("s", "big")->size(), hugeLine.size());
  EXPECT_EQ(doc.Find("s", std::string_view("nul\0key", 7)), std::string_view("v\0al", 4));
  doc.Set("s", "k", "v");
  std::string out = doc.Serialize();
  EXPECT_EQ(out.substr(0, bytes.size()), bytes);
  EXPECT_EQ(out.substr(bytes.size()), "k=v\n");
}

}  // namespace
}  // namespace tellmar
