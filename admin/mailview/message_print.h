// F7-Print of the mail administration window: the print chooser, then
// "Auto Printing", then one document per message.
//
// Each document, "Tellmar email message", starts with a banner (who printed
// it, when, which options left something out), then the message as stored,
// each line without its line end, a line wider than the text width (90 per
// cent of the printable width) broken by width 50 points short of it, pages
// breaking before the bottom margin, and "Message print complete..." at the
// end when it fits on the last page.
//
// - Header off: the lines up to and including the header's empty line (CR
//   LF or LF alone) are left out.
// - Attachments off, on a multipart message: each part whose type is
//   text/plain (or not given) prints its text without its header lines; any
//   other part prints one line, "\tMime attachment included here (Not
//   printed by user request)", and none of its bytes; a multipart part is
//   opened and its own parts are treated the same way. The boundary lines
//   themselves are not printed.
// - Printing into a PDF file: one message goes into the file named; of
//   several, each goes into its own file beside it, the name's stem with
//   "-" and the message file's name (out.pdf: out-0000001a.pdf, ...).
// - A document that cannot be printed (the file cannot be created, the
//   queue refuses it) shows "StartDoc failed.." and the next message is
//   still printed. The options chosen are offered again at the next F7.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/messages.h"
#include "platform/print/print_job.h"

namespace tellmar::admin::mailview {

// Prints `messages` (full paths, in list order; at most 1000 are taken).
void PrintMessages(HWND owner, const std::vector<std::filesystem::path>& messages);

inline constexpr std::size_t kMaxPrintedMessages = 1000;
inline constexpr std::string_view kMessageDocumentTitle = "Tellmar email message";

struct MessagePrintOptions {
  bool header = true;
  bool attachments = true;
};
// From the answer of "Auto Printing" ("Header: on Attachments: off", ...).
MessagePrintOptions ParseMessagePrintOptions(std::string_view answer);

// The document of one message as printed at `now`; nothing when the message
// cannot be read (the scan has said so in a box).
std::optional<print::PrintDocument> MessageDocument(const print::Printer& printer,
                                                    const std::filesystem::path& message,
                                                    MessagePrintOptions options, std::time_t now,
                                                    HWND owner = 0);

// Prints each message on `printer`, as PrintMessages does after its two
// dialogs.
void PrintMessagesOn(HWND owner, print::Printer& printer, const std::vector<std::filesystem::path>& messages,
                     MessagePrintOptions options);

}  // namespace tellmar::admin::mailview
