// How soon a client hears of a dial's progress: Dialwick runs as its own
// process on a private desktop with a simulated modem, this program plays
// the main server (slots registered by message) and times every result word
// against the moment the modem's script makes that state due. Reported:
// the delay of the first word ("DIALCOMPLETE", due 3 steps after the
// request) and of "OK" (due 8 steps after it), against a 50 ms budget.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialer/messages.h"
#include "platform/loop.h"
#include "platform/window.h"
#include "platform/window_state.h"

extern char** environ;

using namespace tellmar;
using namespace tellmar::dialer;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 100;
constexpr int kStepMs = 10;
constexpr double kBudgetMs = 50;

struct Word {
  std::string text;
  Clock::time_point at;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2], p99 = ms[ms.size() * 99 / 100], worst = ms.back();
  std::printf("%-34s median %6.2f ms  p99 %6.2f ms  max %6.2f ms  (max/budget %.2f)\n", what, median, p99, worst,
              worst / kBudgetMs);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path dialwick = argc > 1 ? argv[1] : "build/bin/Dialwick";
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("dialwick-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "desk");
  std::filesystem::permissions(dir / "desk", std::filesystem::perms::owner_all);
  std::filesystem::create_directories(dir / "server");
  std::ofstream(dir / "phonebook.ini") << "[ISP]\nPassword=pw\nStepMs=" << kStepMs << "\n";
  // No progress window: its opening is part of the dial, not of the report.
  std::filesystem::create_directories(dir / "config" / "tellmar");
  std::ofstream(dir / "config" / "tellmar" / "win.ini") << "[corv-Dun32]\nshowmsdialogs=0\n";
  ::setenv("TELLMAR_DESKTOP", (dir / "desk").c_str(), 1);
  ::setenv("TELLMAR_PHONEBOOK", (dir / "phonebook.ini").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);

  Loop loop;
  if (loop.OpenChannel("bench")) return 1;
  const std::string program = std::filesystem::absolute(dialwick).string();
  if (::chdir((dir / "server").c_str()) != 0) return 1;
  pid_t child = 0;
  char* args[] = {const_cast<char*>(program.c_str()), nullptr};
  if (posix_spawn(&child, program.c_str(), nullptr, nullptr, args, environ) != 0) return 1;
  HWND target = 0;
  loop.PumpUntil([&] { return (target = FindWindow(kWindowClass, kWindowTitle)) != 0; }, std::chrono::seconds(10));
  if (target == 0) {
    std::fprintf(stderr, "Dialwick did not start\n");
    return 1;
  }

  std::vector<Word> words;
  const HWND status = CreateWindow(kEditClass, "", 0, 0, 0, 10, 10);
  const HWND param = CreateWindow(kEditClass, "", 0, 0, 0, 10, 10);
  Window* w = loop.Find(status);
  w->proc = [inner = w->proc, &words](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_SETTEXT && lp != 0) words.push_back({reinterpret_cast<const char*>(lp), Clock::now()});
    return inner(h, m, wp, lp);
  };
  SendMessage(target, DUNM_SETSTATUSWND, static_cast<WPARAM>(status));
  SendMessage(target, DUNM_SETPARAMWND, static_cast<WPARAM>(param));

  std::vector<double> first, ok;
  for (int round = 0; round < kRounds; ++round) {
    words.clear();
    SetWindowText(param, "0,ISP");
    const auto start = Clock::now();
    SendMessage(target, DUNM_REQUESTEX, 0, 0);
    if (!loop.PumpUntil([&] { return !words.empty() && words.back().text == "OK"; }, std::chrono::seconds(5))) {
      std::fprintf(stderr, "no OK in round %d\n", round);
      break;
    }
    first.push_back(Ms(words.front().at - start) - 3 * kStepMs);
    ok.push_back(Ms(words.back().at - start) - 8 * kStepMs);
    SetWindowText(param, "1");
    SendMessage(target, DUNM_REQUESTEX, 0, 0);
    loop.PumpUntil([&] {
      SetWindowText(param, "");
      SendMessage(target, DUNM_QUERYACTIVE);
      return GetWindowText(param) == "NONE";
    }, std::chrono::seconds(5));
  }
  SendMessage(target, DUNM_QUIT);
  int ignored = 0;
  ::waitpid(child, &ignored, 0);
  std::filesystem::remove_all(dir);
  if (first.empty()) return 1;
  std::printf("Dialwick, %d dials, %d ms between modem states, delay after the state fell due:\n", kRounds, kStepMs);
  Report("first word (DIALCOMPLETE)", first);
  Report("last word (OK)", ok);
  return 0;
}
