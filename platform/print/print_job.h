// A print job as the programs build it: a document of pages, each a list of
// text runs placed on the page with their font, size and weight. A printer
// (the backend) says how large its pages are and how wide a text is, and
// prints a finished document:
//
//   PdfPrinter    a PDF file, drawn with cairo (pdf_printer.h);
//   CupsPrinter   a printer of the local CUPS server (cups_printer.h);
//   RecordingPrinter  keeps what it was given, for tests (recording_printer.h).
//
// Units are points (1/72 inch) from the page's top left corner; a run's y is
// its baseline. Texts are bytes as the mail store holds them; 8-bit
// characters are taken as Latin-1.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tellmar::print {

// The paper and the area a printer can print on.
struct PageSetup {
  std::string paper = "A4";
  double width = 595.28, height = 841.89;
  double left = 28.35, top = 28.35, right = 28.35, bottom = 28.35;  // 10 mm margins
};
PageSetup A4();
PageSetup Letter();

struct TextRun {
  double x = 0, y = 0;
  std::string text;
  std::string font = "DejaVu Sans";
  double size = 10;
  bool bold = false;
};

struct PrintPage {
  std::vector<TextRun> runs;
};

struct PrintDocument {
  std::string title;
  std::vector<PrintPage> pages;
};

class Printer {
 public:
  virtual ~Printer() = default;
  virtual std::string Name() const = 0;
  virtual PageSetup Setup() const = 0;
  // The advance of `text` in the given type, in points.
  virtual double TextWidth(std::string_view text, const std::string& font, double size, bool bold) const = 0;
  // Prints the whole document; answers an error text, empty when it printed.
  virtual std::string Print(const PrintDocument& document) = 0;
};

// Lays text out line by line inside the printer's margins, starting a new
// page before a line would pass the bottom margin. A TAB moves on to the
// next tab stop, every eight average characters (of a-z and A-Z) from the
// left margin, as a tabbed text output does.
class PageWriter {
 public:
  PageWriter(const Printer& printer, std::string title, std::string font = "DejaVu Sans", double size = 10);

  double LineHeight() const { return lineHeight_; }
  // The printable width, from the left margin to the right one.
  double Width() const;
  // Whether one more line fits on the current page.
  bool Fits() const;
  void Line(std::string_view text, bool bold = false);
  // How far `text` reaches from the left margin, TABs included.
  double Extent(std::string_view text, bool bold = false) const;
  void Skip();  // an empty line
  void NewPage();
  // How many leading bytes of `text` are narrower than `width` (at least one
  // when the text is not empty, so that breaking a line always advances).
  // Only the first kMeasureLimit bytes are measured: no page is that wide,
  // and a line of megabytes is broken without measuring all of it each time.
  static constexpr std::size_t kMeasureLimit = 4096;
  std::size_t FittingPrefix(std::string_view text, double width, bool bold = false) const;

  PrintDocument Finish();

 private:
  double NextTabStop(double x) const;

  const Printer& printer_;
  PageSetup setup_;
  std::string font_;
  double size_;
  double lineHeight_;
  double tabStop_;
  double y_;
  PrintDocument document_;
};

}  // namespace tellmar::print
