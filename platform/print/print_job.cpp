#include "platform/print/print_job.h"

#include <algorithm>
#include <cmath>

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
  constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  tabStop_ = 8 * printer_.TextWidth(kLetters, font_, size_, false) / static_cast<double>(kLetters.size());
  document_.title = std::move(title);
  document_.pages.emplace_back();
}

double PageWriter::Width() const { return setup_.width - setup_.left - setup_.right; }

bool PageWriter::Fits() const { return y_ + lineHeight_ <= setup_.height - setup_.bottom; }

void PageWriter::Line(std::string_view text, bool bold) {
  if (!Fits() && y_ > setup_.top) NewPage();
  y_ += lineHeight_;
  double x = 0;
  for (;;) {
    const std::size_t tab = text.find('\t');
    const std::string_view piece = text.substr(0, tab);
    if (!piece.empty())
      document_.pages.back().runs.push_back(
          TextRun{setup_.left + x, y_ - lineHeight_ * 0.2, std::string(piece), font_, size_, bold});
    if (tab == std::string_view::npos) break;
    x = NextTabStop(x + printer_.TextWidth(piece, font_, size_, bold));
    text.remove_prefix(tab + 1);
  }
}

double PageWriter::NextTabStop(double x) const {
  if (tabStop_ <= 0) return x;
  return (std::floor(x / tabStop_) + 1) * tabStop_;
}

double PageWriter::Extent(std::string_view text, bool bold) const {
  double x = 0;
  for (std::size_t tab; (tab = text.find('\t')) != std::string_view::npos; text.remove_prefix(tab + 1))
    x = NextTabStop(x + printer_.TextWidth(text.substr(0, tab), font_, size_, bold));
  return x + printer_.TextWidth(text, font_, size_, bold);
}

void PageWriter::Skip() { Line({}); }

void PageWriter::NewPage() {
  document_.pages.emplace_back();
  y_ = setup_.top;
}

std::size_t PageWriter::FittingPrefix(std::string_view text, double width, bool bold) const {
  if (text.empty()) return 0;
  // Widths grow with the length: find the longest prefix by halving.
  std::size_t fits = 0, tooLong = std::min(text.size(), kMeasureLimit) + 1;
  while (tooLong - fits > 1) {
    const std::size_t mid = (fits + tooLong) / 2;
    if (Extent(text.substr(0, mid), bold) < width)
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
