#include "admin/mailview/message_print.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "admin/mailview/message_scan.h"
#include "admin/routing/filter_dialogs.h"
#include "common/ascii.h"
#include "common/file_bytes.h"
#include "platform/operator.h"
#include "platform/print/pdf_printer.h"
#include "platform/print/print_chooser.h"

namespace tellmar::admin::mailview {
namespace {

constexpr double kTextShare = 0.9;   // of the printable width
constexpr double kBreakMargin = 50;  // a broken line ends this far short of the text width
constexpr std::string_view kAttachmentNotice =
    "\tMime attachment included here (Not printed by user request)";

// The lines of `text`, each with its line end.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

// "Tue Dec  8 15:31:51 2026": the calendar text of `now` in local time.
std::string CalendarText(std::time_t now) {
  std::tm local{};
  char text[64] = {};
  if (::localtime_r(&now, &local) == nullptr || ::asctime_r(&local, text) == nullptr) return {};
  return std::string(WithoutLineEnd(text));
}

class MessageLayout {
 public:
  explicit MessageLayout(const print::Printer& printer)
      : page_(printer, std::string(kMessageDocumentTitle)), textWidth_(page_.Width() * kTextShare) {}

  // One line of the message, broken by width while it is wider than the text width.
  void Put(std::string_view line) {
    const double wholeLimit = std::nextafter(textWidth_, std::numeric_limits<double>::infinity());
    while (page_.FittingPrefix(line, wholeLimit) < line.size()) {
      const std::size_t fits = page_.FittingPrefix(line, textWidth_ - kBreakMargin);
      page_.Line(line.substr(0, fits));
      line.remove_prefix(fits);
    }
    page_.Line(line);
  }

  void Banner(MessagePrintOptions options, std::time_t now) {
    page_.Line("Email message printed from Corvane Tellmar");
    page_.Line("Printed : " + CalendarText(now));
    if (!options.header) page_.Line("##User option: RFC Headers not printed...");
    if (!options.attachments) page_.Line("##User option: Attachments not printed...");
    page_.Line("===============================================");
    page_.Skip();
  }

  void End() {
    if (!page_.Fits()) return;
    page_.Skip();
    if (page_.Fits()) page_.Line("Message print complete...");
  }

  print::PrintDocument Finish() { return page_.Finish(); }

 private:
  print::PageWriter page_;
  double textWidth_;
};

// The body of a multipart message without its attachments: text/plain parts
// print their text, every other part one notice.
class PartFilter {
 public:
  PartFilter(MessageLayout& layout, const std::string& boundary) : layout_(layout) {
    open_.push_back("--" + boundary);
  }

  void Print(const std::vector<std::string_view>& lines, std::size_t i) {
    while (i < lines.size()) {
      const std::string_view line = WithoutLineEnd(lines[i++]);
      std::size_t level = 0;
      bool closing = false;
      if (!Delimiter(line, level, closing)) {
        if (printing_) layout_.Put(line);
        continue;
      }
      open_.resize(level + 1);
      if (closing) {
        open_.pop_back();
        printing_ = open_.empty();  // only the message's own epilogue is text
        continue;
      }
      HeaderScan scan;
      for (; i < lines.size(); ++i) {
        if (IsHeaderEnd(lines[i])) {
          ++i;
          break;
        }
        if (Delimiter(WithoutLineEnd(lines[i]), level, closing)) break;  // a part without a body
        scan.Line(lines[i]);
      }
      const MessageStructure part = scan.Result();
      printing_ = part.contentType.empty() || part.contentType == "text/plain";
      if (printing_) continue;
      if (part.kind == StructureClass::Multipart)
        open_.push_back("--" + part.boundary);  // its parts follow its own boundary
      else
        layout_.Put(kAttachmentNotice);
    }
  }

 private:
  // Whether `line` is a boundary line of an open multipart ("--boundary",
  // or "--boundary--" closing it); blanks after it are allowed.
  bool Delimiter(std::string_view line, std::size_t& level, bool& closing) const {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (!line.starts_with("--")) return false;
    for (std::size_t k = open_.size(); k-- > 0;) {
      const std::string& delimiter = open_[k];
      if (EqualsNoCase(line, delimiter) || (line.size() == delimiter.size() + 2 && line.ends_with("--") &&
                                            EqualsNoCase(line.substr(0, delimiter.size()), delimiter))) {
        level = k;
        closing = line.size() != delimiter.size();
        return true;
      }
    }
    return false;
  }

  MessageLayout& layout_;
  std::vector<std::string> open_;  // the boundary lines of the open multiparts, outermost first
  bool printing_ = true;           // the preamble before the first part is text
};

// Where message `index` of `count` goes when printing into `file`.
std::filesystem::path PdfFileFor(const std::filesystem::path& file, const std::filesystem::path& message,
                                 std::size_t count) {
  if (count <= 1) return file;
  std::filesystem::path named = file;
  named.replace_filename(file.stem().string() + "-" + message.stem().string() + ".pdf");
  return named;
}

std::string& RememberedOptions() {
  static std::string options = PrintOptionsText(true, true);
  return options;
}

}  // namespace

MessagePrintOptions ParseMessagePrintOptions(std::string_view answer) {
  return {answer.find("Header: on") != std::string_view::npos,
          answer.find("Attachments: on") != std::string_view::npos};
}

std::optional<print::PrintDocument> MessageDocument(const print::Printer& printer,
                                                    const std::filesystem::path& message,
                                                    MessagePrintOptions options, std::time_t now,
                                                    HWND owner) {
  bool opened = false;
  const MessageStructure structure = ScanStructure(message, owner, &opened);
  if (!opened) return std::nullopt;
  std::error_code error;
  const std::optional<std::string> text = ReadFileBytes(message, error);
  if (!text) return std::nullopt;
  const std::vector<std::string_view> lines = SplitLines(*text);

  MessageLayout layout(printer);
  layout.Banner(options, now);
  std::size_t i = 0;
  while (i < lines.size()) {
    const std::string_view line = lines[i++];
    if (options.header) layout.Put(WithoutLineEnd(line));
    if (IsHeaderEnd(line)) break;
  }
  if (!options.attachments && structure.kind == StructureClass::Multipart) {
    PartFilter(layout, structure.boundary).Print(lines, i);
  } else {
    for (; i < lines.size(); ++i) layout.Put(WithoutLineEnd(lines[i]));
  }
  layout.End();
  return layout.Finish();
}

void PrintMessagesOn(HWND owner, print::Printer& printer, const std::vector<std::filesystem::path>& messages,
                     MessagePrintOptions options) {
  const std::size_t count = std::min(messages.size(), kMaxPrintedMessages);
  const auto* pdf = dynamic_cast<const print::PdfPrinter*>(&printer);
  for (std::size_t n = 0; n < count; ++n) {
    std::unique_ptr<print::Printer> ownFile;
    print::Printer* target = &printer;
    if (pdf != nullptr && count > 1) {
      ownFile = std::make_unique<print::PdfPrinter>(PdfFileFor(pdf->Name(), messages[n], count).string(),
                                                    pdf->Setup());
      target = ownFile.get();
    }
    const auto document = MessageDocument(*target, messages[n], options, std::time(nullptr), owner);
    if (!document) continue;
    const std::string error = target->Print(*document);
    if (error.empty()) continue;
    std::fprintf(stderr, "Print: %s\n", error.c_str());
    MessageBox(owner, "StartDoc failed..", "Print error", MB_OK | MB_ICONSTOP);
  }
}

void PrintMessages(HWND owner, const std::vector<std::filesystem::path>& messages) {
  if (messages.empty()) return;
  std::unique_ptr<print::Printer> printer = print::ChoosePrinter(
      owner, messages.size() == 1 ? messages[0].stem().string() + ".pdf" : "messages.pdf");
  if (!printer) return;  // cancelled
  const std::optional<std::string> answer = RunPrintOptions(owner, RememberedOptions());
  if (!answer || answer->empty()) return;
  RememberedOptions() = *answer;
  PrintMessagesOn(owner, *printer, messages, ParseMessagePrintOptions(*answer));
}

}  // namespace tellmar::admin::mailview
