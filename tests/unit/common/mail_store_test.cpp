#include "common/mail_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "common/file_bytes.h"
#include "common/mail_delivery.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;

class MailStoreTest : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { testing::PutFile(dir_ / name, "x"); }
  std::string Read(const std::string& name) {
    std::error_code ec;
    return ReadFileBytes(dir_ / name, ec).value_or("<unreadable>");
  }
  std::set<std::string> Names() { return testing::FileNames(dir_); }
  testing::TempDir temp_;
  const fs::path dir_ = temp_.path();
};

TEST(MessageNames, EightLowerHexDigitsAndExtension) {
  EXPECT_EQ(MessageFileName(0xabcd, "txt"), "0000abcd.txt");
  EXPECT_EQ(MessageFileName(0xFFFFFFFFu, "env"), "ffffffff.env");
  EXPECT_EQ(MessageFileName(1, "txt"), "00000001.txt");
}

TEST_F(MailStoreTest, ChoiceSkipsNumbersTakenInAnyCaseOrByACompanion) {
  EXPECT_EQ(ChooseMessageName(dir_, "txt", 0xabcd).name, "0000abcd.txt");
  Touch("0000ABCD.TXT");
  Touch("0000abce.env");       // a stray envelope still holds its number
  Touch("0000abcf.txt.part");  // so does a delivery under way
  Touch("0000abd0");           // no dot: not a message name
  Touch("abd1.txt");
  EXPECT_EQ(ChooseMessageName(dir_, "txt", 0xabcd).name, "0000abd0.txt");
  EXPECT_EQ(ChooseMessageName(dir_, "txt", 0xabd1).name, "0000abd1.txt");
}

TEST_F(MailStoreTest, ChoiceWrapsAtThirtyTwoBitsAndFailsInAMissingFolder) {
  Touch("ffffffff.txt");
  EXPECT_EQ(ChooseMessageName(dir_, "txt", 0xFFFFFFFFu).name, "00000000.txt");
  const ChosenName chosen = ChooseMessageName(dir_ / "nothing", "txt", 1);
  EXPECT_TRUE(chosen.error);
  EXPECT_TRUE(chosen.name.empty());
}

TEST(Companions, BothFormsAndNamesWithoutTxt) {
  EXPECT_EQ(CompanionByCut("0000abcd.txt", "env"), "0000abcd.env");
  EXPECT_EQ(CompanionByCut("0000ABCD.TXT", "lck"), "0000ABCD.lck");
  EXPECT_EQ(CompanionByCut("ab", "env"), "env");
  EXPECT_EQ(CompanionByReplace("0000abcd.TxT", ".ENV"), "0000abcd.ENV");
  EXPECT_EQ(CompanionByReplace("0000abcd.txt", ".TRG"), "0000abcd.TRG");
  // Without ".TXT" there is no companion, never the message's own name.
  EXPECT_EQ(CompanionByReplace("0000abcd.msg", ".ENV"), std::nullopt);
  EXPECT_TRUE(IsMessageFileName("A.TXT"));
  EXPECT_FALSE(IsMessageFileName("a.txt.part"));
  EXPECT_FALSE(IsMessageFileName("txt"));
}

TEST_F(MailStoreTest, CompanionPathFindsAnyCase) {
  Touch("0000ABCD.ENV");
  EXPECT_EQ(CompanionPath(dir_, "0000abcd.txt", "env"), dir_ / "0000ABCD.ENV");
  EXPECT_EQ(CompanionPath(dir_, "0000abcd.txt", "lck"), dir_ / "0000abcd.lck");
}

TEST(EnvelopeText, ReaderKeepsTheRestOfTheLineAsWritten) {
  const Envelope e = ParseEnvelope(
      "MAIL FROM: <root@example.com>\r\n"
      "X-Other: RCPT TO is not a tag without its colon\r\n"
      "rcpt to:<anna@example.com>\n"
      "  Rcpt To:   <bob@example.org>  \r\n"
      "RCPT TO: <c\xA3@example.org>\rtrailing\r\n"
      "RCPT TO: <last@example.org>");
  EXPECT_EQ(e.from, " <root@example.com>");
  ASSERT_EQ(e.recipients.size(), 4u);
  EXPECT_EQ(e.recipients[0], "<anna@example.com>");
  EXPECT_EQ(e.recipients[1], "   <bob@example.org>  ");
  EXPECT_EQ(e.recipients[2], " <c\xA3@example.org>");
  EXPECT_EQ(e.recipients[3], " <last@example.org>");
}

TEST(EnvelopeText, EmptyOrForeignTextHasNoSender) {
  EXPECT_FALSE(ParseEnvelope("").from);
  EXPECT_FALSE(ParseEnvelope("hello\r\nworld\r\n").from);
  EXPECT_TRUE(ParseEnvelope("hello\r\n").recipients.empty());
}

TEST(EnvelopeText, WriterUsesCrLfAndBracketsAndReadsBack) {
  const std::string text = FormatEnvelope("a@x", {"<b@y>", "c@z"});
  EXPECT_EQ(text, "MAIL FROM: <a@x>\r\nRCPT TO: <b@y>\r\nRCPT TO: <c@z>\r\n");
  const Envelope e = ParseEnvelope(text);
  EXPECT_EQ(e.from, " <a@x>");
  EXPECT_EQ(e.recipients, (std::vector<std::string>{" <b@y>", " <c@z>"}));
  EXPECT_EQ(FormatEnvelope("", {}), "MAIL FROM: <>\r\n");
}

TEST(LineEnds, LoneLineFeedsBecomeCrLfAndOtherBytesStay) {
  EXPECT_EQ(ToCrLf("a\nb\r\nc\rd\n"), "a\r\nb\r\nc\rd\r\n");
  EXPECT_EQ(ToCrLf("\n\n"), "\r\n\r\n");
  EXPECT_EQ(ToCrLf("no end"), "no end\r\n");
  EXPECT_EQ(ToCrLf("\xA9\xA3\n"), "\xA9\xA3\r\n");
  EXPECT_EQ(ToCrLf(""), "");
}

TEST_F(MailStoreTest, DeliveryWritesMessageAndEnvelopeAndNothingElse) {
  Delivery d{"Subject: hi\n\nbody\n", "<a@x>", {"<b@y>"}};
  const DeliveryResult r = DeliverMessage(dir_, d, 0x10);
  ASSERT_FALSE(r.error) << r.error.message();
  EXPECT_EQ(r.name, "00000010.txt");
  EXPECT_EQ(Read("00000010.txt"), "Subject: hi\r\n\r\nbody\r\n");
  EXPECT_EQ(Read("00000010.env"), "MAIL FROM: <a@x>\r\nRCPT TO: <b@y>\r\n");

  Touch("00000011.TXT");
  const DeliveryResult second = DeliverMessage(dir_, Delivery{"x", std::nullopt, {}}, 0x10);
  EXPECT_EQ(second.name, "00000012.txt");
  EXPECT_EQ(Names(), (std::set<std::string>{"00000010.txt", "00000010.env", "00000011.TXT",
                                            "00000012.txt"}));
}

TEST_F(MailStoreTest, RefusedDeliveriesLeaveNothing) {
  EXPECT_EQ(DeliverMessage(dir_, Delivery{"", "<a@x>", {}}, 1).error, std::errc::invalid_argument);
  EXPECT_EQ(DeliverMessage(dir_, Delivery{"x", "<a@x>\r\nRCPT TO: <evil>", {}}, 1).error,
            std::errc::invalid_argument);
  EXPECT_EQ(DeliverMessage(dir_, Delivery{"x", std::nullopt, {std::string("a\0b", 3)}}, 1).error,
            std::errc::invalid_argument);
  EXPECT_TRUE(DeliverMessage(dir_ / "missing", Delivery{"x", std::nullopt, {}}, 1).error);
  EXPECT_TRUE(Names().empty());

  if (::geteuid() != 0) {  // root writes anywhere
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(DeliverMessage(dir_, Delivery{"x", "<a>", {}}, 1).error,
              std::errc::permission_denied);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_TRUE(Names().empty());
  }
}

// Writers racing for the same numbers each get a name of their own, and a
// reader scanning for messages meanwhile only ever finds whole messages with
// their envelopes.
TEST_F(MailStoreTest, ConcurrentDeliveriesNeverCollideOrShowHalfAMessage) {
  constexpr int kThreads = 4;
  constexpr int kEach = 25;
  const std::string body(20000, 'm');
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!done) {
      for (const auto& e : fs::directory_iterator(dir_)) {
        const std::string name = e.path().filename();
        if (!IsMessageFileName(name)) continue;
        std::error_code ec;
        const auto text = ReadFileBytes(e.path(), ec);
        const auto env = ReadEnvelopeFile(dir_ / CompanionByCut(name, "env"));
        if (!text || text->size() != body.size() + 2 || !env || env->recipients.size() != 1) ++bad;
      }
    }
  });
  std::vector<std::thread> writers;
  std::vector<std::vector<std::string>> names(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        const auto r = DeliverMessage(dir_, Delivery{body, "<a@x>", {"<b@y>"}}, 0x1000);
        if (r.error) ++bad;
        names[t].push_back(r.name);
      }
    });
  }
  for (auto& w : writers) w.join();
  done = true;
  reader.join();
  EXPECT_EQ(bad, 0);
  std::set<std::string> all;
  for (const auto& list : names) all.insert(list.begin(), list.end());
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kEach));
  EXPECT_EQ(Names().size(), 2u * kThreads * kEach);  // no temporary file left
}

TEST_F(MailStoreTest, FoldersResolveWithoutRegardToCase) {
  fs::create_directories(dir_ / "archive" / "Inbound");
  fs::create_directories(dir_ / "anna");
  EXPECT_EQ(StoreFolderPath(dir_, kArchiveInboundFolder), dir_ / "archive" / "Inbound");
  EXPECT_EQ(StoreFolderPath(dir_, kMailInFolder), dir_ / "MAILIN");
  EXPECT_EQ(MailboxFolder(dir_, "ANNA"), dir_ / "anna");
  EXPECT_EQ(MailboxFolder(dir_, "../anna"), std::nullopt);
  EXPECT_EQ(MailboxFolder(dir_, "a\\b"), std::nullopt);
  EXPECT_EQ(MailboxFolder(dir_, ""), std::nullopt);
  ASSERT_EQ(SystemFolders().size(), 6u);
  EXPECT_EQ(SystemFolders()[4].displayName, "Inbound Mail");
}

}  // namespace
}  // namespace tellmar
