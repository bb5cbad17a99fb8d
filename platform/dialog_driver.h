// Runs a modal dialog in-process for unit tests: scripted steps do what a
// person does (type, click, select, check) once the dialog is up, and a
// scripted operator answers its message boxes and choosers. Each step runs
// from the dialog's own modal loop, after everything the previous step
// started has been handled; nothing waits on a timer.
//
//   DialogDriver driver;
//   driver.Type(ids::kPort, "0").Click(IDOK);    // refused: a box is shown
//   driver.op().QueueBox(IDOK);
//   driver.Click(IDCANCEL);
//   EXPECT_EQ(driver.Run([] { return DialogBox(ids::kTemplate, 0, Proc); }), IDCANCEL);
//   EXPECT_EQ(driver.op().shown()[0].text, "The port must be between 1 and 65535");
//
// When the steps run out and the dialog is still open, the driver ends it
// with kDriverOutOfSteps and notes a failure, so a test never hangs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/operator.h"
#include "platform/window.h"

namespace tellmar {

class Loop;

inline constexpr INT_PTR kDriverOutOfSteps = -3;

class DialogDriver {
 public:
  using Step = std::function<void(HWND dialog)>;

  // Installs a scripted operator on the current loop.
  DialogDriver();
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  DialogDriver& Then(Step step);
  DialogDriver& Type(int id, std::string text);  // as a person types: change notice, length limit
  DialogDriver& Click(int id);
  DialogDriver& Select(int id, int index);
  DialogDriver& Check(int id, int state);

  // Runs `open` (which opens the modal dialog) and plays the steps in it;
  // answers what `open` answered.
  INT_PTR Run(const std::function<INT_PTR()>& open);

  ScriptedOperator& op() { return *op_; }
  // What could not be done: "step 2: control 1047 cannot take it", ...
  const std::vector<std::string>& failures() const { return failures_; }

 private:
  DialogDriver& Person(int id, std::function<bool(HWND control)> act);
  void PlayNext();
  void PostPlayNext();

  Loop& loop_;
  ScriptedOperator* op_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  std::vector<std::string> failures_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // a posted step outliving the driver does nothing
};

// The modal dialog the program shows on top, or 0.
HWND TopModalDialog();

}  // namespace tellmar
