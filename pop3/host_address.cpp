#include "pop3/host_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace tellmar::pop3 {

namespace {
constexpr std::size_t kHostNameLength = 128;  // 127 characters and the terminator
}

HostIdentity LookUpHost() {
  HostIdentity host;
  std::array<char, kHostNameLength> name{};
  if (gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') {
    host.name = "localhost";
  } else {
    host.name = name.data();
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* result = nullptr;
  if (getaddrinfo(host.name.c_str(), nullptr, &hints, &result) == 0 && result != nullptr) {
    if (result->ai_canonname != nullptr && result->ai_canonname[0] != '\0') {
      host.name = result->ai_canonname;
    }
    for (const addrinfo* a = result; a != nullptr; a = a->ai_next) {
      if (a->ai_family == AF_INET && a->ai_addr != nullptr) {
        sockaddr_in sin{};
        std::memcpy(&sin, a->ai_addr, sizeof sin);
        host.resolved = ntohl(sin.sin_addr.s_addr);
        break;
      }
    }
    freeaddrinfo(result);
  }
  return host;
}

std::vector<Ipv4> LocalAddresses() {
  std::vector<Ipv4> addresses;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return addresses;
  for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    sockaddr_in sin{};
    std::memcpy(&sin, i->ifa_addr, sizeof sin);
    addresses.push_back(ntohl(sin.sin_addr.s_addr));
  }
  freeifaddrs(list);
  return addresses;
}

bool IsLoopback(Ipv4 address) { return (address >> 24) == 127; }

std::optional<Ipv4> ChooseBindAddress(const std::optional<Ipv4>& resolved,
                                      const std::vector<Ipv4>& local) {
  if (!resolved) return std::nullopt;
  if (!IsLoopback(*resolved)) return resolved;
  for (Ipv4 a : local) {
    if (!IsLoopback(a)) return a;
  }
  return resolved;
}

std::string DottedQuad(Ipv4 address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace tellmar::pop3
