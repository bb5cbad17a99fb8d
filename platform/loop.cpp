#include "platform/loop.h"

#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <cassert>
#include <csignal>
#include <random>

#include "platform/channel.h"
#include "platform/handles.h"
#include "platform/operator.h"
#include "platform/text.h"
#include "platform/tray.h"

namespace tellmar {
namespace {
thread_local Loop* current = nullptr;
constexpr std::chrono::milliseconds kPumpRecheck{5};
}

struct Loop::Timer {
  explicit Timer(boost::asio::io_context& io) : timer(io) {}
  boost::asio::steady_timer timer;
  HWND hwnd = 0;
  UINT id = 0;
  unsigned ms = 0;
  bool stopped = false;
};

struct Loop::Signals {
  explicit Signals(boost::asio::io_context& io) : set(io, SIGTERM, SIGINT) {}
  boost::asio::signal_set set;
};

Loop::Loop()
    : work_(std::make_unique<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>>(
          io_.get_executor())),
      previous_(current),
      tray_(std::make_unique<std::vector<TrayIcon>>()) {
  current = this;
  // Start each program's handles at a different place, so that a handle kept
  // from a program that has gone rarely names a window of its successor.
  std::random_device seed;
  nextIndex_ = 1 + seed() % (kHandleIndexLimit / 2);
}

Loop::~Loop() {
  // Windows are destroyed without messages: the program has ended.
  timers_.clear();
  windows_.clear();
  channel_.reset();
  signals_.reset();
  work_.reset();
  current = previous_;
}

Loop& Loop::Current() {
  assert(current != nullptr && "no message loop on this thread");
  return *current;
}

Loop* Loop::CurrentOrNull() { return current; }

int Loop::Run() {
  while (!quitting_) io_.run_one();
  return exitCode_;
}

bool Loop::Pump() { return io_.poll_one() > 0; }

bool Loop::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (quitting_) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    // `done` may wait on another program: look again every few milliseconds.
    io_.run_one_until(std::min(deadline, now + kPumpRecheck));
  }
  return true;
}

void Loop::PumpFor(std::chrono::milliseconds duration) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  while (!quitting_ && std::chrono::steady_clock::now() < deadline) io_.run_one_until(deadline);
}

void Loop::Quit(int exitCode) {
  if (!quitting_) exitCode_ = exitCode;
  quitting_ = true;
  boost::asio::post(io_, [] {});  // wake a loop waiting in run_one
}

std::error_code Loop::OpenChannel(std::string_view program) {
  program_ = std::string(program);
  if (channel_) return {};
  std::error_code error;
  channel_ = Channel::Open(*this, program, error);
  if (!channel_) return error;
  slot_ = channel_->slot();
  HandleSignals();
  return {};
}

void Loop::HandleSignals() {
  if (signals_) return;
  signals_ = std::make_unique<Signals>(io_);
  WaitForSignal();
}

void Loop::WaitForSignal() {
  signals_->set.async_wait([this](const boost::system::error_code& ec, int) {
    if (ec) return;
    if (mainWindow_ != 0 && Find(mainWindow_) != nullptr)
      Post(mainWindow_, WM_CLOSE, 0, 0);
    else
      Quit(0);
    WaitForSignal();
  });
}

Operator& Loop::op() {
  if (!operator_) operator_ = MakeOperatorFromEnvironment();
  return *operator_;
}

void Loop::SetOperator(std::unique_ptr<Operator> op) { operator_ = std::move(op); }

int Loop::AddEarlyReply(std::function<void()> reply) {
  earlyReplies_.emplace_back(nextEarlyReply_, std::move(reply));
  return nextEarlyReply_++;
}

void Loop::RemoveEarlyReply(int id) {
  std::erase_if(earlyReplies_, [id](const auto& entry) { return entry.first == id; });
}

void Loop::SendEarlyReplies() {
  for (auto& [id, reply] : std::exchange(earlyReplies_, {})) reply();
}

void Loop::RunModal(HWND dialog) {
  auto held = Hold(dialog);
  SendEarlyReplies();
  while (!quitting_) {
    Window* w = Find(dialog);
    if (w == nullptr || !w->dialog || w->dialog->ended) break;
    io_.run_one();
  }
}

Window* Loop::Find(HWND hwnd) {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.get();
}

std::shared_ptr<Window> Loop::Hold(HWND hwnd) {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second;
}

HWND Loop::NewHandle() {
  for (std::uint32_t tries = 0; tries < kHandleIndexLimit; ++tries) {
    const std::uint32_t index = nextIndex_;
    nextIndex_ = nextIndex_ + 1 >= kHandleIndexLimit ? 1 : nextIndex_ + 1;
    const HWND hwnd = MakeHandle(slot_, index);
    if (windows_.find(hwnd) == windows_.end()) return hwnd;
  }
  return 0;
}

void Loop::Insert(std::shared_ptr<Window> window) {
  const HWND hwnd = window->handle;
  const bool topLevel = (window->style & WS_CHILD) == 0;
  windows_.emplace(hwnd, std::move(window));
  if (topLevel) zOrder_.insert(zOrder_.begin(), hwnd);
}

void Loop::Erase(HWND hwnd) {
  windows_.erase(hwnd);
  std::erase(zOrder_, hwnd);
  accelerators.erase(hwnd);
  if (focus == hwnd) focus = 0;
  if (active == hwnd) active = 0;
  if (mainWindow_ == hwnd) mainWindow_ = 0;
}

void Loop::Raise(HWND hwnd) {
  auto it = std::find(zOrder_.begin(), zOrder_.end(), hwnd);
  if (it == zOrder_.end()) return;
  zOrder_.erase(it);
  zOrder_.insert(zOrder_.begin(), hwnd);
}

Loop::ClassEntry* Loop::FindClass(std::string_view name) {
  for (auto& entry : classes_)
    if (EqualsNoCase(entry.cls.name, name)) return &entry;
  return nullptr;
}

bool Loop::AddClass(ClassEntry entry) {
  if (entry.cls.name.empty() || FindClass(entry.cls.name) != nullptr) return false;
  classes_.push_back(std::move(entry));
  return true;
}

bool Loop::RemoveClass(std::string_view name) {
  return std::erase_if(classes_, [&](const ClassEntry& e) { return EqualsNoCase(e.cls.name, name); }) > 0;
}

bool Loop::StartTimer(HWND hwnd, UINT id, unsigned ms) {
  if (Find(hwnd) == nullptr) return false;
  StopTimer(hwnd, id);
  auto timer = std::make_shared<Timer>(io_);
  timer->hwnd = hwnd;
  timer->id = id;
  timer->ms = ms == 0 ? 1 : ms;
  timers_[{hwnd, id}] = timer;
  ArmTimer(timer);
  return true;
}

void Loop::ArmTimer(const std::shared_ptr<Timer>& timer) {
  timer->timer.expires_after(std::chrono::milliseconds(timer->ms));
  timer->timer.async_wait([this, weak = std::weak_ptr(timer)](const boost::system::error_code& ec) {
    auto t = weak.lock();
    if (ec || !t || t->stopped) return;
    // Re-armed before the handler runs, so the timer keeps firing inside a
    // modal loop that the handler may open; a tick is never queued twice.
    ArmTimer(t);
    SendMessage(t->hwnd, WM_TIMER, t->id, 0);
  });
}

std::optional<unsigned> Loop::TimerPeriod(HWND hwnd, UINT id) const {
  const auto it = timers_.find({hwnd, id});
  if (it == timers_.end() || it->second->stopped) return std::nullopt;
  return it->second->ms;
}

bool Loop::StopTimer(HWND hwnd, UINT id) {
  auto it = timers_.find({hwnd, id});
  if (it == timers_.end()) return false;
  it->second->stopped = true;
  it->second->timer.cancel();
  timers_.erase(it);
  return true;
}

void Loop::StopTimers(HWND hwnd) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == hwnd) {
      it->second->stopped = true;
      it->second->timer.cancel();
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

void Loop::Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  boost::asio::post(io_, [this, hwnd, msg, wParam, lParam] {
    if (Find(hwnd) != nullptr) SendMessage(hwnd, msg, wParam, lParam);
  });
}

void Loop::PostFromPeer(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  boost::asio::post(io_, [this, hwnd, msg, wParam, lParam] {
    if (Find(hwnd) == nullptr) return;
    PeerMessageScope fromPeer(*this);
    SendMessage(hwnd, msg, wParam, lParam);
  });
}

}  // namespace tellmar
