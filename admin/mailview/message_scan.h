// The quick look at a message's header that tells how the message is built:
// plain, multipart with a boundary, or one of the transfer encodings.
// Printing decides from it what to leave out.
//
// The header is read line by line up to its empty line (CR LF or LF alone).
// Content-Transfer-Encoding names the encoding; Content-Type, with the lines
// folded under it and every line while a multipart type waits for its
// boundary, is split into words at ':', ' ', '/', ';' and TAB. A multipart
// type of any subtype (mixed, alternative, related, signed...) with a
// boundary makes the message multipart, whatever the encoding says. The
// boundary is the parameter's value: a quoted one up to its closing quote
// (spaces, '/' and ':' included), an unquoted one up to ';', a blank or the
// line end, so that CR LF lines and folded headers give the same boundary
// as LF lines.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace tellmar::admin::mailview {

enum class StructureClass {
  Plain = 0,      // no transfer encoding recognised
  Multipart = 1,  // a multipart type with a boundary
  Base64 = 2,
  Quoted = 3,  // quoted-printable
  BinHex = 4,
  UuEncode = 5,
};

struct MessageStructure {
  StructureClass kind = StructureClass::Plain;
  std::string boundary;     // the multipart boundary, without the leading "--"
  std::string contentType;  // "type/subtype" in lower case; empty: no Content-Type line
};

// A line without its line end (CR LF, LF).
std::string_view WithoutLineEnd(std::string_view line);
// A line that ends a header: empty once its line end (CR LF or LF) is gone.
bool IsHeaderEnd(std::string_view line);

// The header's lines in order, each with or without its line end.
class HeaderScan {
 public:
  void Line(std::string_view line);
  MessageStructure Result() const;

 private:
  void Words(std::string_view line);
  void NoteContentType(std::string_view value);

  StructureClass encoding_ = StructureClass::Plain;
  int state_ = 0;               // 0: no multipart type, 1: "multipart" seen, 2: waiting for the boundary
  bool inContentType_ = false;  // the last header line was Content-Type (folded lines follow it)
  std::string contentType_;
  std::string boundary_;
};

// Scans the header of the message file. A file that cannot be opened is
// reported in a box titled with its path ("Can't open file %s errno %d")
// and scans as plain; `opened` then says false.
MessageStructure ScanStructure(const std::filesystem::path& path, HWND owner = 0, bool* opened = nullptr);

}  // namespace tellmar::admin::mailview
