// The new user's messages byte for byte (the Date and Message-id lines,
// which carry the clock, compared by shape), with and without templates,
// attachments, a domain, a password and alerts.
#include "admin/users/welcome_messages.h"

#include <regex>

#include "common/file_bytes.h"
#include "common/scramble.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
namespace fs = std::filesystem;

namespace {

class WelcomeMessagesTest : public tellmar::testing::AdminTest {
 protected:
  WelcomeMessagesTest() {
    fs::create_directory(folder_);
    Settings("[Environment]\r\nDomain=office.example\r\n[USER1]\r\nid=anna\r\ndir=ANNA\r\npw=" +
             Scramble("ANNA", "secret") + "\r\n");
  }
  void Template(const std::string& relative, const std::string& text) {
    tellmar::testing::PutFile(dir_ / relative, text);
  }
  WelcomeContext Context() { return {ini_, dir_.path(), "192.168.1.5"}; }

  // The file with the clock's lines replaced by their shape.
  std::string Read(const std::string& name) {
    std::error_code ec;
    std::string text = ReadFileBytes(folder_ / name, ec).value_or("(missing)");
    text = std::regex_replace(text, std::regex("Date: [A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} \\d{2}:\\d{2}:\\d{2}\r\n"),
                              "Date: (now)\r\n");
    return std::regex_replace(text, std::regex("Message-id: <\\d{13}crvsrv@"), "Message-id: <(now)crvsrv@");
  }

  fs::path folder_ = dir_ / "ANNA";
};

TEST_F(WelcomeMessagesTest, WelcomeWithSiteTextPasswordAndDomain) {
  Template("templates/Welcome.TXT", "Welcome to Example Ltd.\nAsk Carl for help.\n");
  WriteWelcomeMessage(Context(), "USER1", folder_);
  EXPECT_EQ(Read("00000001.txt"),
            "From: <root@office.example>\r\nTo: <anna@office.example>\r\nSubject: Welcome to the email system\r\n"
            "Date: (now)\r\nMessage-id: <(now)crvsrv@office.example>\r\n\r\n"
            "Welcome to Example Ltd.\r\nAsk Carl for help.\r\n\r\n"
            "Your email address is <anna@office.example>\r\nYour pop3 mailbox user-name is ANNA\r\n"
            "Your pop3 mailbox password has been set to [secret]\r\n"
            "It is recommended that you change this to the password of your choice\r\n"
            "as soon as possible.\r\n\r\nFor further details on how to do this send an email message to\r\n"
            "root@office.example with the Subject: line containing the single \r\n"
            "word SERVERADMIN and a single line containing the word HELP alone in the\r\n"
            "body of the message...\r\n\r\n"
            "Your account is configured to allow you to send external mail.\r\n\r\n"
            "Your system administrator has not enabled mail alerts for your account.\r\n\r\n"
            "Your mail system domain is office.example\r\n"
            "Your system administrator email address is <root@office.example>\r\n\r\n"
            "This message was generated automatically by Corvane Tellmar\r\nhttp://www.corvane.example/\r\n");
  EXPECT_EQ(Read("00000001.env"), "MAIL FROM: <root@office.example>\r\nRCPT TO: <anna@office.example>\r\n");
}

TEST_F(WelcomeMessagesTest, WelcomeWithoutDomainPasswordOrRootAddress) {
  Set("Environment", "UseDomain", "0");
  for (const auto& [key, value] : tellmar::testing::KeyValues{
           {"id", "anna@shop.example"}, {"pw", ""}, {"extml", "0"}, {"alert", "10.0.0.9"}, {"alertport", "1100"}})
    Set("USER1", key, value);
  WriteWelcomeMessage(Context(), "USER1", folder_);
  const std::string text = Read("00000001.txt");
  EXPECT_EQ(text.substr(0, text.find("Subject")), "From: <root@domain.not.set>\r\nTo: <anna@shop.example>\r\n");
  const std::string body = text.substr(text.find("Your email"));
  EXPECT_EQ(body,
            "Your email address is <anna@shop.example>\r\nYour pop3 mailbox user-name is ANNA\r\n"
            "Your mailbox does not have a POP3 password set.\r\n\r\n"
            "Initally your new server account allows you to send mail to other network users\r\n"
            "but not externally to the internet, please contact your system administrator"
            "if you feel you need to have the ability to send mail to external internet addresses."
            "Mail alerts will be sent to 10.0.0.9\r\nUsing TCP port number  1100\r\n\r\n"
            "Your mail system does not have a domain - it uses individual email addresses.\r\n"
            "Your system administrator email address is <>\r\n\r\n"
            "This message was generated automatically by Corvane Tellmar\r\nhttp://www.corvane.example/\r\n");
  EXPECT_EQ(Read("00000001.env"), "MAIL FROM: <root@domain.not.set>\r\nRCPT TO: <anna@shop.example>\r\n");
}

TEST_F(WelcomeMessagesTest, TimeClientWithoutAttachmentHasNoClosingBoundary) {
  WriteTimeClientMessage(Context(), "USER1", folder_);
  const std::string text = Read("00000002.txt");
  EXPECT_NE(text.find("Subject: IMPORTANT - Network Time Client attached\r\nDate: (now)\r\nMIME-Version: 1.0\r\n"
                      "Content-Type: multipart/mixed;\r\n\tboundary=\"TellmarMimeBoundary\"\r\nMessage-id: <"),
            std::string::npos);
  EXPECT_NE(text.find("x:\\WINDOWS\\ZERARIRI.EXE -t30 192.168.1.5 ensuring that you replace\r\n"), std::string::npos);
  const std::string tail =
      "If you do so, please check with your network administrator\r\n\r\n"
      "NO TIME CLIENT ATTACHMENT [ZERARIRI.B64] WAS FOUND,\r\n Please contact your network administrator....\r\n\r\n"
      "This message was generated automatically by Corvane Tellmar\r\n"
      "and sent to you because you are a newly created Tellmar user.\r\n";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.find("--TellmarMimeBoundary--"), std::string::npos);
}

TEST_F(WelcomeMessagesTest, MailAlertWithTemplateAndAttachment) {
  Template("TEMPLATES/mbell32.txt", "Install the bell.\r\n");
  Template("Templates/MBELL32.B64", "TVqQAAMAAAAEAAAA\r\n//8AALgAAAAAAAAA\r\n");
  WriteMailAlertMessage(Context(), "USER1", folder_);
  const std::string text = Read("00000003.txt");
  const std::string body = text.substr(text.find("\r\n\r\n") + 4);
  EXPECT_EQ(body,
            "--TellmarMimeBoundary\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n"
            "Content-Transfer-Encoding: 7bit\r\n\r\nInstall the bell.\r\n\r\n\r\n"
            "--TellmarMimeBoundary\r\nContent-Transfer-Encoding: base64\r\n"
            "Content-Disposition: attachment; filename=\"Mbell32.exe\"\r\n\r\n"
            "TVqQAAMAAAAEAAAA\r\n//8AALgAAAAAAAAA\r\n\r\n--TellmarMimeBoundary--\r\n"
            "This message was generated automatically by Corvane Tellmar\r\n"
            "and sent to you because you are a newly created Tellmar user.\r\n");
  EXPECT_EQ(Read("00000003.env"), "MAIL FROM: <root@office.example>\r\nRCPT TO: <anna@office.example>\r\n");
}

TEST_F(WelcomeMessagesTest, SlotPrefixFindsTheFolderInAnyCase) {
  EXPECT_EQ(FolderFromPrefix((dir_.path() / "anna").string() + "/"), folder_);
  EXPECT_EQ(FolderFromPrefix((dir_.path() / "ANNA").string()), folder_);
}

}  // namespace
