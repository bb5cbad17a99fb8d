// The mail administration window on a folder of 100,000 messages, each
// measurement beside a plain directory listing of the same folder in the
// same run, so that the ratios do not depend on the machine:
//   opening the window on the folder (folder list, message list, first
//   message shown)                                vs. listing the folder
//   a refresh that finds the folder unchanged      vs. listing the folder
//   a refresh after one message arrived (list refilled, selection kept)
//                                                  vs. listing the folder
// Prints one table row per measurement: the median of several runs.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "admin/mailview/mail_window.h"
#include "admin/shell/admin_state.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/window.h"
#include "bench/bench_table.h"

namespace {

namespace fs = std::filesystem;
using namespace tellmar;
using namespace tellmar::admin;

constexpr int kMessages = 100000;

using bench::Median;
using bench::Row;

void WriteText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// The peer: every name of the folder, as `ls -f` would read them.
std::size_t ListFolder(const fs::path& folder) {
  std::size_t n = 0;
  if (DIR* dir = opendir(folder.c_str())) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("mail_window_bench." + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "BIG");
  Loop loop;
  loop.SetOperator(MakeUnattendedOperator());
  WriteText(root / "tmhub.ini",
            "[USER0]\r\nrealname=(System Postmaster)\r\nDIR=ROOT\r\n[USER1]\r\nrealname=Big Box\r\nDIR=BIG\r\n");
  for (int m = 0; m < kMessages; ++m) {
    char name[16];
    std::snprintf(name, sizeof name, "%08x.txt", m);
    WriteText(root / "BIG" / name, "Subject: bench\r\n\r\nbody\r\n");
  }
  App().role = Role::SupportModule;
  App().serverSettingsPath = (root / "tmhub.ini").string();
  SetServerDirectory(root.string());
  const fs::path folder = root / "BIG";

  std::printf("| measurement | time | peer | peer time | ratio |\n|---|---|---|---|---|\n");
  const double list = Median(5, [] {}, [&] {
    if (ListFolder(folder) == 0) std::puts("nothing listed");
  });
  const double open = Median(3, [] { mailview::CloseMailWindow(); }, [&] { mailview::OpenMailWindow("Big Box"); });
  Row("open the window on 100,000 messages", open, "list the folder", list);
  const double unchanged = Median(5, [] {}, [&] { mailview::RefreshMailWindow(); });
  Row("refresh, folder unchanged", unchanged, "list the folder", list);
  int extra = kMessages;
  const double changed = Median(3, [&] {
    char name[16];
    std::snprintf(name, sizeof name, "%08x.txt", extra++);
    WriteText(folder / name, "Subject: new\r\n\r\nnew\r\n");
  }, [&] { mailview::RefreshMailWindow(); });
  Row("refresh after a message arrived", changed, "list the folder", list);
  mailview::CloseMailWindow();
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
