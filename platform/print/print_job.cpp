#include "platform/print/print_job.h"

namespace tellmar::print {

PageSetup A4() { return PageSetup{}; }

PageSetup Letter() {
  PageSetup s;
  s.paper = "Letter";
  s.width = 612;
  s.height = 792;
  return s;
}

PageWriter::PageWriter(const Printer& printer, std::string title, std::string font, double size)
    : printer_(printer), setup_(printer.Setup()), font_(std::move(font)), size_(size), lineHeight_(size * 1.2),
      y_(setup_.top) {
  document_.title = std::move(title);
  document_.pages.emplace_back();
}

double PageWriter::Width() const { return setup_.width - setup_.left - setup_.right; }

bool PageWriter::Fits() const { return y_ + lineHeight_ <= setup_.height - setup_.bottom; }

void PageWriter::Line(std::string_view text, bool bold) {
  if (!Fits() && y_ > setup_.top) NewPage();
  y_ += lineHeight_;
  if (!text.empty())
    document_.pages.back().runs.push_back(
        TextRun{setup_.left, y_ - lineHeight_ * 0.2, std::string(text), font_, size_, bold});
}

void PageWriter::Skip() { Line({}); }

void PageWriter::NewPage() {
  document_.pages.emplace_back();
  y_ = setup_.top;
}

std::size_t PageWriter::FittingPrefix(std::string_view text, double width, bool bold) const {
  if (text.empty()) return 0;
  // Widths grow with the length: find the longest prefix by halving.
  std::size_t fits = 0, tooLong = text.size() + 1;
  while (tooLong - fits > 1) {
    const std::size_t mid = (fits + tooLong) / 2;
    if (printer_.TextWidth(text.substr(0, mid), font_, size_, bold) < width)
      fits = mid;
    else
      tooLong = mid;
  }
  return fits == 0 ? 1 : fits;
}

PrintDocument PageWriter::Finish() {
  PrintDocument done = std::move(document_);
  document_ = PrintDocument{done.title, {PrintPage{}}};
  y_ = setup_.top;
  return done;
}

}  // namespace tellmar::print
