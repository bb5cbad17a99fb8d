// A page of the configuration sheets: a form bound to keys of tmhub.ini that
// the page reads when it is first shown and writes when the sheet applies.
//
// Each time the page is shown it sets the sheet's hint line. An apply writes
// only when a person changed the page (or the page says it always writes
// once shown), checks first, and lands the page's keys and, when the page
// announces its changes, [environment] RemoteUpdate as one replacement of
// the file. A refused check or a file that cannot be written keeps the sheet
// open on the page. Leaving the page for another checks nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/profile.h"
#include "platform/form.h"
#include "platform/propsheet.h"

namespace tellmar::admin {

class SettingsPage {
 public:
  explicit SettingsPage(std::string hint);
  virtual ~SettingsPage() = default;
  SettingsPage(const SettingsPage&) = delete;
  SettingsPage& operator=(const SettingsPage&) = delete;

  // The sheet's page for a page object, which lives as long as the sheet.
  static PROPSHEETPAGE Make(std::shared_ptr<SettingsPage> page, int templateId, int helpContext = 0);

  INT_PTR Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  using Convert = std::function<std::string(const std::string&)>;
  // A key of tmhub.ini: read (through `shown`) when the page loads, written
  // (through `stored`) with the page's other keys when the sheet applies.
  ValueRef Key(std::string_view section, std::string_view key, std::string_view fallback, Convert shown = {},
               Convert stored = {});
  // Adds a write to the apply in progress (for values that are not bindings).
  void Write(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  // A change that is not a bound control's: enables Apply.
  void Changed() { form_.MarkModified(true); }

  // Before the first load (fill lists the bindings select in).
  virtual void Prepare() {}
  // After the first load.
  virtual void Loaded() {}
  // Each time the page is shown, after the hint line.
  virtual void Shown() {}
  virtual void Command(int /*id*/, unsigned /*code*/) {}
  // Checks before anything is written; false refuses the apply (the page
  // has said why).
  virtual bool Check() { return true; }
  // Writes of the page beyond its bindings, after them.
  virtual void Store() {}

  HWND page() const { return page_; }
  HWND sheet() const { return GetSheet(page_); }

  Form form_;
  std::string hint_;
  bool announce_ = true;         // [environment] RemoteUpdate with the apply
  bool writeUnchanged_ = false;  // once shown, written by every apply

 private:
  LRESULT Apply();

  HWND page_ = 0;
  bool loaded_ = false;
  std::optional<ProfileBatch> pending_;
};

}  // namespace tellmar::admin
