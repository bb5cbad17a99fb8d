// Choosing where to print, through the Operator: the print dialog lists the
// CUPS printers and "Print to file (PDF)" with a file name. The answer is
// the printer to print with; nothing when the person cancels or nobody is
// there to choose (the unattended operator cancels).
#pragma once

#include <memory>

#include "platform/messages.h"
#include "platform/print/print_job.h"

namespace tellmar::print {

// `fileName`: the file offered for printing to a file.
std::unique_ptr<Printer> ChoosePrinter(HWND owner, std::string_view fileName = "printout.pdf");

}  // namespace tellmar::print
