// libFuzzer target for the template parser (dialogs, pages, menus,
// accelerator tables). The input is a template file. Invariants checked:
//  - parsing never crashes, whatever the file holds;
//  - every dialog that was registered finds each of its controls by ID, and
//    its menus and accelerator tables load.
// The parser keeps what it registers in one store for the whole process, so
// a long run grows with the number of distinct IDs and errors it has seen.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/resource.h"
#include "tests/fuzz/fuzz_check.h"

using namespace tellmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RegisterResourceText("fuzz.tmr", text);
  for (int id : DialogTemplateIds()) {
    const DialogTemplate* dialog = FindDialogTemplate(id);
    Check(dialog != nullptr && dialog->id == id, "a listed dialog is found");
    for (const ControlTemplate& c : dialog->controls) {
      const ControlTemplate* found = dialog->Find(c.id);
      Check(found != nullptr && found->id == c.id, "a control is found by its ID");
    }
    if (dialog->menu != 0) (void)LoadMenu(dialog->menu);
  }
  return 0;
}
