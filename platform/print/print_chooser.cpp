#include "platform/print/print_chooser.h"

#include "platform/operator.h"
#include "platform/print/cups_printer.h"
#include "platform/print/pdf_printer.h"

namespace tellmar::print {

std::unique_ptr<Printer> ChoosePrinter(HWND owner, std::string_view fileName) {
  PrintRequest request;
  request.owner = owner;
  const PrinterList printers = ListCupsPrinters();
  request.printers = printers.names;
  request.defaultPrinter = printers.defaultName;
  request.fileName = std::string(fileName);
  const auto answer = PrintDlg(request);
  if (!answer) return nullptr;
  if (!answer->outputFile.empty()) return std::make_unique<PdfPrinter>(answer->outputFile);
  std::string name = answer->printer.empty() ? printers.defaultName : answer->printer;
  if (name.empty()) return nullptr;
  return std::make_unique<CupsPrinter>(name);
}

}  // namespace tellmar::print
