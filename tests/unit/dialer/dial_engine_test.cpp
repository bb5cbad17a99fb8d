#include "dialer/dial_engine.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "dialer/entry_list.h"
#include "platform/operator.h"
#include "platform/ras/simulated_modem.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::dialer {
namespace {

namespace fs = std::filesystem;

constexpr PeerHandle kStatus = 11, kParam = 12, kRequestStatus = 13, kFail = 14;

struct FakePeers : PeerWindows {
  std::map<PeerHandle, std::vector<std::string>> texts;
  void SetPeerText(PeerHandle w, std::string_view t) override { texts[w].emplace_back(t); }
  std::string GetPeerText(PeerHandle w, std::size_t) override {
    return texts[w].empty() ? std::string() : texts[w].back();
  }
  void AddComboString(PeerHandle w, std::string_view t) override { texts[w].emplace_back(t); }
};

struct FakeUi : DialerUi {
  std::vector<int> trayIcons;
  bool open = false;
  std::vector<std::string> status, actions, boxes, passwordDialogs, failedDialogs;
  std::vector<unsigned> posted;
  std::optional<std::string> selected;
  PasswordAnswer answer;

  void ShowTray(int icon, std::string_view) override {
    if (trayIcons.empty() || trayIcons.back() != icon) trayIcons.push_back(icon);
  }
  bool ProgressOpen() const override { return open; }
  void OpenProgress(std::string_view, std::string_view) override { open = true; }
  void CloseProgress() override { open = false; }
  void SetProgressCaption(std::string_view) override {}
  void AddProgressStatus(std::string_view t) override { status.emplace_back(t); }
  void SetProgressAction(std::string_view t) override { actions.emplace_back(t); }
  void EnableRedial(bool) override {}
  void EnableCancel(bool) override {}
  PasswordAnswer PasswordDialog(std::string_view entry, std::string_view, bool) override {
    passwordDialogs.emplace_back(entry);
    return answer;
  }
  void NoPasswordDialog(std::string_view entry, bool) override { boxes.push_back("no password " + std::string(entry)); }
  FailedAnswer ConnectionFailedDialog(std::string_view entry, std::string_view, std::optional<int>) override {
    failedDialogs.emplace_back(entry);
    return FailedAnswer::kOk;
  }
  int MessageBox(HWND, std::string_view, std::string_view caption, UINT flags) override {
    boxes.emplace_back(caption);
    return MessageBoxDefault(flags);
  }
  std::optional<std::string> SelectedEntry() const override { return selected; }
  bool SelectEntry(std::string_view) override { return true; }
  void PostCommand(unsigned id, ras::ConnHandle) override { posted.push_back(id); }
  void PumpMessages() override {}
  void WaitPumping(std::chrono::milliseconds) override {}
  void RememberForeground() override {}
  void RestoreForeground() override {}
};

class DialEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Write(dir_ / "phonebook.ini",
          "[ISP]\nUser=u\nPassword=pw\nStepMs=0\n"
          "[Busy]\nPassword=pw\nResult=676\nStepMs=0\n"
          "[NoAnswer]\nPassword=pw\nResult=678\nStepMs=0\n"
          "[BadPass]\nPassword=pw\nResult=691\nFailState=5\nStepMs=0\n"
          "[Drop]\nPassword=pw\nStepMs=0\nDropAfter=1\n"
          "[Expired]\nPassword=pw\nResult=648\nStepMs=0\n"
          "[NoProtocol]\nPassword=pw\nDomain=corp\nResult=731\nStepMs=0\n");
  }

  static void Write(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }

  void Make(int platform = ras::kPlatformNT, bool errorTexts = true) {
    modem_ = std::make_unique<ras::SimulatedModem>(
        io_, ras::SimulatedModem::Options{platform, dir_ / "phonebook.ini", errorTexts});
    settings_ = std::make_unique<DialerSettings>(dir_, dir_ / "win.ini");
    log_ = std::make_unique<DialLog>(dir_, [this] { return settings_->LogFile(); });
    peers_ = std::make_unique<Peers>(windows_);
    peers_->SetStatusWindow(kStatus);
    peers_->SetParamWindow(kParam);
    peers_->SetFailWindow(kFail);
    engine_ = std::make_unique<DialEngine>(*modem_, *settings_, *log_, *peers_, ui_);
  }

  // A client's request "0,<entry>" as the control interface would set it.
  void Request(const std::string& entry) {
    auto& s = engine_->state();
    s.requestMode = true;
    s.fieldCount = 2;
    s.requestEntry = entry;
    s.currentEntry = entry;
  }

  void Run() {
    io_.restart();
    io_.run_for(std::chrono::seconds(10));
  }

  // Requests `entry`, connects and lets the dial run to its end.
  void DialToTheEnd(const std::string& entry) {
    Request(entry);
    engine_->Connect();
    Run();
  }

  std::vector<std::string>& Words(PeerHandle h = kStatus) { return windows_.texts[h]; }

  tellmar::testing::TempDir temp_;
  const fs::path dir_ = temp_.path();
  boost::asio::io_context io_;
  FakePeers windows_;
  FakeUi ui_;
  std::unique_ptr<ras::SimulatedModem> modem_;
  std::unique_ptr<DialerSettings> settings_;
  std::unique_ptr<DialLog> log_;
  std::unique_ptr<Peers> peers_;
  std::unique_ptr<DialEngine> engine_;
};

TEST_F(DialEngineTest, RequestConnectsAndReportsEachStage) {
  Make();
  Request("ISP");
  engine_->Connect();
  EXPECT_EQ(engine_->state().trayState, kTrayDialling);
  Run();
  EXPECT_EQ(Words(), (std::vector<std::string>{"DIALCOMPLETE", "AUTHENTICATE", "OK"}));
  EXPECT_EQ(ui_.trayIcons, (std::vector<int>{kIconDialling, kIconDevicesConnected, kIconAuthenticated, kIconOnline}));
  EXPECT_FALSE(engine_->state().requestMode);
  EXPECT_FALSE(ui_.open);
  const std::string log = Read(dir_ / "dialwick.log");
  for (const char* line : {" : Connecting to - ISP\r\n", " : Opening port\r\n", " : Login authentication ...\r\n",
                           " : Authentication accepted\r\n", " : Connected...\r\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;

  // The monitor counts the online time once the connection is up.
  for (int i = 0; i < 60; ++i) engine_->MonitorTick();
  EXPECT_EQ(engine_->state().onlineText, "Online for 1m 0 secs so far...");

  // Releasing the named entry answers in the parameter window.
  engine_->DisconnectSelected("isp");
  EXPECT_EQ(Words(kParam).back(), "DUNCLOSED");
  EXPECT_TRUE(modem_->EnumConnections(16).connections.empty());
  engine_->MonitorTick();
  EXPECT_EQ(engine_->state().trayState, kTrayOffline);
}

TEST_F(DialEngineTest, RequestStatusWindowTakesWordsUntilOk) {
  Make();
  peers_->SetRequestStatusWindow(kRequestStatus);
  DialToTheEnd("ISP");
  EXPECT_EQ(Words(kRequestStatus), (std::vector<std::string>{"AUTHENTICATE", "OK"}));
  EXPECT_TRUE(Words(kStatus).empty()) << "DIALCOMPLETE only without a request status window";
  EXPECT_EQ(peers_->requestStatusWindow(), 0u);
  engine_->HangUpCommand();  // a later word goes to the status window again
}

TEST_F(DialEngineTest, BusyAndNoAnswerAreWorthAnotherAttempt) {
  for (const char* entry : {"Busy", "NoAnswer"}) {
    Make();
    windows_.texts.clear();
    DialToTheEnd(entry);
    EXPECT_EQ(Words().back(), "BUSY") << entry;
    EXPECT_EQ(engine_->state().trayState, kTrayOffline);
    EXPECT_NE(Read(dir_ / "dialwick.log").find("Line is busy..."), std::string::npos);
  }
}

TEST_F(DialEngineTest, NoProtocolRetriesOnceWithTheWildcardDomainOnEveryConnect) {
  Make(ras::kPlatformWindows95, /*errorTexts=*/false);  // the handler's own table acts
  for (int connect = 1; connect <= 2; ++connect) {
    ui_.posted.clear();
    DialToTheEnd("NoProtocol");
    ASSERT_EQ(ui_.posted, (std::vector<unsigned>{cmd::kConnect})) << "connect " << connect;
    EXPECT_EQ(engine_->state().params.domain, "*");
    // The posted connect is the retry: failing again, it gives up.
    ui_.posted.clear();
    DialToTheEnd("NoProtocol");
    EXPECT_TRUE(ui_.posted.empty()) << "connect " << connect;
    EXPECT_EQ(Words().back(), "FAIL");
  }
}

TEST_F(DialEngineTest, AuthenticationFailureFailsAndAsksForThePassword) {
  Make();
  DialToTheEnd("BadPass");
  EXPECT_EQ(Words().back(), "FAIL");
  EXPECT_EQ(Words(kFail), (std::vector<std::string>{"Incorrect Password"}));
  EXPECT_EQ(ui_.passwordDialogs, (std::vector<std::string>{"BadPass"}));
  // Cancelled dialog: the password counts as refused and the line is hung up.
  EXPECT_EQ(ui_.posted, (std::vector<unsigned>{cmd::kHangUp}));
  EXPECT_EQ(engine_->state().trayState, kTrayOffline);

  // In server-system mode no dialog is shown; the outcome is the same.
  Make();
  ui_.passwordDialogs.clear();
  engine_->state().serverSystem = true;
  DialToTheEnd("BadPass");
  EXPECT_TRUE(ui_.passwordDialogs.empty());
  EXPECT_EQ(Words().back(), "FAIL");
}

TEST_F(DialEngineTest, RemoteDropReportsOfflineThenFail) {
  Make();
  DialToTheEnd("Drop");
  std::vector<std::string> expected = {"DIALCOMPLETE", "AUTHENTICATE", "OK", "OFFLINE", "FAIL"};
  EXPECT_EQ(Words(), expected);
  EXPECT_EQ(Words(kFail), (std::vector<std::string>{"Failed to Connect"}));
  EXPECT_FALSE(engine_->state().dialActive);
  EXPECT_EQ(engine_->state().trayState, kTrayOffline);
}

TEST_F(DialEngineTest, WithoutServiceTextsTheOwnTableExplains) {
  Make(ras::kPlatformNT, /*errorTexts=*/false);
  DialToTheEnd("Busy");
  // The row's word, then the common tail's: a busy line is worth a redial
  // whether or not the service has a text for it.
  EXPECT_EQ(Words(), (std::vector<std::string>{"BUSY", "BUSY"}));
  EXPECT_EQ(Words(kFail), (std::vector<std::string>{"Line is currently busy", "Undefined connection failure"}));
  EXPECT_NE(Read(dir_ / "dialwick.log").find(" : Line is busy\r\n"), std::string::npos);
  EXPECT_FALSE(engine_->state().dialInProgress);

  Make(ras::kPlatformNT, false);
  windows_.texts.clear();
  ui_.open = false;
  DialToTheEnd("Expired");
  EXPECT_EQ(ui_.passwordDialogs.size(), 1u) << "648 asks for a new password first";
  EXPECT_EQ(Words(kFail).front(), "Password has expired");
}

TEST_F(DialEngineTest, DisconnectAnyWithNothingUpStillResetsTheRequester) {
  Make();
  engine_->state().requester = kRequesterTellmar;
  engine_->state().currentPassword = "x";
  engine_->DisconnectAny();
  EXPECT_EQ(engine_->state().requester, kRequesterNone);
  EXPECT_EQ(engine_->state().currentPassword, "");
  EXPECT_NE(Read(dir_ / "dialwick.log").find(" : 0 active connections\r\n"), std::string::npos);
}

TEST_F(DialEngineTest, MoreThanSixteenConnectionsStopTheMonitor) {
  std::string book;
  for (int i = 0; i < 17; ++i) book += "[E" + std::to_string(i) + "]\nPassword=p\nStepMs=0\n";
  Write(dir_ / "phonebook.ini", book);
  Make();
  for (int i = 0; i < 17; ++i) {
    ras::DialParams p;
    p.entryName = "E" + std::to_string(i);
    ras::ConnHandle h;
    modem_->Dial(p, [](int, int) {}, &h);
  }
  Run();
  engine_->MonitorTick();
  EXPECT_EQ(engine_->state().trayState, kTrayOffline) << "a failed enumeration changes nothing";
  EXPECT_TRUE(ui_.trayIcons.empty());
}

TEST_F(DialEngineTest, NtListsTenEntriesAtMostAndTheWin95FamilyAny) {
  std::string book;
  for (int i = 0; i < 11; ++i) book += "[E" + std::to_string(i) + "]\n";
  Write(dir_ / "phonebook.ini", book);
  Make(ras::kPlatformNT);
  EXPECT_EQ(LoadEntryNames(*modem_).error, ras::error::kBufferTooSmall);
  Make(ras::kPlatformWindows95);
  ras::EntryNames names = LoadEntryNames(*modem_);
  ASSERT_EQ(names.error, 0);
  EXPECT_EQ(names.names.size(), 11u);
  EXPECT_FALSE(WriteEntryListFile(dir_ / "NTPBLIST.LST", {"A", "B c"}));
  EXPECT_EQ(Read(dir_ / "NTPBLIST.LST"), "A\r\nB c\r\n");
  EXPECT_TRUE(WriteEntryListFile(dir_ / "missing" / "NTPBLIST.LST", {"A"}));
}

TEST_F(DialEngineTest, Win95FamilyKeepsTheDomainAndWritesParametersBack) {
  Write(dir_ / "phonebook.ini", "[ISP]\nUser=u\nPassword=pw\nDomain=corp\nStepMs=0\n");
  Make(ras::kPlatformWindows95);
  Request("ISP");
  engine_->Connect();
  EXPECT_EQ(engine_->state().params.domain, "corp");
  Run();
  EXPECT_EQ(Words().back(), "OK");
  EXPECT_EQ(modem_->GetEntryDialParams("ISP").params.password, "pw");

  Make(ras::kPlatformNT);
  Request("ISP");
  engine_->Connect();
  EXPECT_EQ(engine_->state().params.domain, "") << "NT dials without the domain";
}

TEST_F(DialEngineTest, NoPasswordAnywhereEndsWithOffline) {
  Write(dir_ / "phonebook.ini", "[Bare]\nStepMs=0\n");
  Make();
  Request("Bare");
  engine_->Connect();
  EXPECT_EQ(ui_.boxes, (std::vector<std::string>{"no password Bare"}));
  EXPECT_EQ(Words(), (std::vector<std::string>{"OFFLINE"}));
  EXPECT_TRUE(engine_->state().noSavedPassword);

  // A password kept in DIALWICK.INI serves when the service keeps none.
  Write(dir_ / "DIALWICK.INI", "[Password]\nBare=kept\n");
  ui_.boxes.clear();
  Request("Bare");
  engine_->Connect();
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_EQ(engine_->state().params.password, "kept");
  Run();
  EXPECT_EQ(Words().back(), "OK");
}

TEST_F(DialEngineTest, ADialTheServiceRefusesAtOnceIsAnsweredAndLeavesTheTrayOffline) {
  Make();
  Request("Nowhere");  // not in the phonebook: the service refuses the dial itself
  engine_->state().currentPassword = "pw";
  engine_->Connect();
  EXPECT_EQ(Words().back(), "FAIL");
  EXPECT_EQ(engine_->state().trayState, kTrayOffline);
  EXPECT_FALSE(engine_->state().dialInProgress);
  EXPECT_EQ(engine_->state().lastError, ras::error::kCannotFindPhonebookEntry);
}

TEST_F(DialEngineTest, RequestPasswordWinsAndTheFlagFollowsTheEntry) {
  Write(dir_ / "phonebook.ini", "[ISP]\nPassword=old\nStepMs=0\n[Bare]\nPasswordSaved=0\nStepMs=0\n");
  Make();
  Request("Bare");
  engine_->state().fieldCount = 3;
  engine_->state().currentPassword = "given";
  engine_->Connect();
  EXPECT_EQ(engine_->state().params.password, "given");
  EXPECT_TRUE(engine_->state().noSavedPassword);
  Run();
  Request("ISP");
  engine_->state().fieldCount = 3;
  engine_->state().currentPassword = "newpw";
  engine_->Connect();
  EXPECT_EQ(engine_->state().params.password, "newpw") << "not the saved one";
  EXPECT_FALSE(engine_->state().noSavedPassword) << "ISP keeps its password";
}

TEST_F(DialEngineTest, RequestWithNothingToDialFails) {
  Make();
  auto& s = engine_->state();
  s.requestMode = true;
  s.fieldCount = 1;
  engine_->Connect();
  EXPECT_EQ(Words(), (std::vector<std::string>{"FAIL"}));
  EXPECT_NE(Read(dir_ / "dialwick.log").find(" : Connection request refused - no DUN selected\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tellmar::dialer
