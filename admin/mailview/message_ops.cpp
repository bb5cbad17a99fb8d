// Placeholder until the message operations are built: nothing is changed.
#include "admin/mailview/message_ops.h"

#include "platform/operator.h"

namespace tellmar::admin::mailview {
namespace {
void NotAvailable(HWND owner) {
  MessageBox(owner, "This function is not available in this version", "Tellmar", MB_OK | MB_ICONINFORMATION);
}
}  // namespace

int DeleteMessages(HWND owner, const std::vector<std::filesystem::path>&) {
  NotAvailable(owner);
  return 0;
}
bool IsHeld(const std::filesystem::path&) { return false; }
bool SetHeld(const std::filesystem::path&, bool, std::time_t) { return false; }
std::optional<bool> AskHoldMultiple(HWND owner) {
  NotAvailable(owner);
  return std::nullopt;
}
bool RunCopyMove(HWND owner, const std::filesystem::path&, const std::vector<std::filesystem::path>&) {
  NotAvailable(owner);
  return false;
}
void NoteStoreChanged() {}

}  // namespace tellmar::admin::mailview
