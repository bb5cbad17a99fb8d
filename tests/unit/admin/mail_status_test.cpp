// The mail status lines, their publication and the quick check.
#include "admin/users/mail_status.h"

#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;

namespace {

class MailStatusTest : public tellmar::testing::AdminTest {
 protected:
  MailStatusTest() {
    Set("Environment", "Domain", "office.example");
    Set("MailStatus", "NextDue", "Scheduled at 12:30");
    Set("MailStatus", "LastConnect", "Tue 11:00");
    const char* users[][3] = {{"(System Postmaster)", "root", "ROOT"}, {"Anna", "anna", "ANNA"}, {"Bert", "bert@other.example", "BERT"}};
    for (int i = 0; i < 3; ++i) {
      Set("USER" + std::to_string(i), "REALNAME", users[i][0]);
      Set("USER" + std::to_string(i), "id", users[i][1]);
      Set("USER" + std::to_string(i), "DIR", users[i][2]);
    }
    // The folder's name in any case serves.
    File("anna/00000001.txt", "x");
    File("anna/00000002.TXT", "x");
    File("anna/00000002.env", "x");
    File("OUTGOING/00000001.env", "MAIL FROM: <ANNA@office.example>\r\nRCPT TO: <x@y>\r\n");
    File("OUTGOING/00000002.ENV", "MAIL FROM:  <<anna@OFFICE.example> SIZE=10\r\n");
    File("OUTGOING/00000003.env", "RCPT TO: <x@y>\r\nMAIL FROM: <anna@office.example>\r\n");  // not its first line
    File("OUTGOING/00000004.env", "MAIL FROM: <nobody@office.example>\r\n");
  }
  void File(const std::string& relative, const std::string& text) { tellmar::testing::PutFile(dir_ / relative, text); }
};

TEST_F(MailStatusTest, LinesCountWaitingMailPerUserAndPublishThem) {
  const auto lines = MailStatusLines(ini_, dir_.path());
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "\tNetworked user name\tIncoming\tOutgoing",
                       "USER0\t(System Postmaster)\t0\tNo mail waiting to be sent",
                       "USER1\tAnna\t2\t2 waiting to be sent",
                       "USER2\tBert\t0\tNo mail waiting to be sent",
                       "",
                       "\tNext scheduled connection due at : \t12:30",
                       "\tLast connection was made at : \t\tTue 11:00",
                       "\tLast Mail was sent was at   : \t\tNone Set...",
                       "\tLast mail collection was at  : \t\tNone Set...",
                   }));
  Set("ServerMailStatus", "7", "a stale line");
  PublishMailStatus(ini_, lines);
  EXPECT_EQ(GetProfileKeyNames(ini_, "ServerMailStatus"),
            (std::vector<std::string>{"0", "1", "2", "Schedule1", "Schedule2", "Schedule3", "Schedule4", "UPDATED"}));
  ExpectKeys("ServerMailStatus", {{"1", "USER1^Anna^2^2 waiting to be sent"},
                                  {"Schedule1", "^Scheduled connections : ^12:30"},
                                  {"Schedule2", "^Last connection was made at : ^Tue 11:00"}, {"UPDATED", "1"}});
}

TEST_F(MailStatusTest, QuickCheckSeesOnlyChanges) {
  MailStatusCache cache;
  EXPECT_FALSE(MailStatusUnchanged(ini_, dir_.path(), cache)) << "nothing counted yet";
  EXPECT_TRUE(MailStatusUnchanged(ini_, dir_.path(), cache));
  for (const char* arrived : {"anna/00000003.txt", "OUTGOING/00000009.txt"}) {
    File(arrived, "x");
    EXPECT_FALSE(MailStatusUnchanged(ini_, dir_.path(), cache)) << arrived;
    EXPECT_TRUE(MailStatusUnchanged(ini_, dir_.path(), cache)) << arrived;
  }
}

}  // namespace
