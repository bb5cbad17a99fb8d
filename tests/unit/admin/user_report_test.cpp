// The user report's lines for a single-domain server and a multi-domain one.
#include "admin/users/user_report.h"

#include "admin/shell/rcu_model.h"
#include "common/file_bytes.h"
#include "common/scramble.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;

namespace {

TEST(UserReportTest, ListsTheSetUpAndEveryUser) {
  tellmar::testing::TempDir dir;
  const auto ini = dir / "tmhub.ini";
  tellmar::testing::PutFile(
      ini, "[Environment]\r\nDomain=office.example\r\nServerpw=" + Scramble(kRemoteAccessKeyWord, "master") +
               "\r\n[General]\r\nTMSecure=1\r\n[USER0]\r\nid=root\r\nrealname=(System Postmaster)\r\ndir=ROOT\r\n"
               "[USER1]\r\nid=anna@elsewhere.example\r\ndir=anna\r\npw=" + Scramble("ANNA", "secret") +
               "\r\nextml=0\r\nalert=10.0.0.9\r\n[USER2]\r\nrealname=no id: the list ends before\r\n");
  const std::string when = "Tue Dec  8 12:00:00 2026\n";
  EXPECT_EQ(UserReportText(ini, "/srv/tellmar", when),
            "Tellmar configuration as at Tue Dec  8 12:00:00 2026\n"
            "Tellmar PC installation is on local drive:  /srv/tellmar\n"
            "\n============\nServer Setup\n============\n"
            "Server configured to only support a single domain\nDomain: office.example\nDomain is registered\n\n"
            "Server Master Security Password is [master]\n"
            "Server Administrator access Password is [**NOT** SET]\n"
            "Server Password encryption is [ON]\n"
            "External UDF messages are [NOT ALLOWED]\n"
            "Administration messages are [NOT SAVED]\n"
            "Internal administration messages are [ENABLED]\n"
            "External administration messages are [**DISABLED**]\n"
            "\n==================\nLocal User Details\n==================\n\n"
            "List of configured Tellmar Users as at Tue Dec  8 12:00:00 2026\n"
            "User 0\nEmail address: root@office.example\nReal name: (System Postmaster)\nPop3 user-name: ROOT\n"
            "Pop3 password: (no password set)\nUser can send external mail.\nGenerate alerts: off\n\n"
            "User 1\nEmail address: anna@elsewhere.example\nReal name: (No name given)\nPop3 user-name: anna\n"
            "Pop3 password: secret\nUser restricted to internal mail only.\n"
            "Generate alerts: on\nSend alerts to: 10.0.0.9\nAlert port number: 1024\n\n"
            "There are a total of 1 networked email users\n"
            "plus the default system administrator's root account\n\n"
            "===============================\nEnd of system status report....\n===============================\n\n");

  ASSERT_FALSE(WriteProfileString(ini, "Environment", "usedomain", "0"));
  const std::string multi = UserReportText(ini, "/srv/tellmar", when);
  EXPECT_NE(multi.find("Server configured to support multiple domains\nAdministration root user address <not set>\n"),
            std::string::npos);
  EXPECT_NE(multi.find("Email address: root\n"), std::string::npos);

  const auto written = WriteUserReport(ini, "/srv/tellmar", dir.path());
  ASSERT_TRUE(written);
  std::error_code ec;
  const std::string bytes = ReadFileBytes(*written, ec).value_or("");
  EXPECT_EQ(bytes.rfind("Tellmar configuration as at ", 0), 0u);
  EXPECT_NE(bytes.find("\r\nUser 1\r\n"), std::string::npos);
}

}  // namespace
