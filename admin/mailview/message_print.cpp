// Placeholder until message printing is built.
#include "admin/mailview/message_print.h"

#include "platform/operator.h"

namespace tellmar::admin::mailview {

void PrintMessages(HWND owner, const std::vector<std::filesystem::path>&) {
  MessageBox(owner, "This function is not available in this version", "Tellmar", MB_OK | MB_ICONINFORMATION);
}

}  // namespace tellmar::admin::mailview
