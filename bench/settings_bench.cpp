// The settings file under load: a tmhub.ini with 32,000 user records. Each
// measurement has a peer measured in the same run, so that the report can
// give ratios that do not depend on the machine:
//   unchanged read (dir + pw of one user)   vs. stat() of the file
//   first read after a change (re-parse)    vs. reading the file's bytes
//   deleting USER1 (renumber, one batch)    vs. one key written to the file
//   POP3 user check + password look-up      at 10 vs. 32,000 records
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/file_bytes.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "common/user_directory.h"

namespace {

namespace fs = std::filesystem;
using tellmar::kMaxUserRecords;

std::string MailboxOf(int index) { return index == 0 ? "ROOT" : "USR" + std::to_string(index); }

// A settings file as the administration utility leaves it: a few server
// sections, then the records with every key, CR LF line ends.
std::string SettingsText(int records) {
  std::string text =
      "[Environment]\r\nRunAsService=0\r\nDomain=example.com\r\nUseDomain=1\r\n\r\n"
      "[popsrv]\r\nport=110\r\nbind=0\r\ntimeout=5\r\n\r\n";
  for (int i = 0; i < records; ++i) {
    const std::string box = MailboxOf(i);
    text += "[" + tellmar::UserSectionName(i) + "]\r\n";
    text += "realname=" + (i == 0 ? std::string("(System Postmaster)") : "User Number " + std::to_string(i)) + "\r\n";
    text += "ID=" + box + "@example.com\r\n";
    text += "DIR=" + box + "\r\n";
    text += "pw=" + tellmar::Scramble(tellmar::MailboxKeyWord(box), "secret" + std::to_string(i)) + "\r\n";
    text += "extml=1\r\nalert=\r\nalertport=1024\r\nUserActive=1\r\nMailLimit=0\r\nMailMAxWarn=0\r\nMailMaxSize=20\r\n\r\n";
  }
  return text;
}

// A server directory with its settings file and the folder of the last user.
class ServerDir {
 public:
  explicit ServerDir(int records) : records_(records) {
    dir_ = fs::temp_directory_path() /
           ("settings_bench." + std::to_string(::getpid()) + "." + std::to_string(records));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / MailboxOf(records - 1));
    text_ = SettingsText(records);
    Restore();
  }
  ~ServerDir() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  ServerDir(const ServerDir&) = delete;
  ServerDir& operator=(const ServerDir&) = delete;

  // Puts the original contents back (a new file, so a new identity).
  void Restore() const {
    const fs::path file = this->file();
    const fs::path temp = dir_ / "tmhub.ini.restore";
    std::ofstream(temp, std::ios::binary | std::ios::trunc) << text_;
    fs::rename(temp, file);
  }
  const fs::path& dir() const { return dir_; }
  fs::path file() const { return dir_ / "tmhub.ini"; }
  int records() const { return records_; }
  std::size_t bytes() const { return text_.size(); }

 private:
  int records_;
  fs::path dir_;
  std::string text_;
};

ServerDir& Full() {
  static ServerDir server(kMaxUserRecords);
  return server;
}

// Moves the modification time on, as a write by another program would.
void MarkChanged(const fs::path& file) {
  static long tick = 0;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = 1000000000 + ++tick;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
}

void BM_StatFile(benchmark::State& state) {
  const fs::path file = Full().file();
  struct stat st {};
  for (auto _ : state) benchmark::DoNotOptimize(::stat(file.c_str(), &st));
}
BENCHMARK(BM_StatFile);

void BM_ReadUnchanged(benchmark::State& state) {
  const fs::path file = Full().file();
  const std::string section = tellmar::UserSectionName(kMaxUserRecords / 2);
  (void)tellmar::GetProfileString(file, section, "dir", "");  // the one parse
  for (auto _ : state) {
    benchmark::DoNotOptimize(tellmar::GetProfileString(file, section, "dir", ""));
    benchmark::DoNotOptimize(tellmar::GetProfileString(file, section, "pw", ""));
  }
}
BENCHMARK(BM_ReadUnchanged);

void BM_ReadFileBytes(benchmark::State& state) {
  const fs::path file = Full().file();
  std::error_code ec;
  for (auto _ : state) benchmark::DoNotOptimize(tellmar::ReadFileBytes(file, ec));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Full().bytes()));
  state.counters["file_bytes"] = static_cast<double>(Full().bytes());
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond);

void BM_ReadAfterChange(benchmark::State& state) {
  const fs::path file = Full().file();
  const std::string section = tellmar::UserSectionName(kMaxUserRecords / 2);
  for (auto _ : state) {
    state.PauseTiming();
    MarkChanged(file);
    state.ResumeTiming();
    benchmark::DoNotOptimize(tellmar::GetProfileString(file, section, "dir", ""));
    benchmark::DoNotOptimize(tellmar::GetProfileString(file, section, "pw", ""));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Full().bytes()));
}
BENCHMARK(BM_ReadAfterChange)->Unit(benchmark::kMillisecond);

void BM_WriteOneKey(benchmark::State& state) {
  const fs::path file = Full().file();
  int n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tellmar::WriteProfileString(file, "popsrv", "timeout", std::to_string(++n % 10)));
  }
  Full().Restore();  // after the loop: not timed
}
BENCHMARK(BM_WriteOneKey)->Unit(benchmark::kMillisecond);

void BM_DeleteUser1(benchmark::State& state) {
  const ServerDir& server = Full();
  for (auto _ : state) {
    state.PauseTiming();
    server.Restore();
    state.ResumeTiming();
    if (std::error_code ec = tellmar::DeleteUserRecord(server.file(), 1)) {
      state.SkipWithError(ec.message().c_str());
      break;
    }
  }
  if (tellmar::CountUserRecords(server.file()) != server.records() - 1) {
    state.SkipWithError("the record count did not go down by one");
  }
  server.Restore();
}
BENCHMARK(BM_DeleteUser1)->Unit(benchmark::kMillisecond)->Iterations(3);

// Log-in of the last user: the worst place in the list.
void BM_PopLogin(benchmark::State& state) {
  static ServerDir small(10);
  const ServerDir& server = state.range(0) == 10 ? small : Full();
  const std::string box = MailboxOf(server.records() - 1);
  if (!tellmar::PopUserCheck(server.dir(), box) || !tellmar::PopPasswordLookup(server.dir(), box)) {
    state.SkipWithError("the last user does not log in");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(tellmar::PopUserCheck(server.dir(), box));
    benchmark::DoNotOptimize(tellmar::PopPasswordLookup(server.dir(), box));
  }
}
BENCHMARK(BM_PopLogin)->Arg(10)->Arg(kMaxUserRecords);

}  // namespace

BENCHMARK_MAIN();
