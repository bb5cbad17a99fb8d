// User administration under load, each measurement beside a peer from the
// same run so that the ratios do not depend on the machine:
//   opening "Maintain network users" on 32,000 records  vs. reading the file's bytes
//   deleting a user there (folder and renumbering)       vs. writing one key to the file
//   a full mail status refresh, 1,000 users and
//   100,000 waiting messages (list + [ServerMailStatus])  vs. listing the 1,000 folders
// Prints one table row per measurement: the median of several runs.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "admin/shell/admin_state.h"
#include "admin/users/mail_status.h"
#include "admin/users/network_users.h"
#include "admin/users/users_dialog.h"
#include "common/file_bytes.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "common/user_directory.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "bench/bench_table.h"

namespace {

namespace fs = std::filesystem;
using namespace tellmar;
using namespace tellmar::admin;

using bench::Median;
using bench::Row;

std::string Records(int count) {
  std::string text = "[Environment]\r\nDomain=example.com\r\nUseDomain=1\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string box = i == 0 ? "ROOT" : "USR" + std::to_string(i);
    text += "[" + UserSectionName(i) + "]\r\nrealname=" +
            (i == 0 ? std::string("(System Postmaster)") : "User Number " + std::to_string(i)) + "\r\nID=" + box +
            "\r\nDIR=" + box + "\r\npw=" + Scramble(MailboxKeyWord(box), "secret") +
            "\r\nextml=1\r\nalert=\r\nUserActive=1\r\nMailLimit=0\r\nMailMAxWarn=0\r\nMailMaxSize=20\r\n";
  }
  return text;
}

void WriteText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("users_bench." + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  Loop loop;

  // 32,000 records.
  const fs::path ini = root / "tmhub.ini";
  const std::string text = Records(kMaxUserRecords);
  WriteText(ini, text);
  App().serverSettingsPath = ini.string();
  SetServerDirectory(root.string());
  std::error_code ec;
  std::printf("| measurement | time | peer | peer time | ratio |\n|---|---|---|---|---|\n");
  const double readBytes = Median(5, [] {}, [&] { ReadFileBytes(ini, ec); });
  DialogGuard guard;
  const double open = Median(5, [&] { WriteText(ini, text); }, [&] {
    DialogDriver driver;
    driver.Click(2);
    driver.Run([&] { return RunUsersDialog(0, guard) ? 1 : 0; });
  });
  Row("open the user dialog, 32,000 records", open, "read the file's bytes", readBytes);
  const double oneKey = Median(5, [] {}, [&] { WriteProfileString(ini, "Environment", "RemoteUpdate", "-1"); });
  const double remove = Median(3, [&] {
    WriteText(ini, text);
    fs::create_directories(root / "USR1");
  }, [&] { DeleteNetworkUser(ini, root, 1, "USR1"); });
  Row("delete USER1 with its folder, 32,000 records", remove, "write one key", oneKey);

  // 1,000 users with 100 waiting messages each.
  const fs::path status = root / "status";
  fs::create_directories(status / "outgoing");
  const fs::path statusIni = status / "tmhub.ini";
  WriteText(statusIni, Records(1000));
  for (int i = 0; i < 1000; ++i) {
    const fs::path folder = status / (i == 0 ? "ROOT" : "USR" + std::to_string(i));
    fs::create_directories(folder);
    for (int m = 0; m < 100; ++m) {
      char name[16];
      std::snprintf(name, sizeof name, "%08x.txt", m);
      WriteText(folder / name, "x");
    }
  }
  for (int m = 0; m < 100; ++m)
    WriteText(status / "outgoing" / (std::to_string(m) + ".env"), "MAIL FROM: <USR7@example.com>\r\n");
  const double list = Median(5, [] {}, [&] {
    std::size_t n = 0;
    for (const auto& folder : fs::directory_iterator(status))
      if (folder.is_directory())
        for (const auto& entry : fs::directory_iterator(folder.path())) n += entry.path().filename().string().size() > 0;
    if (n == 0) std::puts("nothing listed");
  });
  const double refresh = Median(5, [] {}, [&] { PublishMailStatus(statusIni, MailStatusLines(statusIni, status)); });
  Row("mail status refresh, 1,000 users, 100,000 messages", refresh, "list the 1,000 folders", list);
  fs::remove_all(root, ec);
  return 0;
}
