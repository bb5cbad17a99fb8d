// A dial-up service without a modem: phonebook entries, their saved dial
// parameters and the outcome of each dial come from the phonebook file
// (phonebook.h), which is read afresh at every call, so a test or a demo may
// change an entry's outcome between dials.
//
// A dial passes the states 0, 1, 2, 3, 4, 19, 5, 14 and 8192 (connected),
// one notification every StepMs; a scripted failure is reported at its
// FailState instead, and the dial is then gone from the connection list. A
// connected entry stays listed until it is hung up or its DropAfter time
// passes (then "disconnected" with error 0). Several entries may be up at
// once; dialling an entry that is already up or dialling fails with "port
// already open".
//
// All timing runs on the io_context given, with steady timers, so every
// notification arrives on the thread that runs it; nothing here blocks.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/ras/dialup.h"
#include "platform/ras/phonebook.h"

namespace tellmar::ras {

class SimulatedModem final : public DialUp {
 public:
  struct Options {
    int platformCode = kPlatformNT;
    std::filesystem::path phonebook = DefaultPhonebookPath();
    // Off: the service has no error texts, so the dialler falls back on its
    // own table (as when the service's text look-up fails).
    bool errorTexts = true;
  };

  SimulatedModem(boost::asio::io_context& io, Options options);
  ~SimulatedModem() override;
  SimulatedModem(const SimulatedModem&) = delete;
  SimulatedModem& operator=(const SimulatedModem&) = delete;

  int PlatformCode() const override { return options_.platformCode; }
  int Dial(const DialParams& params, Notify notify, ConnHandle* handle) override;
  int HangUp(ConnHandle handle) override;
  Enumeration EnumConnections(std::size_t capacity) const override;
  ConnectStatus GetConnectStatus(ConnHandle handle) const override;
  EntryNames EnumEntries(std::size_t capacity) const override;
  SavedDialParams GetEntryDialParams(std::string_view entryName) const override;
  int SetEntryDialParams(const DialParams& params, bool removePassword) override;
  std::optional<std::string> ErrorString(int code) const override;

  const std::filesystem::path& phonebook() const { return options_.phonebook; }

 private:
  struct Link {
    ConnHandle handle = 0;
    std::string entryName;
    PhonebookEntry script;
    int forcedError = 0;  // reported at the first state, before the script
    Notify notify;
    std::size_t step = 0;  // index into kDialSequence of the next state
    int state = state::kOpenPort;
    bool connected = false;
    boost::asio::steady_timer timer;
    explicit Link(boost::asio::io_context& io) : timer(io) {}
  };

  Link* Find(ConnHandle handle) const;
  void Schedule(Link& link, std::chrono::milliseconds delay);
  void Advance(ConnHandle handle);
  void Drop(ConnHandle handle);
  void Remove(ConnHandle handle);

  boost::asio::io_context& io_;
  Options options_;
  ConnHandle nextHandle_ = 1;
  std::vector<std::unique_ptr<Link>> links_;  // in the order dialled
  // Cleared on destruction so that timer handlers still queued in the
  // io_context know the modem is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tellmar::ras
