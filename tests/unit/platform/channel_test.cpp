// Sends between programs: each test forks a peer program with its own loop
// on a private desktop directory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/channel.h"
#include "platform/controls.h"
#include "platform/handles.h"
#include "platform/loop.h"
#include "platform/wire.h"

using namespace tellmar;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr UINT kRegister = WM_USER + 201;
constexpr UINT kEcho = WM_USER + 202;
constexpr UINT kFillList = WM_USER + 203;
constexpr UINT kDie = WM_USER + 204;

// The peer: a hidden window that works on the caller's slot, as the support
// module works on the main server's.
int RunPeer() {
  Loop loop;
  if (loop.OpenChannel("peer")) return 10;
  HWND slot = 0;
  RegisterClass({"CorvTestPeer", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   switch (m) {
                     case kRegister:
                       slot = static_cast<HWND>(w);
                       return 1;
                     case kEcho: {
                       const std::string text = GetWindowText(slot);
                       SetWindowText(slot, "OK:" + text);
                       return static_cast<LRESULT>(text.size());
                     }
                     case kFillList:
                       ListBox_AddString(static_cast<HWND>(w), "entry \xA3 one");
                       ListBox_AddString(static_cast<HWND>(w), "entry \xA9 two");
                       return ListBox_GetCount(static_cast<HWND>(w));
                     case kDie:
                       ::raise(SIGKILL);
                       return 0;
                     case WM_COPYDATA: {
                       const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
                       SetWindowText(slot, std::string(static_cast<const char*>(cds->lpData)));
                       return static_cast<LRESULT>(cds->cbData * 1000 + cds->dwData);
                     }
                     case WM_DESTROY:
                       PostQuitMessage(0);
                       return 0;
                     default:
                       return DefWindowProc(h, m, w, l);
                   }
                 }});
  const HWND main = CreateWindow("CorvTestPeer", "Peer Window", 0, 0, 0, 10, 10);
  loop.SetMainWindow(main);
  return loop.Run();  // the loop's end removes the desktop entry
}

sockaddr_un UnixAddress(const fs::path& path) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
  return a;
}

// The next whole reply on `fd`; nothing when the peer closes, times out or
// sends a frame that does not decode.
std::optional<wire::Reply> ReadReply(int fd) {
  std::string in;
  char buffer[4096];
  for (;;) {
    std::string error;
    if (auto n = wire::FrameLength(in, error); n && in.size() >= 4 + *n) return wire::DecodeReply(in.substr(4, *n), error);
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return std::nullopt;
    in.append(buffer, static_cast<std::size_t>(got));
  }
}

// True when the peer answers on `fd` with a refusal.
bool Refused(int fd) {
  const std::optional<wire::Reply> reply = ReadReply(fd);
  return reply && !reply->ok;
}

class ChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tmdesk-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ::setenv("TELLMAR_DESKTOP", dir_.c_str(), 1);
    peer_ = ::fork();
    ASSERT_GE(peer_, 0);
    if (peer_ == 0) {
      ::alarm(30);  // a watchdog for the peer
      _exit(RunPeer());
    }
    loop_ = std::make_unique<Loop>();
    ASSERT_FALSE(loop_->OpenChannel("test"));
    ASSERT_TRUE(loop_->PumpUntil([&] { return (peerWindow_ = FindWindow("corvtestpeer", "PEER WINDOW")) != 0; }, 10s));
  }

  void TearDown() override {
    if (peer_ > 0) {
      ::kill(peer_, SIGTERM);
      int status = 0;
      ::waitpid(peer_, &status, 0);
    }
    loop_.reset();
    fs::remove_all(dir_);
  }

  int RawConnect() {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a = UnixAddress(SocketPath(dir_, SlotOfHandle(peerWindow_)));
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return fd;
  }

  fs::path dir_;
  pid_t peer_ = -1;
  std::unique_ptr<Loop> loop_;
  HWND peerWindow_ = 0;
};

}  // namespace

TEST_F(ChannelTest, HandlerReadsAndWritesTheSendersSlotBeforeTheSendReturns) {
  const HWND slot = CreateWindow(kEditClass, "hello \xA9\xA3\xE9", 0, 0, 0, 20, 20);
  ASSERT_TRUE(TrySendMessage(peerWindow_, kRegister, static_cast<WPARAM>(slot)).ok);
  const SendResult r = TrySendMessage(peerWindow_, kEcho);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.value, 9);
  EXPECT_EQ(GetWindowText(slot), "OK:hello \xA9\xA3\xE9") << "8-bit texts pass unchanged";

  const HWND list = CreateWindow(kListBoxClass, "", 0, 0, 0, 20, 20);
  EXPECT_EQ(SendMessage(peerWindow_, kFillList, static_cast<WPARAM>(list)), 2);
  EXPECT_EQ(ListBox_GetText(list, 1), "entry \xA9 two");

  const SendResult copy = SendCopyData(peerWindow_, slot, 1735, "0,My ISP");
  ASSERT_TRUE(copy.ok) << copy.error;
  EXPECT_EQ(copy.value, 9 * 1000 + 1735) << "the text and its terminator, and dwData";
  EXPECT_EQ(GetWindowText(slot), "0,My ISP");

  EXPECT_EQ(GetWindowText(peerWindow_), "Peer Window");
  EXPECT_TRUE(SetWindowText(peerWindow_, "Renamed"));
  EXPECT_EQ(GetWindowText(peerWindow_), "Renamed");
  EXPECT_FALSE(TrySendMessage(peerWindow_, WM_DRAWITEM, 0, 1234).ok) << "an address cannot cross";
  EXPECT_FALSE(TrySendMessage(peerWindow_ + 1, kEcho).ok) << "no such window in that program";
}

TEST_F(ChannelTest, APeerKilledInTheMiddleOfASendFailsTheSendAndIsCleanedUp) {
  const auto before = std::chrono::steady_clock::now();
  const SendResult r = TrySendMessage(peerWindow_, kDie);
  EXPECT_FALSE(r.ok);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);
  int status = 0;
  ::waitpid(peer_, &status, 0);
  peer_ = -1;
  EXPECT_FALSE(TrySendMessage(peerWindow_, kEcho).ok);
  EXPECT_EQ(FindWindow("CorvTestPeer", std::nullopt), 0);
  EXPECT_FALSE(fs::exists(SocketPath(dir_, SlotOfHandle(peerWindow_)))) << "the dead program's entry is removed";
}

TEST_F(ChannelTest, BadInputNeverCrashesOrBlocksThePeer) {
  // A truncated frame left hanging on one connection...
  const int hanging = RawConnect();
  const std::string frame = wire::EncodeRequest(wire::Request{wire::Kind::Ping, 0, 0, 0, 0, {}});
  ASSERT_GT(::send(hanging, frame.data(), 6, 0), 0);
  // ...a huge length on another...
  const int huge = RawConnect();
  ASSERT_EQ(::send(huge, "\xff\xff\xff\x7f", 4, 0), 4);
  EXPECT_TRUE(Refused(huge));
  // ...an unknown kind and a handle of another program on a third.
  const int odd = RawConnect();
  std::string unknown = frame;
  unknown[4] = 42;
  ASSERT_GT(::send(odd, unknown.data(), unknown.size(), 0), 0);
  EXPECT_TRUE(Refused(odd));
  const int other = RawConnect();
  const HWND foreign = MakeHandle(SlotOfHandle(peerWindow_) + 1, 5);
  const std::string send = wire::EncodeRequest(wire::Request{wire::Kind::Send, foreign, WM_CLOSE, 0, 0, {}});
  ASSERT_GT(::send(other, send.data(), send.size(), 0), 0);
  EXPECT_TRUE(Refused(other));
  // The peer still serves everyone else at once.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(GetWindowText(peerWindow_), "Peer Window");
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
  for (int fd : {hanging, huge, odd, other}) ::close(fd);
  EXPECT_EQ(GetWindowText(peerWindow_), "Peer Window");
}

TEST_F(ChannelTest, MessagesCarryingAddressesNeverCrossAsNumbers) {
  // Sent or posted as plain numbers straight on the wire, as a hostile peer
  // would, and through the sender's own channel calls: every one is refused.
  const int fd = RawConnect();
  for (const wire::Kind kind : {wire::Kind::Send, wire::Kind::Post}) {
    for (const UINT msg : wire::PointerMessages()) {
      const std::string frame = wire::EncodeRequest(wire::Request{kind, peerWindow_, msg, 0x41414141, 0x41414141, {}});
      ASSERT_EQ(::send(fd, frame.data(), frame.size(), 0), static_cast<ssize_t>(frame.size()));
      ASSERT_TRUE(Refused(fd)) << "message " << msg;
    }
  }
  ::close(fd);
  EXPECT_EQ(wire::MarshalOf(WM_INITDIALOG), wire::Marshal::Refused);
  EXPECT_EQ(wire::MarshalOf(WM_USER + 193), wire::Marshal::Plain);  // program messages stay plain
  EXPECT_FALSE(TrySendMessage(peerWindow_, WM_INITDIALOG, 0, 1094795585).ok);
  EXPECT_FALSE(PostMessage(peerWindow_, WM_INITDIALOG, 0, 1094795585));
  EXPECT_EQ(GetWindowText(peerWindow_), "Peer Window");
}

TEST_F(ChannelTest, ASocketLeftByADeadProgramIsIgnoredAndRemoved) {
  const fs::path stale = SocketPath(dir_, 77);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a = UnixAddress(stale);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ::close(fd);  // nobody listens, nobody holds slot 77's lock
  const auto windows = EnumWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0].program, "peer");
  EXPECT_FALSE(fs::exists(stale));
}

TEST_F(ChannelTest, SigtermClosesThePeersMainWindowAndRemovesItsEntry) {
  const fs::path socket = SocketPath(dir_, SlotOfHandle(peerWindow_));
  ASSERT_TRUE(fs::exists(socket));
  ::kill(peer_, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(peer_, &status, 0), peer_);
  peer_ = -1;
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(socket));
}
