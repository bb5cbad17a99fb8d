// The modal settings dialog shell: OK stores or stays, Cancel closes unless
// the dialog keeps itself open, other buttons reach the dialog, and a failed
// write is said once in the error box.
#include "platform/settings_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog_driver.h"
#include "platform/form.h"
#include "platform/loop.h"
#include "platform/resource.h"

using namespace tellmar;

namespace {

constexpr int kTemplate = 9402, kOther = 1001;

void RegisterShellTemplate() {
  static const bool done = [] {
    RegisterResourceText("settings_dialog.tmr", R"(
dialog 9402 "Shell" 0 0 200 60 visible
  button    1001 "Other"   7 40  50 14
  default   1    "OK"     80 40  50 14
  button    2    "Cancel"140 40  50 14
end
)");
    return true;
  }();
  (void)done;
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  SettingsDialogTest() { RegisterShellTemplate(); }
  Loop loop_;
};

struct Calls {
  int loads = 0, stores = 0, cancels = 0;
  std::vector<int> commands;
};

SettingsDialog Steps(Calls& calls, bool storeAccepts, bool cancelAccepts) {
  SettingsDialog steps;
  steps.load = [&calls](HWND) { ++calls.loads; };
  steps.command = [&calls](HWND, WPARAM wParam) { calls.commands.push_back(LOWORD(wParam)); };
  steps.store = [&calls, storeAccepts](HWND) { return ++calls.stores, storeAccepts; };
  steps.cancel = [&calls, cancelAccepts](HWND) { return ++calls.cancels, cancelAccepts; };
  return steps;
}

TEST_F(SettingsDialogTest, OkEndsOnlyWhenTheStoreAcceptsAndOtherButtonsReachTheDialog) {
  for (const bool accepts : {true, false}) {
    Calls calls;
    DialogDriver driver;
    driver.Click(kOther).Click(IDOK);
    if (!accepts) driver.Click(IDOK);  // refused twice; then the driver ends it
    const INT_PTR result = driver.Run([&] { return RunSettingsDialog(kTemplate, 0, Steps(calls, accepts, true)); });
    EXPECT_EQ(result, accepts ? IDOK : kDriverOutOfSteps);
    EXPECT_EQ(calls.loads, 1);
    EXPECT_EQ(calls.stores, accepts ? 1 : 2);
    EXPECT_EQ(calls.commands, (std::vector<int>{kOther}));
    EXPECT_EQ(calls.cancels, 0);
  }
}

TEST_F(SettingsDialogTest, CancelAndTheCloseBoxEndUnlessTheDialogKeepsItselfOpen) {
  {
    Calls calls;
    DialogDriver driver;
    driver.Then([](HWND d) { SendMessage(d, WM_CLOSE, 0, 0); });
    EXPECT_EQ(driver.Run([&] { return RunSettingsDialog(kTemplate, 0, Steps(calls, true, true)); }), IDCANCEL);
    EXPECT_EQ(calls.cancels, 1);
    EXPECT_EQ(calls.stores, 0);
  }
  {
    Calls calls;
    DialogDriver driver;
    driver.Click(IDCANCEL).Click(IDOK);  // kept open, so OK still stores
    EXPECT_EQ(driver.Run([&] { return RunSettingsDialog(kTemplate, 0, Steps(calls, true, false)); }), IDOK);
    EXPECT_EQ(calls.cancels, 1);
    EXPECT_EQ(calls.stores, 1);
  }
}

TEST_F(SettingsDialogTest, WithoutAStoreOkIsTheDialogsOwnButton) {
  Calls calls;
  SettingsDialog steps = Steps(calls, true, true);
  steps.store = nullptr;
  steps.cancel = nullptr;
  DialogDriver driver;
  driver.Click(IDOK).Click(IDCANCEL);
  EXPECT_EQ(driver.Run([&] { return RunSettingsDialog(kTemplate, 0, steps); }), IDCANCEL);
  EXPECT_EQ(calls.commands, (std::vector<int>{IDOK}));
}

TEST_F(SettingsDialogTest, AFailedWriteIsSaidOnceInTheErrorBox) {
  DialogDriver driver;  // its scripted operator records the box
  EXPECT_TRUE(Saved(0, {}, "The schedule"));
  EXPECT_TRUE(driver.op().shown().empty());
  const std::error_code denied = std::make_error_code(std::errc::permission_denied);
  EXPECT_FALSE(Saved(0, denied, "The schedule"));
  ASSERT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(driver.op().shown()[0].caption, "Error");
  EXPECT_EQ(driver.op().shown()[0].text, "The schedule could not be saved: " + denied.message());
}

}  // namespace
