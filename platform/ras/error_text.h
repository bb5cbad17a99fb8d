// Texts for the dial-up service's own error codes, as the service would give
// them to a program that asks. Worded for this system; the codes and their
// meanings are the service's.
#pragma once

#include <optional>
#include <string>

namespace tellmar::ras {

// The text for a code between error::kFirst and error::kLast; nullopt for
// any other code.
std::optional<std::string> ServiceErrorText(int code);

}  // namespace tellmar::ras
