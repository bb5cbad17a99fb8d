// Printing messages: the banner, the header and attachment options on plain,
// multipart/alternative and attachment-carrying messages, breaking by width,
// page breaks, and the whole F7 path with its two dialogs and its failures.
#include "admin/mailview/message_print.h"

#include <regex>

#include "platform/print/pdf_printer.h"
#include "platform/print/recording_printer.h"
#include "resources/tmadmin32/routing_ids.h"
#include "tests/unit/admin/admin_fixture.h"
#include "tests/unit/common/pdf_text.h"

using namespace tellmar;
using namespace tellmar::admin::mailview;
using Lines = std::vector<std::string>;

namespace {

constexpr std::string_view kRule = "===============================================";
constexpr std::string_view kNotice = "Mime attachment included here (Not printed by user request)";

const std::string kAlternative =
    "From: anna@x.org\r\n"
    "Content-Type: multipart/alternative; boundary=alt-1\r\n"
    "\r\n"
    "This is a multi-part message in MIME format.\r\n"
    "--alt-1\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "\r\n"
    "Plain text here\r\n"
    "--alt-1\r\n"
    "Content-Type: text/html; charset=us-ascii\r\n"
    "\r\n"
    "<p>HTML here</p>\r\n"
    "--alt-1--\r\n";

// Mixed: an alternative part (its text part's encoding line first), then a
// base64 attachment; LF lines.
const std::string kWithAttachment =
    "From: bob@x.org\n"
    "Content-Type: multipart/mixed;\n"
    "\tboundary=\"outer b\"\n"
    "\n"
    "--outer b\n"
    "Content-Type: multipart/alternative; boundary=inner\n"
    "\n"
    "--inner\n"
    "Content-Transfer-Encoding: 7bit\n"
    "Content-Type: text/plain\n"
    "\n"
    "See the picture.\n"
    "--inner\n"
    "Content-Type: text/html\n"
    "\n"
    "<b>See the picture.</b>\n"
    "--inner--\n"
    "\n"
    "--outer b\n"
    "Content-Type: image/png; name=cat.png\n"
    "Content-Transfer-Encoding: base64\n"
    "\n"
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk\n"
    "+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==\n"
    "--outer b--\n";

class MessagePrintTest : public tellmar::testing::OperatorTest {
 protected:
  // The printed texts of all pages, with the date line checked and taken out.
  Lines Printed(const std::string& bytes, bool header, bool attachments) {
    const auto document =
        MessageDocument(printer_, Message("00000001.txt", bytes), {header, attachments}, kNow);
    EXPECT_TRUE(document.has_value());
    if (!document) return {};
    EXPECT_EQ(document->title, "Tellmar email message");
    Lines all;
    for (const auto& page : print::RecordingPrinter::Texts(*document))
      all.insert(all.end(), page.begin(), page.end());
    EXPECT_GE(all.size(), 2u);
    if (all.size() < 2) return all;
    EXPECT_TRUE(std::regex_match(all[1], std::regex(R"(Printed : \w{3} \w{3} [ 1-3]\d \d\d:\d\d:\d\d 2026)")))
        << all[1];
    all.erase(all.begin() + 1);
    return all;
  }

  static Lines Banner(bool header, bool attachments) {
    Lines lines{"Email message printed from Corvane Tellmar"};
    if (!header) lines.push_back("##User option: RFC Headers not printed...");
    if (!attachments) lines.push_back("##User option: Attachments not printed...");
    lines.emplace_back(kRule);
    return lines;
  }
  static Lines Join(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    a.emplace_back("Message print complete...");
    return a;
  }

  static constexpr std::time_t kNow = 1796730000;  // in 2026
  print::RecordingPrinter printer_;
};

TEST_F(MessagePrintTest, HeaderOnAndOffOnCrLfAndLfOnlyMessages) {
  const std::string crlf = "From: anna@x.org\r\nSubject: Hello\r\n\r\nFirst line\r\n\r\nLast line\r\n";
  EXPECT_EQ(Printed(crlf, true, true),
            Join(Banner(true, true), {"From: anna@x.org", "Subject: Hello", "First line", "Last line"}));
  EXPECT_EQ(Printed(crlf, false, true), Join(Banner(false, true), {"First line", "Last line"}));
  // LF alone ends the header just as well: the body is printed.
  const std::string lf = "From: anna@x.org\nX: 1\n\nFirst line\nLast line\n";
  EXPECT_EQ(Printed(lf, false, true), Join(Banner(false, true), {"First line", "Last line"}));
  // Without an empty line, the whole message is header.
  EXPECT_EQ(Printed("From: a\r\nSubject: b\r\n", false, true), Join(Banner(false, true), {}));
}

TEST_F(MessagePrintTest, AlternativeMessageWithAndWithoutAttachments) {
  EXPECT_EQ(Printed(kAlternative, false, false),
            Join(Banner(false, false),
                 {"This is a multi-part message in MIME format.", "Plain text here", std::string(kNotice)}));
  EXPECT_EQ(Printed(kAlternative, true, false),
            Join(Banner(true, false),
                 {"From: anna@x.org", "Content-Type: multipart/alternative; boundary=alt-1",
                  "This is a multi-part message in MIME format.", "Plain text here", std::string(kNotice)}));
  // With attachments every line is printed as stored.
  const Lines all = Printed(kAlternative, false, true);
  EXPECT_EQ(all, Join(Banner(false, true),
                      {"This is a multi-part message in MIME format.", "--alt-1",
                       "Content-Type: text/plain; charset=us-ascii", "Plain text here", "--alt-1",
                       "Content-Type: text/html; charset=us-ascii", "<p>HTML here</p>", "--alt-1--"}));
}

TEST_F(MessagePrintTest, WithoutAttachmentsNoByteOfABinaryPartIsPrinted) {
  EXPECT_EQ(Printed(kWithAttachment, false, false),
            Join(Banner(false, false), {"See the picture.", std::string(kNotice), std::string(kNotice)}));
  // The notice is indented to the first tab stop.
  const auto document = MessageDocument(printer_, Message("a.txt", kWithAttachment), {false, false}, kNow);
  ASSERT_TRUE(document);
  const print::TextRun& notice = document->pages[0].runs[6];
  ASSERT_EQ(notice.text, kNotice);
  EXPECT_GT(notice.x, printer_.Setup().left);
  // With attachments the encoded picture is printed as stored.
  const Lines all = Printed(kWithAttachment, false, true);
  EXPECT_NE(std::find(all.begin(), all.end(), "+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg=="), all.end());
}

TEST_F(MessagePrintTest, LongLinesBreakByWidthAndPagesBreakBeforeTheBottom) {
  // The recorder's letters are 5 points wide; A4 less 10 mm margins leaves
  // 538.58 points, of which 484.72 hold text: 96 letters fit, and a broken
  // line takes the 86 that stay under 434.72.
  const std::string fits(96, 'f'), wide(97, 'w'), longer(200, 'x');
  EXPECT_EQ(Printed("S: 1\n\n" + fits + "\n" + wide + "\n" + longer + "\n", false, true),
            Join(Banner(false, true), {fits, std::string(86, 'w'), std::string(11, 'w'), std::string(86, 'x'),
                                       std::string(86, 'x'), std::string(28, 'x')}));

  std::string many = "S: 1\r\n\r\n";
  for (int n = 1; n <= 150; ++n) many += "Line " + std::to_string(n) + "\r\n";
  const auto document = MessageDocument(printer_, Message("m.txt", many), {false, true}, kNow);
  ASSERT_TRUE(document);
  ASSERT_EQ(document->pages.size(), 3u);
  const print::PageSetup setup = printer_.Setup();
  int expected = 1;
  for (const print::PrintPage& page : document->pages) {
    for (const print::TextRun& run : page.runs) {
      EXPECT_LE(run.y, setup.height - setup.bottom);
      EXPECT_GE(run.y, setup.top);
      if (run.text.starts_with("Line ")) {
        EXPECT_EQ(run.text, "Line " + std::to_string(expected++));
      }
    }
  }
  EXPECT_EQ(expected, 151);
  EXPECT_EQ(document->pages[1].runs.front().text, "Line 61");  // 65 lines a page: the banner took five
  EXPECT_EQ(document->pages.back().runs.back().text, "Message print complete...");
}

TEST_F(MessagePrintTest, SeveralMessagesIntoPdfFilesAndAFileThatCannotBeCreated) {
  const auto one = Message("0000000a.txt", "Subject: one\r\n\r\nFirst message\r\n");
  const auto two = Message("0000000b.txt", "Subject: two\r\n\r\nSecond message\r\n");
  print::PdfPrinter pdf((dir_ / "out.pdf").string());
  PrintMessagesOn(0, pdf, {one, two}, {false, true});
  EXPECT_TRUE(op_->shown().empty());
  for (const auto& [file, line] : {std::pair<std::string, std::string>{"out-0000000a.pdf", "First message"},
                                   {"out-0000000b.pdf", "Second message"}}) {
    const auto pages = tellmar::testing::PdfLines(dir_ / file);
    ASSERT_EQ(pages.size(), 1u) << file;
    EXPECT_EQ(pages[0].at(4), line);
  }

  // Each message is tried, each failure shown; a message that is gone says so in the scan's box.
  print::PdfPrinter nowhere((dir_ / "no-such-dir" / "out.pdf").string());
  PrintMessagesOn(0, nowhere, {one, dir_ / "gone.txt", two}, {true, true});
  std::vector<std::string> texts;
  for (const auto& box : op_->shown()) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"StartDoc failed..",
                                             "Can't open file " + (dir_ / "gone.txt").string() + " errno 2",
                                             "StartDoc failed.."}));
}

// F7's whole path: the print chooser, "Auto Printing", the printout.
TEST(PrintMessages, ChooserThenOptionsThenOneDocumentPerMessage) {
  using Ids = res::tmadmin32::AutoPrinting;
  tellmar::testing::TempDir dir;
  Loop loop;
  const auto message = dir / "00000001.txt";
  std::ofstream(message, std::ios::binary) << kAlternative;
  const auto pdf = dir / "printed.pdf";

  PrintAnswer toFile;
  toFile.outputFile = pdf.string();
  {
    DialogDriver driver;
    driver.op().QueuePrint(toFile);
    driver.Check(Ids::kHeader, BST_UNCHECKED).Check(Ids::kAttachments, BST_UNCHECKED).Click(Ids::kOk);
    tellmar::testing::Play(driver, [&] {
      PrintMessages(0, {message});
      return IDOK;
    });
    ASSERT_EQ(driver.op().shown().size(), 1u);
    EXPECT_EQ(driver.op().shown()[0].kind, "print");
    const auto pages = tellmar::testing::PdfLines(pdf);
    ASSERT_EQ(pages.size(), 1u);
    const Lines expected{"Email message printed from Corvane Tellmar",
                         "##User option: RFC Headers not printed...",
                         "##User option: Attachments not printed...",
                         std::string(kRule),
                         "This is a multi-part message in MIME format.",
                         "Plain text here",
                         std::string(kNotice),
                         "Message print complete..."};
    Lines got = pages[0];
    if (got.size() > 1) got.erase(got.begin() + 1);  // the date
    EXPECT_EQ(got, expected);
  }  // the driver ends with its scope: nothing of it plays in the next dialog

  // The options are offered as last chosen; Cancel there prints nothing.
  std::filesystem::remove(pdf);
  DialogDriver again;
  again.op().QueuePrint(toFile);
  bool headerChecked = true;
  again.Then([&](HWND dialog) { headerChecked = IsDlgButtonChecked(dialog, Ids::kHeader) == BST_CHECKED; });
  again.Click(Ids::kCancel);
  again.Run([&] {
    PrintMessages(0, {message});
    return IDOK;
  });
  EXPECT_FALSE(headerChecked);
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

}  // namespace
