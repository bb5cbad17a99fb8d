// What the browser desktop shows: every running program's visible windows,
// tray icons, message boxes, choosers and popup menus, read through the
// automation calls, and a person's actions carried back the same way.
//
// Watching costs one small question per program per refresh: its change
// count (automation::ChangeCount). Only a program whose count moved, or
// whose list of top-level windows changed, is described again.
//
// The view sorts the interactive operator's dialogs by what they are: a
// dialog holding the box text control is a message box, one holding the
// file name field is a chooser, the print dialog (by its template number) is
// a print chooser, a menu-class window is a popup menu; every
// other visible top-level window is a window.
#pragma once

#include <map>
#include <set>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "platform/window.h"

namespace tellmar::web {

class DesktopWatcher {
 public:
  explicit DesktopWatcher(std::string token) : token_(std::move(token)) {}

  // Reads what changed since the last call; true when the view changed.
  bool Refresh();
  nlohmann::json View() const;
  // A person's action from the page; answers {"ok": ...} or {"error": ...},
  // with "serial", its number. A view's "actions" is the number of the last
  // action it shows the effect of, so the page knows when a text typed
  // there has reached the program and come back.
  nlohmann::json Act(const nlohmann::json& action);
  // Offers a start menu with the programs of `binDir` (the POP3 server,
  // Dialwick, the support module) that start in the server directory
  // `serverDir` when they are not running.
  void SetServer(std::string serverDir, std::string binDir) {
    serverDir_ = std::move(serverDir);
    binDir_ = std::move(binDir);
  }

 private:
  nlohmann::json StartMenu() const;
  nlohmann::json Start(const std::string& program);
  bool Running(const std::string& program, const std::string& windowClass) const;
  nlohmann::json Perform(const nlohmann::json& action);
  struct Program {
    std::string name;
    std::vector<TopLevelWindow> windows;
    std::uint64_t changes = 0;
    nlohmann::json windowsView = nlohmann::json::array();
    nlohmann::json boxes = nlohmann::json::array();
    nlohmann::json choosers = nlohmann::json::array();
    nlohmann::json prints = nlohmann::json::array();
    nlohmann::json menus = nlohmann::json::array();
    nlohmann::json tray = nlohmann::json::array();
  };
  void Describe(Program& program);
  void Cascade();

  std::string token_;
  std::string serverDir_, binDir_;
  std::map<int, Program> programs_;  // by desktop slot
  std::set<HWND> placed_;            // windows shown and placed
  int menuX_ = 200, menuY_ = 200;    // where the last tray click was
  std::uint64_t actions_ = 0;        // actions performed
  std::uint64_t viewedActions_ = 0;  // actions performed before the last refresh
};

// The view of one window or control (exposed for tests).
nlohmann::json ControlView(const WindowInfo& control);
nlohmann::json WindowView(const WindowInfo& window, const std::string& program);

}  // namespace tellmar::web
