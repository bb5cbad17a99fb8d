#include "platform/ras/simulated_modem.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/ras/error_text.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::ras {
namespace {

namespace fs = std::filesystem;

DialParams Entry(std::string name) {
  DialParams p;
  p.entryName = std::move(name);
  return p;
}

class SimulatedModemTest : public ::testing::Test {
 protected:
  void WriteBook(const std::string& text) { std::ofstream(book_, std::ios::binary) << text; }

  SimulatedModem Modem(int platform = kPlatformNT) {
    return SimulatedModem(io_, {platform, book_, true});
  }

  // Runs the loop until it has nothing left to do, with a watchdog.
  void RunLoop() {
    io_.restart();
    io_.run_for(std::chrono::seconds(10));
  }

  using Events = std::vector<std::pair<int, int>>;

  tellmar::testing::TempDir temp_;
  const fs::path book_ = temp_ / "phonebook.ini";
  boost::asio::io_context io_;
};

TEST_F(SimulatedModemTest, ConnectPassesEveryStateAndStaysListedUntilHungUp) {
  WriteBook("[Office]\r\nStepMs=1\r\n");
  auto modem = Modem();
  Events events;
  ConnHandle h = 0;
  ASSERT_EQ(modem.Dial(Entry("office"), [&](int s, int e) { events.push_back({s, e}); }, &h), 0);
  EXPECT_TRUE(events.empty()) << "no notification inside Dial()";
  RunLoop();
  Events expected = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {19, 0}, {5, 0}, {14, 0}, {8192, 0}};
  EXPECT_EQ(events, expected);

  Enumeration table = modem.EnumConnections(16);
  ASSERT_EQ(table.error, 0);
  ASSERT_EQ(table.connections.size(), 1u);
  EXPECT_EQ(table.connections[0].handle, h);
  EXPECT_EQ(table.connections[0].entryName, "Office");
  EXPECT_EQ(modem.GetConnectStatus(h).state, state::kConnected);

  EXPECT_EQ(modem.HangUp(h), 0);
  EXPECT_TRUE(modem.EnumConnections(16).connections.empty());
  EXPECT_EQ(modem.HangUp(h), error::kInvalidHandle);
  EXPECT_EQ(modem.GetConnectStatus(h).error, error::kInvalidHandle);
}

TEST_F(SimulatedModemTest, ScriptedFailuresAreReportedAtTheirStateAndLeaveNoConnection) {
  WriteBook(
      "[Busy]\nResult=676\nStepMs=0\n"
      "[Auth]\nResult=691\nFailState=5\nStepMs=0\n"
      "[Open]\nResult=602\nFailState=0\nStepMs=0\n"
      "[Late]\nResult=678\nFailState=8193\nStepMs=0\n");
  auto modem = Modem();
  Events busy, auth, open, late;
  ConnHandle h;
  modem.Dial(Entry("Busy"), [&](int s, int e) { busy.push_back({s, e}); }, &h);
  modem.Dial(Entry("Auth"), [&](int s, int e) { auth.push_back({s, e}); }, &h);
  modem.Dial(Entry("Open"), [&](int s, int e) { open.push_back({s, e}); }, &h);
  modem.Dial(Entry("Late"), [&](int s, int e) { late.push_back({s, e}); }, &h);
  RunLoop();
  EXPECT_EQ(busy, (Events{{0, 0}, {1, 0}, {2, 676}}));
  EXPECT_EQ(auth, (Events{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {19, 0}, {5, 691}}));
  EXPECT_EQ(open, (Events{{0, 602}}));
  EXPECT_EQ(late, (Events{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {19, 0}, {5, 0}, {14, 0}, {8193, 678}}))
      << "a failure in place of \"connected\" comes as a disconnect";
  EXPECT_TRUE(modem.EnumConnections(16).connections.empty());
}

TEST_F(SimulatedModemTest, RemoteSideHangsUpAfterDropAfterSeconds) {
  WriteBook("[Short]\nStepMs=0\nDropAfter=1\n");
  auto modem = Modem();
  Events events;
  ConnHandle h;
  modem.Dial(Entry("Short"), [&](int s, int e) { events.push_back({s, e}); }, &h);
  RunLoop();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2], (std::pair{8192, 0}));
  EXPECT_EQ(events.back(), (std::pair{8193, 0}));
  EXPECT_TRUE(modem.EnumConnections(16).connections.empty());
}

TEST_F(SimulatedModemTest, HangingUpADialInProgressStopsItsNotifications) {
  WriteBook("[Slow]\nStepMs=50\n");
  auto modem = Modem();
  Events events;
  ConnHandle h;
  modem.Dial(Entry("Slow"), [&](int s, int e) {
    events.push_back({s, e});
    if (s == state::kPortOpened) modem.HangUp(h);  // from inside the callback
  }, &h);
  RunLoop();
  EXPECT_EQ(events, (Events{{0, 0}, {1, 0}}));
}

TEST_F(SimulatedModemTest, SecondDialOfAnActiveEntryFindsThePortOpen) {
  WriteBook("[A]\nStepMs=0\n");
  auto modem = Modem();
  Events first, second;
  ConnHandle h1, h2;
  modem.Dial(Entry("A"), [&](int s, int e) { first.push_back({s, e}); }, &h1);
  modem.Dial(Entry("A"), [&](int s, int e) { second.push_back({s, e}); }, &h2);
  RunLoop();
  EXPECT_EQ(first.back(), (std::pair{8192, 0}));
  EXPECT_EQ(second, (Events{{0, 602}}));
  EXPECT_NE(h1, h2);
}

TEST_F(SimulatedModemTest, MoreThanTheCapacityIsABufferTooSmallError) {
  std::string book;
  for (int i = 0; i < 17; ++i) book += "[E" + std::to_string(i) + "]\nStepMs=0\n";
  WriteBook(book);
  auto modem = Modem();
  for (int i = 0; i < 17; ++i) {
    ConnHandle h;
    ASSERT_EQ(modem.Dial(Entry("E" + std::to_string(i)), [](int, int) {}, &h), 0);
  }
  RunLoop();
  Enumeration table = modem.EnumConnections(16);
  EXPECT_EQ(table.error, error::kBufferTooSmall);
  EXPECT_EQ(table.needed, 17u);
  EXPECT_TRUE(table.connections.empty());
  EXPECT_EQ(modem.EnumConnections(17).connections.size(), 17u);

  EntryNames names = modem.EnumEntries(10);
  EXPECT_EQ(names.error, error::kBufferTooSmall);
  EXPECT_EQ(modem.EnumEntries(17).names.size(), 17u);
}

TEST_F(SimulatedModemTest, MissingOrMalformedPhonebookGivesErrorsNotSurprises) {
  auto modem = Modem();
  ConnHandle h;
  EXPECT_EQ(modem.EnumEntries(10).error, error::kCannotOpenPhonebook);
  EXPECT_EQ(modem.Dial(Entry("x"), [](int, int) {}, &h), error::kCannotOpenPhonebook);

  WriteBook(
      "garbage line without equals\n[Typo]\nResult=busy\n[Late]\nResult=676\nFailState=8192\n"
      "[Range]\nResult=42\n[Good]\nStepMs=0\n\x01\x02\xff\n");
  Phonebook book = LoadPhonebook(book_);
  ASSERT_EQ(book.entries.size(), 4u);
  EXPECT_FALSE(book.entries[0].problem.empty());
  EXPECT_FALSE(book.entries[1].problem.empty());
  EXPECT_FALSE(book.entries[2].problem.empty());
  EXPECT_TRUE(book.entries[3].problem.empty());

  EXPECT_EQ(modem.EnumEntries(10).names, (std::vector<std::string>{"Typo", "Late", "Range", "Good"}));
  EXPECT_EQ(modem.Dial(Entry("Nowhere"), [](int, int) {}, &h), error::kCannotFindPhonebookEntry);
  Events events;
  modem.Dial(Entry("Typo"), [&](int s, int e) { events.push_back({s, e}); }, &h);
  RunLoop();
  EXPECT_EQ(events, (Events{{0, error::kCorruptPhonebook}}));
}

TEST_F(SimulatedModemTest, SavedDialParametersAndPasswordKeeping) {
  WriteBook(
      "; comment kept\n[ISP]\nNumber=0800 123\nUser=joe\nPassword=secret\nDomain=corp\nResult=0\n"
      "[NoKeep]\nPasswordSaved=0\nPassword=ignored\n");
  auto modem = Modem(kPlatformWindows95);
  EXPECT_EQ(modem.PlatformCode(), kPlatformWindows95);

  SavedDialParams isp = modem.GetEntryDialParams("isp");
  ASSERT_EQ(isp.error, 0);
  EXPECT_TRUE(isp.passwordSaved);
  EXPECT_EQ(isp.params.password, "secret");
  EXPECT_EQ(isp.params.userName, "joe");
  EXPECT_EQ(isp.params.phoneNumber, "0800 123");

  SavedDialParams noKeep = modem.GetEntryDialParams("NoKeep");
  EXPECT_FALSE(noKeep.passwordSaved);
  EXPECT_EQ(noKeep.params.password, "");

  DialParams p = isp.params;
  p.password = "new";
  p.userName = "jim";
  EXPECT_EQ(modem.SetEntryDialParams(p, false), 0);
  EXPECT_EQ(modem.GetEntryDialParams("ISP").params.password, "new");
  EXPECT_EQ(modem.GetEntryDialParams("ISP").params.userName, "jim");
  EXPECT_EQ(modem.SetEntryDialParams(p, true), 0);
  EXPECT_FALSE(modem.GetEntryDialParams("ISP").passwordSaved);

  p.entryName = "NoKeep";
  modem.SetEntryDialParams(p, false);
  EXPECT_FALSE(modem.GetEntryDialParams("NoKeep").passwordSaved);

  // The script and the comment survive the write-back.
  std::ifstream in(book_, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("; comment kept"), std::string::npos);
  EXPECT_NE(text.find("Result=0"), std::string::npos);
}

TEST(ErrorTextTest, EveryServiceCodeHasATextAndOthersNone) {
  for (int code = error::kFirst; code <= error::kLast; ++code) {
    auto text = ServiceErrorText(code);
    ASSERT_TRUE(text && !text->empty()) << code;
  }
  EXPECT_FALSE(ServiceErrorText(599));
  EXPECT_FALSE(ServiceErrorText(753));
  EXPECT_FALSE(ServiceErrorText(0));
}

TEST(PhonebookPathTest, EnvironmentChoosesTheFile) {
  ::setenv("TELLMAR_PHONEBOOK", "/tmp/x/book.ini", 1);
  EXPECT_EQ(DefaultPhonebookPath(), "/tmp/x/book.ini");
  ::unsetenv("TELLMAR_PHONEBOOK");
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(DefaultPhonebookPath(), "/cfg/tellmar/phonebook.ini");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(DefaultPhonebookPath(), "/home/u/.config/tellmar/phonebook.ini");
}

TEST_F(SimulatedModemTest, WrittenEntriesKeepTheirScriptAndBadNamesAreRefused) {
  WriteBook("[Office]\nResult=676\nStepMs=7\n");
  PhonebookEntry office;
  office.name = "Office";
  office.saved.phoneNumber = "555";
  office.saved.password = "pw";
  office.keepsPassword = false;
  ASSERT_FALSE(WritePhonebookEntry(book_, office));
  PhonebookEntry home;
  home.name = "Home";
  home.saved.userName = "anna";
  ASSERT_FALSE(WritePhonebookEntry(book_, home));
  const Phonebook book = LoadPhonebook(book_);
  ASSERT_EQ(book.entries.size(), 2u);
  EXPECT_EQ(book.entries[0].result, 676) << "the outcome script stays";
  EXPECT_EQ(book.entries[0].stepMs, 7);
  EXPECT_EQ(book.entries[0].saved.phoneNumber, "555");
  EXPECT_FALSE(book.entries[0].keepsPassword);
  EXPECT_EQ(book.entries[1].saved.userName, "anna");

  for (const char* bad : {"", " lead", "trail ", "a[b", "a]b", "a\\b", "tab\there"}) {
    EXPECT_FALSE(EntryNameProblem(bad).empty()) << bad;
    PhonebookEntry e;
    e.name = bad;
    EXPECT_TRUE(WritePhonebookEntry(book_, e)) << bad;
  }
  EXPECT_FALSE(EntryNameProblem(std::string(257, 'x')).empty());
  EXPECT_TRUE(EntryNameProblem("My ISP \xA3").empty());
  EXPECT_EQ(LoadPhonebook(book_).entries.size(), 2u);
}

}  // namespace
}  // namespace tellmar::ras
