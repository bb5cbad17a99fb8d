// The file choosers the support module shows for the main server: open,
// sound, directory and attachment (command 40016), save (command 40017) and
// the plain chooser of message 1836. The answers go to the slots.
#pragma once

#include "platform/messages.h"

namespace tellmar::admin {

void RunFileChooser();
void RunSaveChooser();
// Message 1836: wParam 0 executables, 1 sounds, 2 texts, 3 programs, any
// other value a directory.
void RunPlainChooser(WPARAM kind);

}  // namespace tellmar::admin
