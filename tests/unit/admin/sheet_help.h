// Which help topic the Help button of a sheet opens on each of its pages.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/propsheet.h"

namespace tellmar::testing {

// A help file that opens: the viewer is `true`, and the topic it would be
// shown at is left in the environment for the test to read.
class HelpFileForTest {
 public:
  explicit HelpFileForTest(const std::filesystem::path& file) : file_(file) {
    std::ofstream(file_) << "help";
    ::setenv("TELLMAR_VIEWER", "true", 1);
  }
  ~HelpFileForTest() { ::unsetenv("TELLMAR_VIEWER"); }
  std::string path() const { return file_.string(); }

 private:
  std::filesystem::path file_;
};

// Shows each page in turn and presses Help; the topics opened, in page order.
inline std::vector<std::string> HelpTopicsOfPages(HWND sheet, int pages) {
  std::vector<std::string> topics;
  for (int page = 0; page < pages; ++page) {
    EXPECT_TRUE(PropSheet_SetCurSel(sheet, page));
    ::unsetenv("TELLMAR_HELP_CONTEXT");
    EXPECT_TRUE(UserClick(GetDlgItem(sheet, IDHELP)));
    const char* topic = std::getenv("TELLMAR_HELP_CONTEXT");
    topics.push_back(topic != nullptr ? topic : "none");
  }
  return topics;
}

}  // namespace tellmar::testing
