// Password entry for the main server ("Confirm Password"): the prompt comes
// from slot B, slot C "1" asks for a confirmation; the answer goes to slots
// A ("OK" or "FAIL") and B (the password, or empty).
#pragma once

namespace tellmar::admin {

// `readSlots` false (command 1122): no prompt and no confirmation.
void RunPasswordEntry(bool readSlots);

}  // namespace tellmar::admin
