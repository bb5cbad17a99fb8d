// The host's own name and address, as the greeting and the listener use
// them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tellmar::pop3 {

// IPv4 addresses in host byte order.
using Ipv4 = std::uint32_t;

struct HostIdentity {
  std::string name;              // the resolver's official name, else the host name
  std::optional<Ipv4> resolved;  // the name's first resolved IPv4 address
};

// gethostname (at most 127 characters; "localhost" when it fails), resolved
// with getaddrinfo for its canonical name and first IPv4 address.
HostIdentity LookUpHost();

// The machine's own IPv4 addresses, interface order.
std::vector<Ipv4> LocalAddresses();

bool IsLoopback(Ipv4 address);

// The address to listen on for the host's own address: the resolved one,
// unless it is a loopback address (as a hosts file often makes it) and the
// machine has a non-loopback address, which then serves. nullopt: any.
std::optional<Ipv4> ChooseBindAddress(const std::optional<Ipv4>& resolved,
                                      const std::vector<Ipv4>& local);

std::string DottedQuad(Ipv4 address);

}  // namespace tellmar::pop3
