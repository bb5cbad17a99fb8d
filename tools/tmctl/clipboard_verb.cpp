// tmctl clipboard: prints the desktop clipboard's text as it is (no line end
// added), or fails when nothing was copied.
#include <cstdio>

#include "platform/clipboard.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

int Run(const Args& a) {
  if (!a.empty()) return Usage("clipboard");
  const auto text = tellmar::GetClipboardText();
  if (!text) return Fail("the clipboard is empty");
  std::fwrite(text->data(), 1, text->size(), stdout);
  return 0;
}

const Verb kVerb("clipboard", "clipboard", Run);

}  // namespace
}  // namespace tmctl
