// Printing to a PDF file, drawn with cairo: every text run is real text in
// the file (a PDF reader can search and copy it), one PDF page per printed
// page. The file is written beside its final name and renamed into place
// only when complete, so a failed print never leaves a torn file or
// replaces a good one.
#pragma once

#include <memory>

#include "platform/print/print_job.h"

namespace tellmar::print {

class PdfPrinter : public Printer {
 public:
  explicit PdfPrinter(std::string path, PageSetup setup = A4());
  ~PdfPrinter() override;

  std::string Name() const override { return path_; }
  PageSetup Setup() const override { return setup_; }
  double TextWidth(std::string_view text, const std::string& font, double size, bool bold) const override;
  std::string Print(const PrintDocument& document) override;

 private:
  struct Measure;
  std::string path_;
  PageSetup setup_;
  std::unique_ptr<Measure> measure_;
};

}  // namespace tellmar::print
