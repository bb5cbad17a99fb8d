// Printers of the CUPS server this machine uses (CUPS_SERVER, else the
// local one). A document is drawn as PDF (pdf_printer.h) into a temporary
// file and handed to the queue as one job; the paper and the printable area
// are the queue's default media.
#pragma once

#include <string>
#include <vector>

#include "platform/print/print_job.h"

namespace tellmar::print {

struct PrinterList {
  std::vector<std::string> names;  // in the server's order
  std::string defaultName;         // empty: none set
};
// The queues the CUPS server offers; empty when there is no server.
PrinterList ListCupsPrinters();

class CupsPrinter : public Printer {
 public:
  // Reads the queue's default media; a queue that says nothing gets A4.
  explicit CupsPrinter(std::string name);

  std::string Name() const override { return name_; }
  PageSetup Setup() const override { return setup_; }
  double TextWidth(std::string_view text, const std::string& font, double size, bool bold) const override;
  std::string Print(const PrintDocument& document) override;

  int lastJob() const { return lastJob_; }

 private:
  std::string name_;
  PageSetup setup_;
  int lastJob_ = 0;
};

}  // namespace tellmar::print
