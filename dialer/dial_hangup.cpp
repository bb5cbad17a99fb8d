// Hanging up: one handle, and the commands Disconnect any, Hang up and
// Disconnect selected.
#include <chrono>

#include "common/ini_document.h"
#include "dialer/dial_engine.h"
#include "dialer/texts.h"

namespace tellmar::dialer {

// A hang-up the service accepts at once counts as done. (Counting only the
// second call of a failed hang-up, as a literal reading would, logs an error
// after every clean hang-up and leaves the dial flagged as in progress.)
bool DialEngine::HangUpOne(ras::ConnHandle handle) {
  if (dialUp_.HangUp(handle) != ras::error::kSuccess) {
    bool settled = false;
    if (settings_.UseTimeout()) {
      for (int i = 0; i < kSettleQueries; ++i) {
        ras::ConnectStatus st = dialUp_.GetConnectStatus(handle);
        if (st.error) break;  // gone: nothing left to settle
        if (st.state == ras::state::kConnected || st.state == ras::state::kDisconnected) {
          settled = true;
          break;
        }
        ui_.WaitPumping(std::chrono::seconds(1));
      }
    }
    if (settled) return false;
    dialUp_.HangUp(handle);
  }
  s_.dialInProgress = false;
  s_.dialHandle = 0;
  return true;
}

// Hangs up each connection of that entry until one is counted as done.
void DialEngine::HangUpNamed(const ras::Enumeration& table, std::string_view name) {
  for (const auto& c : table.connections)
    if (EqualsNoCase(c.entryName, name) && HangUpOne(c.handle)) return;
}

void DialEngine::DunProblemBox() {
  if (s_.serverSystem) return;
  ui_.MessageBox(0, "Problem with DUN Connection - Please disconnect your DUN Connection manually...",
                 "DUN problem!", MB_OK | MB_ICONWARNING);
}

void DialEngine::DisconnectAny(ras::ConnHandle handle) {
  Log("in IDM_DISCONNECT_ANY");
  SetTrayUnlessService(kTrayOffline);
  Log("Hanging up connection");
  ras::Enumeration table = Enumerate();
  Log(Printf("%d active connections", static_cast<int>(table.needed)));
  if (!table.error) {
    bool counted = false;
    const auto& list = table.connections;
    if (handle != 0) {
      for (const auto& c : list) {
        if (c.handle != handle) continue;
        Log("issued RasHangUp");
        counted = HangUpOne(handle);
        break;
      }
    } else if (list.empty() && s_.dialInProgress) {
      Log("dial in progress");
      counted = HangUpOne(s_.dialHandle);
    } else if (list.size() == 1 && !s_.dialInProgress) {
      Log("doing a RasHangUp");
      counted = HangUpOne(list.front().handle);
    } else {
      for (const auto& c : list) {
        Log("doing a RasHangUp");
        if ((counted = HangUpOne(c.handle))) break;
      }
    }
    Log(counted ? "Dun disconnected..." : "Error DUN not disconnected...");
  }
  s_.requester = kRequesterNone;
  s_.currentPassword.clear();
}

void DialEngine::HangUpCommand() {
  if (!s_.requestMode) {
    ras::Enumeration table = Enumerate();
    std::optional<std::string> selected = ui_.SelectedEntry();
    if (!table.error && selected) {
      HangUpNamed(table, *selected);
    }
    SetTray(kTrayOffline);
    peers_.SendStatus(word::kFail);
    s_.requester = kRequesterNone;
    s_.currentPassword.clear();
    return;
  }
  if (s_.fieldCount >= 2 && !s_.requestEntry.empty()) s_.currentEntry = s_.requestEntry;
  ras::Enumeration table = Enumerate();
  if (table.error) {
    DunProblemBox();
  } else if (table.connections.size() == 1) {
    const auto& c = table.connections.front();
    if (s_.currentEntry.empty() || EqualsNoCase(s_.currentEntry, c.entryName)) {
      HangUpOne(c.handle);
    } else {
      s_.requestEntry.clear();
    }
  } else {
    HangUpNamed(table, s_.currentEntry);
  }
  SetTray(kTrayOffline);
}

void DialEngine::DisconnectSelected(std::string_view name) {
  if (name.empty()) return;
  ras::Enumeration table = Enumerate();
  if (table.error) {
    DunProblemBox();
  } else if (table.connections.size() == 1) {
    const auto& c = table.connections.front();
    if (HangUpOne(c.handle) && EqualsNoCase(c.entryName, name)) Log("Hang up");
  } else {
    HangUpNamed(table, name);
  }
  SetTray(kTrayOffline);
  peers_.Answer(s_.dialInProgress ? word::kFail : word::kDunClosed);
  s_.requester = kRequesterNone;
  s_.fieldCount = 0;
  s_.requestEntry.clear();
}

}  // namespace tellmar::dialer
