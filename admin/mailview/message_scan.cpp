#include "admin/mailview/message_scan.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/ascii.h"
#include "platform/operator.h"

namespace tellmar::admin::mailview {
namespace {

constexpr std::string_view kWordBreaks = ": /;\t\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The value of the parameter whose name starts at `at` ("boundary", then
// '=' with optional blanks around it); `end` is where the value ends. Empty
// when no '=' follows the name.
std::string ParameterValue(std::string_view line, std::size_t at, std::size_t& end) {
  std::size_t i = at + std::string_view("boundary").size();
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size() || line[i] != '=') return {};
  ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  std::string_view stops = "\";\t \r\n";
  if (i < line.size() && line[i] == '"') {
    ++i;
    stops = "\"\r\n";
  }
  end = line.find_first_of(stops, i);
  if (end == std::string_view::npos) end = line.size();
  return std::string(line.substr(i, end - i));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a message for reading; a directory is refused as the system's open would.
File OpenForReading(const std::filesystem::path& path) {
  File file(std::fopen(path.c_str(), "rb"));
  struct stat st {};
  if (file && ::fstat(::fileno(file.get()), &st) == 0 && S_ISDIR(st.st_mode)) {
    file.reset();
    errno = EISDIR;
  }
  return file;
}

}  // namespace

std::string_view WithoutLineEnd(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

bool IsHeaderEnd(std::string_view line) { return WithoutLineEnd(line).empty(); }

void HeaderScan::Line(std::string_view line) {
  const bool folded = !line.empty() && IsBlank(line[0]);
  if (StartsWithNoCase(line, "content-transfer-encoding:")) {
    const std::string upper = [&] {
      std::string u(line);
      for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      return u;
    }();
    if (upper.find("BASE64") != std::string::npos)
      encoding_ = StructureClass::Base64;
    else if (upper.find("QUOTED") != std::string::npos)
      encoding_ = StructureClass::Quoted;
    else if (upper.find("BINHEX") != std::string::npos)
      encoding_ = StructureClass::BinHex;
    else if (upper.find("UUENCODE") != std::string::npos)
      encoding_ = StructureClass::UuEncode;
  }
  const bool contentType = StartsWithNoCase(line, "content-type:");
  if (contentType) {
    if (contentType_.empty()) NoteContentType(line.substr(std::string_view("content-type:").size()));
    inContentType_ = true;
  } else if (folded && inContentType_) {
    if (contentType_.empty()) NoteContentType(line);  // the value begins on a folded line
  } else {
    inContentType_ = false;
  }
  if (inContentType_ || state_ == 2) Words(line);
}

void HeaderScan::Words(std::string_view line) {
  std::size_t pos = 0;
  while (pos < line.size()) {
    pos = line.find_first_not_of(kWordBreaks, pos);
    if (pos == std::string_view::npos) break;
    std::size_t end = line.find_first_of(kWordBreaks, pos);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view word = line.substr(pos, end - pos);
    if (state_ == 0 && StartsWithNoCase(word, "multipart")) {
      state_ = 1;
    } else if (state_ == 1 || StartsWithNoCase(word, "alternative")) {
      state_ = 2;  // the subtype after "multipart"
    } else if (state_ == 2 && StartsWithNoCase(word, "boundary")) {
      std::size_t valueEnd = end;
      std::string value = ParameterValue(line, pos, valueEnd);
      if (!value.empty()) {
        boundary_ = std::move(value);
        state_ = 0;
        end = valueEnd;  // the words of a quoted value are not read again
      }
    }
    pos = end;
  }
}

void HeaderScan::NoteContentType(std::string_view value) {
  const std::size_t start = value.find_first_not_of(" \t");
  if (start == std::string_view::npos) return;
  value.remove_prefix(start);
  value = value.substr(0, value.find_first_of("; \t\r\n"));
  contentType_ = AsciiLower(value);
}

MessageStructure HeaderScan::Result() const {
  MessageStructure result;
  result.contentType = contentType_;
  if (!boundary_.empty()) {
    result.kind = StructureClass::Multipart;
    result.boundary = boundary_;
  } else {
    result.kind = encoding_;
  }
  return result;
}

MessageStructure ScanStructure(const std::filesystem::path& path, HWND owner, bool* opened) {
  File file = OpenForReading(path);
  if (opened) *opened = static_cast<bool>(file);
  if (!file) {
    const int error = errno;
    MessageBox(owner, "Can't open file " + path.string() + " errno " + std::to_string(error), path.string(),
               MB_OK);
    return {};
  }
  HeaderScan scan;
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ssize_t length;
  while ((length = ::getline(&buffer, &capacity, file.get())) > 0) {
    const std::string_view line(buffer, static_cast<std::size_t>(length));
    if (IsHeaderEnd(line)) break;
    scan.Line(line);
  }
  std::free(buffer);
  return scan.Result();
}

}  // namespace tellmar::admin::mailview
