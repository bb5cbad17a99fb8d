// tmctl reg: the registry store, for scripts and tests.
//   tmctl reg get ROOT KEY [VALUE]     (VALUE "" or absent: the default value)
//   tmctl reg set ROOT KEY VALUE DATA
//   tmctl reg del ROOT KEY [VALUE]     (no VALUE: the key and all below it)
//   tmctl reg keys ROOT KEY
#include <cstdio>

#include "platform/registry_store.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

constexpr const char* kUsage = "reg get|set|del|keys ROOT KEY [VALUE [DATA]]   (ROOT: HKLM, HKCU, HKCR)";

int Run(const Args& args) {
  if (args.size() < 3) return Usage(kUsage);
  const std::string& action = args[0];
  auto root = tellmar::ParseRegistryRoot(args[1]);
  if (!root) return Fail("unknown root key '" + args[1] + "' (HKLM, HKCU or HKCR)");
  const std::string& key = args[2];
  auto store = tellmar::RegistryStore::ForUser();
  if (action == "get" && args.size() <= 4) {
    auto value = store.GetValue(*root, key, args.size() == 4 ? args[3] : "");
    if (!value) return Fail("no such value");
    std::printf("%s\n", value->c_str());
    return 0;
  }
  if (action == "set" && args.size() == 5) {
    if (auto ec = store.SetValue(*root, key, args[3], args[4])) return Fail("cannot write: " + ec.message());
    return 0;
  }
  if (action == "del" && args.size() <= 4) {
    auto ec = args.size() == 4 ? store.DeleteValue(*root, key, args[3]) : store.DeleteKey(*root, key);
    if (ec) return Fail("cannot delete: " + ec.message());
    return 0;
  }
  if (action == "keys" && args.size() == 3) {
    for (const auto& name : store.SubKeys(*root, key)) std::printf("%s\n", name.c_str());
    return 0;
  }
  return Usage(kUsage);
}

const Verb verb("reg", kUsage, Run);

}  // namespace
}  // namespace tmctl
