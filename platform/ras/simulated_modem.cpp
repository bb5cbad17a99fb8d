#include "platform/ras/simulated_modem.h"

#include <algorithm>
#include <iterator>

#include "common/ini_document.h"
#include "common/profile.h"
#include "platform/ras/error_text.h"

namespace tellmar::ras {

SimulatedModem::SimulatedModem(boost::asio::io_context& io, Options options)
    : io_(io), options_(std::move(options)) {}

SimulatedModem::~SimulatedModem() { *alive_ = false; }

SimulatedModem::Link* SimulatedModem::Find(ConnHandle handle) const {
  for (const auto& l : links_)
    if (l->handle == handle) return l.get();
  return nullptr;
}

int SimulatedModem::Dial(const DialParams& params, Notify notify, ConnHandle* handle) {
  Phonebook book = LoadPhonebook(options_.phonebook);
  if (book.error) return book.error;
  const PhonebookEntry* entry = book.Find(params.entryName);
  if (!entry) return error::kCannotFindPhonebookEntry;

  auto link = std::make_unique<Link>(io_);
  link->handle = nextHandle_++;
  link->entryName = entry->name;
  link->script = *entry;
  link->notify = std::move(notify);
  if (!entry->problem.empty()) {
    link->forcedError = error::kCorruptPhonebook;
  } else if (std::any_of(links_.begin(), links_.end(),
                         [&](const auto& l) { return EqualsNoCase(l->entryName, entry->name); })) {
    link->forcedError = error::kPortAlreadyOpen;
  }
  if (handle) *handle = link->handle;
  Link& added = *link;
  links_.push_back(std::move(link));
  // The first state comes from the loop, never from inside Dial().
  Schedule(added, std::chrono::milliseconds(0));
  return error::kSuccess;
}

void SimulatedModem::Schedule(Link& link, std::chrono::milliseconds delay) {
  link.timer.expires_after(delay);
  link.timer.async_wait([this, alive = alive_, h = link.handle](const boost::system::error_code& ec) {
    if (ec || !*alive) return;
    Advance(h);
  });
}

void SimulatedModem::Advance(ConnHandle handle) {
  Link* link = Find(handle);
  if (!link) return;
  const std::size_t count = std::size(kDialSequence);
  link->state = kDialSequence[link->step];
  int failure = 0;
  if (link->forcedError) {
    failure = link->forcedError;
  } else if (link->script.result != 0 && link->state == link->script.failState) {
    failure = link->script.result;
  } else if (link->script.result != 0 && link->script.failState == state::kDisconnected &&
             link->state == state::kConnected) {
    // The line fails where it would have connected, reported as a disconnect.
    link->state = state::kDisconnected;
    failure = link->script.result;
  }
  Notify notify = link->notify;  // the callback may hang the link up
  const int reached = link->state;
  if (failure) {
    Remove(handle);
    notify(reached, failure);
    return;
  }
  if (reached == state::kConnected) {
    link->connected = true;
    if (link->script.dropAfterSeconds > 0) {
      link->timer.expires_after(std::chrono::seconds(link->script.dropAfterSeconds));
      link->timer.async_wait([this, alive = alive_, handle](const boost::system::error_code& ec) {
        if (ec || !*alive) return;
        Drop(handle);
      });
    }
  } else if (++link->step < count) {
    Schedule(*link, std::chrono::milliseconds(link->script.stepMs));
  }
  notify(reached, 0);
}

void SimulatedModem::Drop(ConnHandle handle) {
  Link* link = Find(handle);
  if (!link) return;
  Notify notify = link->notify;
  Remove(handle);
  notify(state::kDisconnected, 0);
}

void SimulatedModem::Remove(ConnHandle handle) {
  auto it = std::find_if(links_.begin(), links_.end(), [&](const auto& l) { return l->handle == handle; });
  if (it == links_.end()) return;
  // A pending wait of this link completes with "aborted" and does nothing.
  links_.erase(it);
}

int SimulatedModem::HangUp(ConnHandle handle) {
  if (!Find(handle)) return error::kInvalidHandle;
  Remove(handle);
  return error::kSuccess;
}

Enumeration SimulatedModem::EnumConnections(std::size_t capacity) const {
  Enumeration out;
  out.needed = links_.size();
  if (links_.size() > capacity) {
    out.error = error::kBufferTooSmall;
    return out;
  }
  for (const auto& l : links_) out.connections.push_back({l->handle, l->entryName});
  return out;
}

ConnectStatus SimulatedModem::GetConnectStatus(ConnHandle handle) const {
  ConnectStatus status;
  const Link* link = Find(handle);
  if (!link) {
    status.error = error::kInvalidHandle;
    return status;
  }
  status.state = link->state;
  return status;
}

EntryNames SimulatedModem::EnumEntries(std::size_t capacity) const {
  EntryNames out;
  Phonebook book = LoadPhonebook(options_.phonebook);
  if (book.error) {
    out.error = book.error;
    return out;
  }
  out.needed = book.entries.size();
  if (book.entries.size() > capacity) {
    out.error = error::kBufferTooSmall;
    return out;
  }
  for (const auto& e : book.entries) out.names.push_back(e.name);
  return out;
}

SavedDialParams SimulatedModem::GetEntryDialParams(std::string_view entryName) const {
  SavedDialParams out;
  Phonebook book = LoadPhonebook(options_.phonebook);
  if (book.error) {
    out.error = book.error;
    return out;
  }
  const PhonebookEntry* entry = book.Find(entryName);
  if (!entry) {
    out.error = error::kCannotFindPhonebookEntry;
    return out;
  }
  out.params = entry->saved;
  out.passwordSaved = entry->keepsPassword && !entry->saved.password.empty();
  if (!out.passwordSaved) out.params.password.clear();
  return out;
}

int SimulatedModem::SetEntryDialParams(const DialParams& params, bool removePassword) {
  Phonebook book = LoadPhonebook(options_.phonebook);
  if (book.error) return book.error;
  const PhonebookEntry* entry = book.Find(params.entryName);
  if (!entry) return error::kCannotFindPhonebookEntry;
  ProfileBatch batch(options_.phonebook);
  const std::string& section = entry->name;
  batch.Write(section, "Number", params.phoneNumber);
  batch.Write(section, "Callback", params.callbackNumber);
  batch.Write(section, "User", params.userName);
  batch.Write(section, "Domain", params.domain);
  if (removePassword) {
    batch.DeleteKey(section, "Password");
  } else if (entry->keepsPassword) {
    batch.Write(section, "Password", params.password);
  }
  return batch.Commit() ? error::kCannotWritePhonebook : error::kSuccess;
}

std::optional<std::string> SimulatedModem::ErrorString(int code) const {
  if (!options_.errorTexts) return std::nullopt;
  return ServiceErrorText(code);
}

}  // namespace tellmar::ras
