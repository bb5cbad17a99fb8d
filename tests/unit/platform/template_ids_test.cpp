// The named IDs the build generates from the template files.
#include "platform/template_ids.h"

#include <gtest/gtest.h>

using namespace tellmar;

namespace {

TemplateFile Parse(std::string_view stem, std::string_view text) {
  TemplateFile file;
  file.stem = std::string(stem);
  ParseResourceText(std::string(stem) + ".tmr", text, file.parsed);
  return file;
}

constexpr std::string_view kSettings = R"(# Two dialogs, one named.
dialog 300 Settings "Server \"options\"" 0 0 200 100
  edit     1047 Host   ""        7 7 100 12
  static   -1   "Port:"          7 22 40 10
  edit     1048 Port   ""       50 22 40 12 number
  updown   1049 PortSpin ""     90 22 10 12 buddy
  default  1    Ok     "OK"     7 80 50 14
end
dialog 301 "Unnamed, as templates were written before names" 0 0 100 50
  button 1 "OK" 7 7 50 14
end
)";

TEST(TemplateIds, HeaderAndPythonModuleHoldTheNamedControls) {
  const TemplateFile file = Parse("settings", kSettings);
  ASSERT_TRUE(file.parsed.errors.empty()) << file.parsed.errors[0];
  ASSERT_EQ(file.parsed.dialogs.count(301), 1u) << "a template without names still builds";
  EXPECT_EQ(GenerateIdsHeader("tmadmin32", file),
            "// Generated from settings.tmr by tmr_ids; do not edit.\n"
            "#pragma once\n"
            "\n"
            "namespace tellmar::res::tmadmin32 {\n"
            "\n"
            "// dialog 300 \"Server \\\"options\\\"\"\n"
            "struct Settings {\n"
            "  static constexpr int kTemplate = 300;\n"
            "  static constexpr int kHost = 1047;\n"
            "  static constexpr int kPort = 1048;\n"
            "  static constexpr int kPortSpin = 1049;\n"
            "  static constexpr int kOk = 1;\n"
            "};\n"
            "\n"
            "}  // namespace tellmar::res::tmadmin32\n");
  EXPECT_EQ(GenerateIdsPython("tmadmin32", {file}),
            "# Generated from the templates of tmadmin32 by tmr_ids; do not edit.\n"
            "\n"
            "\n"
            "class Settings:\n"
            "    \"\"\"dialog 300 of settings.tmr\"\"\"\n"
            "    TEMPLATE = 300\n"
            "    Host = 1047\n"
            "    Port = 1048\n"
            "    PortSpin = 1049\n"
            "    Ok = 1\n");
  // The name is no part of the control's look: caption and style as before.
  const ControlTemplate* port = file.parsed.dialogs.at(300).Find(1048);
  EXPECT_EQ(port->caption, "");
  EXPECT_NE(port->style & ES_NUMBER, 0u);
  EXPECT_TRUE(file.parsed.dialogs.at(300).Find(1049)->autoBuddy);
}

TEST(TemplateIds, BrokenTemplatesFailWithFileAndLine) {
  struct Case {
    std::string_view text;
    std::string_view error;
  };
  const Case cases[] = {
      {"dialog 1 D \"x\" 0 0 1 1\n  edit 10 A \"\" 0 0 1 1\n  edit 11 A \"\" 0 0 1 1\nend\n",
       "t.tmr:3: duplicate control name 'A'"},
      {"dialog 1 D \"x\" 0 0 1 1\n  edit 10 A \"\" 0 0 1 1\n  edit 10 B \"\" 0 0 1 1\nend\n",
       "t.tmr:3: control 'B' has the number of 'A'"},
      {"dialog 1 \"x\" 0 0 1 1\n\n  edit 10 A \"\" 0 0 1 1\nend\n", "t.tmr:3: name the dialog to name its controls"},
      {"dialog 1 D \"x\" 0 0 1 1\n  edit 10 lower \"\" 0 0 1 1\nend\n",
       "t.tmr:2: expected: KIND ID [NAME] \"CAPTION\" X Y WIDTH HEIGHT [STYLE...]"},
      {"dialog 1 D \"x\" 0 0 1 1\n  slider 10 A \"\" 0 0 1 1\nend\n", "t.tmr:2: unknown control kind 'slider'"},
      {"dialog 1 D \"x\" 0 0 1 1\n", "t.tmr:2: missing 'end'"},
  };
  for (const Case& c : cases) {
    ResourceSet set;
    ParseResourceText("t.tmr", c.text, set);
    ASSERT_FALSE(set.errors.empty()) << c.text;
    EXPECT_EQ(set.errors[0], c.error) << c.text;
  }
}

TEST(TemplateIds, DialogNamesAreUniqueInAProgramAndTemplateIsReserved) {
  std::vector<std::pair<std::string, TemplateFile>> files;
  files.emplace_back("a.tmr", Parse("a", "\n\ndialog 1 Same \"x\" 0 0 1 1\nend\n"));
  files.emplace_back("b.tmr", Parse("b", "dialog 2 Same \"y\" 0 0 1 1\n  edit 5 Template \"\" 0 0 1 1\nend\n"));
  const auto errors = CheckTemplateNames(files);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "b.tmr:1: dialog name 'Same' is already used at a.tmr:3");
  EXPECT_EQ(errors[1], "b.tmr:1: the control name 'Template' is taken by the dialog");
}

}  // namespace
