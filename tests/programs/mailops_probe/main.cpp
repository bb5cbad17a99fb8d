// mailops_probe: a test-only program that runs the mail window's message
// operations on a server directory, without the window, so that the
// integration tests can check their effect with a real POP3 server and
// client. The Copy/Move dialog is played in-process as a person would play
// it (targets selected by their line, then Copy or Move); every message box
// takes its default answer and is printed as "box: CAPTION: TEXT".
//
//   mailops_probe [--fail-writes-after N] SERVERDIR COMMAND ARGS...
//     delete FILE...                       (full paths)
//     hold FILE... | release FILE...
//     copy|move VIEWED TARGET[|TARGET...] FILE...
//
// A TARGET is the start of its line in the dialog ("BOB", "(Archive) -
// Inbound"). --fail-writes-after N lets N writes of copied bytes succeed and
// fails every later one as a full disk would. The last line printed is the
// result: "deleted=N", "changed=0|1" or "ok=0|1".
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "admin/mailview/message_files.h"
#include "admin/mailview/message_ops.h"
#include "admin/shell/admin_state.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "resources/tmadmin32/message_ops_ids.h"

using namespace tellmar;
using namespace tellmar::admin::mailview;
using Ids = res::tmadmin32::CopyMove;

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

void FailWritesAfter(int allowed) {
  SetCopyWriter([allowed, done = 0](int fd, std::string_view bytes) mutable -> std::error_code {
    if (done++ >= allowed) return std::make_error_code(std::errc::no_space_on_device);
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd, bytes.data(), bytes.size());
      if (n < 0) return {errno, std::generic_category()};
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
  });
}

int Usage() {
  std::fprintf(stderr,
               "usage: mailops_probe [--fail-writes-after N] SERVERDIR delete|hold|release FILE...\n"
               "       mailops_probe [--fail-writes-after N] SERVERDIR copy|move VIEWED TARGET[|TARGET...] FILE...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "--fail-writes-after") {
    FailWritesAfter(std::atoi(args[1].c_str()));
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 3) return Usage();
  const std::string serverDir = args[0], command = args[1];
  admin::SetServerDirectory(serverDir);
  admin::App().serverSettingsPath = serverDir + "/tmhub.ini";

  Loop loop;
  DialogDriver driver;  // its scripted operator answers every box with the default
  std::vector<std::filesystem::path> files;
  const std::size_t firstFile = (command == "copy" || command == "move") ? 4 : 2;
  if (args.size() <= firstFile) return Usage();
  for (std::size_t i = firstFile; i < args.size(); ++i) files.emplace_back(args[i]);

  std::string result;
  if (command == "delete") {
    result = "deleted=" + std::to_string(DeleteMessages(0, files));
  } else if (command == "hold" || command == "release") {
    bool ok = true;
    for (const auto& file : files) ok = SetHeld(file, command == "hold", std::time(nullptr)) && ok;
    result = std::string("ok=") + (ok ? "1" : "0");
  } else if (command == "copy" || command == "move") {
    const std::vector<std::string> targets = Split(args[3], '|');
    driver.Then([targets](HWND dialog) {
      const HWND list = GetDlgItem(dialog, Ids::kTargets);
      std::vector<int> indices;
      for (const std::string& target : targets)
        for (int i = 0; i < ListBox_GetCount(list); ++i)
          if (ListBox_GetText(list, i).starts_with(target)) indices.push_back(i);
      UserSelectItems(list, indices);
    });
    driver.Click(command == "copy" ? Ids::kCopy : Ids::kMove);
    bool changed = false;
    driver.Run([&] {
      changed = RunCopyMove(0, args[2], files);
      return INT_PTR(0);
    });
    for (const std::string& failure : driver.failures()) std::printf("failure: %s\n", failure.c_str());
    result = std::string("changed=") + (changed ? "1" : "0");
  } else {
    return Usage();
  }
  for (const auto& shown : driver.op().shown()) std::printf("box: %s: %s\n", shown.caption.c_str(), shown.text.c_str());
  std::printf("%s\n", result.c_str());
  return driver.failures().empty() ? 0 : 1;
}
