// A printer that keeps every document it is given, for tests: each
// character is `size` * 0.5 points wide, so layouts are easy to predict.
#pragma once

#include <vector>

#include "platform/print/print_job.h"

namespace tellmar::print {

class RecordingPrinter : public Printer {
 public:
  explicit RecordingPrinter(PageSetup setup = A4(), std::string name = "Recorder")
      : setup_(std::move(setup)), name_(std::move(name)) {}

  std::string Name() const override { return name_; }
  PageSetup Setup() const override { return setup_; }
  double TextWidth(std::string_view text, const std::string&, double size, bool) const override {
    return static_cast<double>(text.size()) * size * 0.5;
  }
  std::string Print(const PrintDocument& document) override {
    if (!failWith.empty()) return failWith;
    printed.push_back(document);
    return {};
  }

  // Every text of a printed document, page by page, in the order printed.
  static std::vector<std::vector<std::string>> Texts(const PrintDocument& document) {
    std::vector<std::vector<std::string>> pages;
    for (const PrintPage& page : document.pages) {
      pages.emplace_back();
      for (const TextRun& run : page.runs) pages.back().push_back(run.text);
    }
    return pages;
  }

  std::vector<PrintDocument> printed;
  std::string failWith;  // set: every Print fails with this text

 private:
  PageSetup setup_;
  std::string name_;
};

}  // namespace tellmar::print
