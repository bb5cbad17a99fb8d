// What the tests of the administration utility's windows share: a server
// directory holding tmhub.ini, the loop and dialog guard a dialog runs in,
// and short ways to read back the stored keys, the files and the boxes shown.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "platform/propsheet.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::testing {

// A file's bytes; "" when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes a file in a folder of `dir` and gives its path.
inline std::filesystem::path PutFile(const std::filesystem::path& dir, const std::string& folder,
                                     const std::string& name, const std::string& bytes) {
  PutFile(dir / folder / name, bytes);
  return dir / folder / name;
}

// The boxes shown, in order: their captions, or "caption: text".
inline std::vector<std::string> Captions(const ScriptedOperator& op) {
  std::vector<std::string> out;
  for (const auto& box : op.shown()) out.push_back(box.caption);
  return out;
}
inline std::vector<std::string> Boxes(const ScriptedOperator& op) {
  std::vector<std::string> out;
  for (const auto& box : op.shown()) out.push_back(box.caption + ": " + box.text);
  return out;
}

// Plays the driver's steps in what `open` opens; every step that could not
// be played fails the test.
inline INT_PTR Play(DialogDriver& driver, const std::function<INT_PTR()>& open) {
  const INT_PTR result = driver.Run(open);
  EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
  return result;
}

// The page a sheet shows, and a control on it.
inline HWND ShownPage(HWND sheet) { return PropSheet_GetCurrentPageHwnd(sheet); }
inline HWND PageControl(HWND sheet, int id) { return GetDlgItem(ShownPage(sheet), id); }

// A click that opens a modal dialog is posted, so that the driver's next
// step runs inside that dialog.
inline bool PostClick(HWND control) {
  if (!IsWindowEnabled(control)) return false;
  PostMessage(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
              static_cast<LPARAM>(control));
  return true;
}

// The step that presses one of a sheet's own buttons (OK, Cancel, Apply).
inline DialogDriver& PressSheetButton(DialogDriver& driver, int button) {
  return driver.Then([button](HWND sheet) { UserClick(GetDlgItem(sheet, button)); });
}

using KeyValues = std::vector<std::pair<std::string, std::string>>;

// A server directory with its settings file, made the utility's own.
class AdminTest : public ::testing::Test {
 protected:
  AdminTest() {
    admin::App().serverSettingsPath = ini_.string();
    admin::App().serverDir = dir_.path().string();
  }

  void Settings(const std::string& text) { PutFile(ini_, text); }
  // Writes one key of the settings file.
  void Set(std::string_view section, std::string_view key, std::string_view value) {
    ASSERT_FALSE(WriteProfileString(ini_, section, key, value)) << section << " " << key;
  }
  // Writes the record of user `n`; its ID only when one is given.
  void AddUser(int n, const std::string& name, const std::string& dir, const std::string& id = "") {
    const std::string section = "USER" + std::to_string(n);
    Set(section, "realname", name);
    if (!id.empty()) Set(section, "ID", id);
    Set(section, "DIR", dir);
  }
  // Plays the driver's steps in the sheet `run` opens, then presses the
  // sheet's own `end` button (OK or Cancel).
  void PlaySheet(DialogDriver& driver, void (*run)(HWND, DialogGuard&), int end) {
    PressSheetButton(driver, end);
    Play(driver, [&] {
      run(0, guard_);
      return INT_PTR(IDOK);
    });
  }
  // A stored value; "(none)" when the key is absent.
  std::string Key(std::string_view section, std::string_view key) const {
    return GetProfileString(ini_, section, key, "(none)");
  }
  // Every key of one section against its stored value, "(none)" for absent.
  void ExpectKeys(std::string_view section, const KeyValues& keys) const {
    for (const auto& [key, value] : keys) EXPECT_EQ(Key(section, key), value) << "[" << section << "] " << key;
  }

  TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  Loop loop_;
  DialogGuard guard_;
};

// A loop whose boxes are scripted, and a folder for the test's files.
class OperatorTest : public ::testing::Test {
 protected:
  OperatorTest() {
    auto owned = std::make_unique<ScriptedOperator>();
    op_ = owned.get();
    loop_.SetOperator(std::move(owned));
  }

  std::filesystem::path Message(const std::string& name, const std::string& bytes) {
    PutFile(dir_ / name, bytes);
    return dir_ / name;
  }

  Loop loop_;
  ScriptedOperator* op_;
  TempDir dir_;
};

}  // namespace tellmar::testing
