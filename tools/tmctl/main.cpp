#include <cstdio>
#include <map>
#include <string>

#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

struct Entry {
  std::string usage;
  VerbFunction run;
};

std::map<std::string, Entry, std::less<>>& Registry() {
  static std::map<std::string, Entry, std::less<>> verbs;
  return verbs;
}

void PrintUsage() {
  std::fputs("usage: tmctl VERB [ARGS...]\n", stderr);
  for (const auto& [name, entry] : Registry()) std::fprintf(stderr, "  tmctl %s\n", entry.usage.c_str());
}

}  // namespace

Verb::Verb(std::string_view name, std::string_view usage, VerbFunction run) {
  Registry().emplace(std::string(name), Entry{std::string(usage), run});
}

int Fail(std::string_view message) {
  std::fprintf(stderr, "tmctl: %.*s\n", static_cast<int>(message.size()), message.data());
  return 1;
}

int Usage(std::string_view usage) {
  std::fprintf(stderr, "tmctl: usage: tmctl %.*s\n", static_cast<int>(usage.size()), usage.data());
  return 2;
}

}  // namespace tmctl

int main(int argc, char** argv) {
  if (argc < 2) {
    tmctl::PrintUsage();
    return 2;
  }
  auto& verbs = tmctl::Registry();
  auto it = verbs.find(argv[1]);
  if (it == verbs.end()) {
    std::fprintf(stderr, "tmctl: unknown verb '%s'\n", argv[1]);
    tmctl::PrintUsage();
    return 2;
  }
  tmctl::Args args(argv + 2, argv + argc);
  return it->second.run(args);
}
