#include "platform/print/cups_printer.h"

#include <cups/cups.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/print/pdf_printer.h"

namespace tellmar::print {
namespace {

constexpr double kPointsPerHundredthMm = 72.0 / 2540.0;

struct Destinations {
  int count = 0;
  cups_dest_t* dests = nullptr;
  Destinations() { count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests); }
  ~Destinations() { cupsFreeDests(count, dests); }
  Destinations(const Destinations&) = delete;
  Destinations& operator=(const Destinations&) = delete;
};

PageSetup MediaOf(const std::string& name) {
  PageSetup setup = A4();
  Destinations all;
  cups_dest_t* dest = cupsGetDest(name.c_str(), nullptr, all.count, all.dests);
  if (dest == nullptr) return setup;
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  if (info == nullptr) return setup;
  cups_size_t size{};
  if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, 0, &size) != 0 && size.width > 0 && size.length > 0) {
    setup.paper = size.media;
    setup.width = size.width * kPointsPerHundredthMm;
    setup.height = size.length * kPointsPerHundredthMm;
    // A borderless medium still gets a little room, as a page of text needs it.
    auto margin = [](int hundredths) { return std::max(hundredths * kPointsPerHundredthMm, 14.0); };
    setup.left = margin(size.left);
    setup.right = margin(size.right);
    setup.top = margin(size.top);
    setup.bottom = margin(size.bottom);
  }
  cupsFreeDestInfo(info);
  return setup;
}

}  // namespace

PrinterList ListCupsPrinters() {
  PrinterList list;
  Destinations all;
  for (int i = 0; i < all.count; ++i) {
    const cups_dest_t& d = all.dests[i];
    if (d.instance != nullptr) continue;  // instances are option sets of a queue
    list.names.emplace_back(d.name);
    if (d.is_default != 0) list.defaultName = d.name;
  }
  return list;
}

CupsPrinter::CupsPrinter(std::string name) : name_(std::move(name)), setup_(MediaOf(name_)) {}

double CupsPrinter::TextWidth(std::string_view text, const std::string& font, double size, bool bold) const {
  return PdfPrinter({}, setup_).TextWidth(text, font, size, bold);
}

std::string CupsPrinter::Print(const PrintDocument& document) {
  // The PDF goes into a directory of our own, so nobody can put a link in its way.
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "tellmar-print-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return "printer " + name_ + ": no temporary directory";
  const std::string file = pattern + "/print.pdf";
  PdfPrinter pdf(file, setup_);
  std::string error = pdf.Print(document);
  if (error.empty()) {
    lastJob_ = cupsPrintFile2(CUPS_HTTP_DEFAULT, name_.c_str(), file.c_str(), document.title.c_str(), 0, nullptr);
    if (lastJob_ == 0) error = "printer " + name_ + ": " + cupsLastErrorString();
  }
  std::filesystem::remove_all(pattern, ec);
  return error;
}

}  // namespace tellmar::print
