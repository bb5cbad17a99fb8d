// The message loop of a program.
//
// One thread per program. A Boost.Asio io_context drives everything that
// waits: sockets (the POP3 server writes its own on io()), timers, signals,
// the cross-process channel, and the queue of posted window messages, which
// is dispatched from the same loop. So a program's handlers all run one at a
// time on its one thread, as the programs were written.
//
//   Loop loop;                        // becomes the thread's current loop
//   loop.OpenChannel("cvpopd32");     // optional: join the desktop first
//   HWND main = CreateWindow(...);
//   loop.SetMainWindow(main);         // SIGTERM/SIGINT close this window
//   return loop.Run();                // until PostQuitMessage(code)
//
// Tests drive the loop a step at a time with Pump() or PumpUntil(). Modal
// dialogs run nested loops (RunModal) that end with the dialog or with the
// quit message, which then also ends every outer loop.
#pragma once

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/menu.h"
#include "platform/window_state.h"

namespace tellmar {

class Channel;
class Operator;
struct TrayIcon;

class Loop {
 public:
  Loop();
  ~Loop();
  Loop(const Loop&) = delete;
  Loop& operator=(const Loop&) = delete;

  // The loop of the calling thread (the most recently constructed one alive).
  static Loop& Current();
  static Loop* CurrentOrNull();

  boost::asio::io_context& io() { return io_; }

  // Runs until the quit message; answers its exit code.
  int Run();
  // Runs at most one ready handler without waiting; answers whether one ran.
  bool Pump();
  // Runs handlers as they become ready until `done` holds (answers true) or
  // the time is up or the loop quits (answers false).
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  void PumpFor(std::chrono::milliseconds duration);

  void Quit(int exitCode);
  bool Quitting() const { return quitting_; }
  int ExitCode() const { return exitCode_; }

  // Joins the desktop under the program's name: claims a slot, listens for
  // other programs, and arranges that SIGTERM/SIGINT close the main window.
  // Must come before the program's first window (handles carry the slot).
  std::error_code OpenChannel(std::string_view program);
  Channel* channel() { return channel_.get(); }
  const std::string& program() const { return program_; }
  int slot() const { return slot_; }

  // SIGTERM and SIGINT post WM_CLOSE to this window (the quit message when
  // there is none). OpenChannel installs the handlers; a program without a
  // channel may call HandleSignals().
  void SetMainWindow(HWND hwnd) { mainWindow_ = hwnd; }
  HWND MainWindow() const { return mainWindow_; }
  void HandleSignals();

  Operator& op();
  void SetOperator(std::unique_ptr<Operator> op);

  // Runs a nested loop until the dialog ends (EndDialog), is destroyed, or
  // the program quits.
  void RunModal(HWND dialog);

  // --- The window table (for the platform's own files and automation) ---------
  Window* Find(HWND hwnd);
  std::shared_ptr<Window> Hold(HWND hwnd);
  HWND NewHandle();
  void Insert(std::shared_ptr<Window> window);
  void Erase(HWND hwnd);
  // Top-level windows of this program, topmost first.
  const std::vector<HWND>& ZOrder() const { return zOrder_; }
  void Raise(HWND hwnd);
  HWND focus = 0;
  HWND active = 0;

  struct ClassEntry {
    WNDCLASS cls;
    ControlKind kind = ControlKind::Window;
  };
  ClassEntry* FindClass(std::string_view name);
  bool AddClass(ClassEntry entry);
  bool RemoveClass(std::string_view name);

  std::map<HWND, AcceleratorTable> accelerators;
  std::vector<TrayIcon>& tray() { return *tray_; }

  // Timers by window and identifier.
  bool StartTimer(HWND hwnd, UINT id, unsigned ms);
  bool StopTimer(HWND hwnd, UINT id);
  void StopTimers(HWND hwnd);
  // The period of a running timer in milliseconds; nullopt when none runs.
  std::optional<unsigned> TimerPeriod(HWND hwnd, UINT id) const;

  // Posted messages; dispatched in order from the loop.
  void Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // A message another program posted: while it is handled,
  // InSendMessageFromPeer() is true, as for a sent one.
  void PostFromPeer(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // Nesting of messages from other programs (InSendMessageFromPeer).
  int peerSendDepth = 0;
  struct PeerMessageScope {
    explicit PeerMessageScope(Loop& l) : loop(l) { ++loop.peerSendDepth; }
    ~PeerMessageScope() { --loop.peerSendDepth; }
    PeerMessageScope(const PeerMessageScope&) = delete;
    PeerMessageScope& operator=(const PeerMessageScope&) = delete;
    Loop& loop;
  };

  // Counts what may have changed what a person sees (every message that is
  // not a pure question, every tray change), so that the browser desktop
  // asks one number per program instead of reading every control.
  void NoteChange() { ++changes_; }
  std::uint64_t Changes() const { return changes_; }

  // Answers owed to automation requests from other programs: a modal loop
  // that starts inside one sends them first, so the requester does not wait
  // for the dialog a click opened. Answers an id for RemoveEarlyReply.
  int AddEarlyReply(std::function<void()> reply);
  void RemoveEarlyReply(int id);
  // Sends them now: a long operation a click started (a progress window)
  // lets the requester go as a modal dialog does.
  void SendEarlyReplies();

 private:
  struct Timer;
  void ArmTimer(const std::shared_ptr<Timer>& timer);
  void WaitForSignal();

  boost::asio::io_context io_;
  std::unique_ptr<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work_;
  Loop* previous_ = nullptr;
  bool quitting_ = false;
  int exitCode_ = 0;
  HWND mainWindow_ = 0;
  std::string program_;
  int slot_ = 0;
  std::uint64_t changes_ = 0;
  std::uint32_t nextIndex_ = 1;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows_;
  std::vector<HWND> zOrder_;
  std::vector<ClassEntry> classes_;
  std::map<std::pair<HWND, UINT>, std::shared_ptr<Timer>> timers_;
  std::unique_ptr<std::vector<TrayIcon>> tray_;
  std::unique_ptr<Operator> operator_;
  struct Signals;
  std::unique_ptr<Signals> signals_;
  std::unique_ptr<Channel> channel_;
  std::vector<std::pair<int, std::function<void()>>> earlyReplies_;
  int nextEarlyReply_ = 1;
};

}  // namespace tellmar
