#include "common/ini_document.h"

#include <algorithm>
#include <initializer_list>

namespace tellmar {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

constexpr std::string_view kEnds[] = {"", "\n", "\r\n"};

// The pieces one after the other in a string sized once. Built by appending
// rather than with operator+, whose inlined copies GCC 12 at -O3 mistakes
// for overlapping ones (a false -Wrestrict).
std::string Joined(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  std::string text;
  text.reserve(size);
  for (std::string_view piece : pieces) text.append(piece);
  return text;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

IniDocument::IniDocument() : bytes_(std::make_unique<std::string>()) {}

IniDocument::IniDocument(std::string bytes)
    : bytes_(std::make_unique<std::string>(std::move(bytes))) {
  std::string_view all(*bytes_);
  bool endSeen = false;
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t nl = all.find('\n', pos);
    std::string_view text;
    std::uint8_t endLength = 0;
    if (nl == std::string_view::npos) {
      text = all.substr(pos);
      pos = all.size();
    } else {
      endLength = (nl > pos && all[nl - 1] == '\r') ? 2 : 1;
      text = all.substr(pos, nl + 1 - endLength - pos);
      pos = nl + 1;
      if (!endSeen) {
        lineEnd_ = endLength;
        endSeen = true;
      }
    }
    Line line = ParseLine(text, endLength);
    if (line.kind == Kind::Header) {
      sections_.push_back(Section{line, {}, false});
      IndexSection(sections_.size() - 1);
    } else if (sections_.empty()) {
      preamble_.push_back(line);
    } else {
      sections_.back().body.push_back(line);
    }
  }
}

IniDocument::Line IniDocument::ParseLine(std::string_view text, std::uint8_t endLength) {
  Line line;
  line.text = text;
  line.endLength = endLength;
  std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) {
    line.kind = Kind::Blank;
    return line;
  }
  auto offsetOf = [&](std::string_view part) {
    return static_cast<std::uint32_t>(part.data() - text.data());
  };
  if (trimmed.front() == '[') {
    std::string_view inner = trimmed.substr(1);
    inner = inner.substr(0, inner.find(']'));
    inner = TrimBlanks(inner);
    line.kind = Kind::Header;
    line.nameOffset = offsetOf(inner);
    line.nameLength = static_cast<std::uint32_t>(inner.size());
    return line;
  }
  if (trimmed.front() == ';') {
    line.kind = Kind::Comment;
    return line;
  }
  line.kind = Kind::Key;
  std::size_t eq = trimmed.find('=');
  std::string_view name = TrimBlanks(trimmed.substr(0, eq));
  line.nameOffset = offsetOf(name.empty() ? trimmed.substr(0, 0) : name);
  line.nameLength = static_cast<std::uint32_t>(name.size());
  if (eq != std::string_view::npos) {
    std::string_view value = TrimBlanks(trimmed.substr(eq + 1));
    line.valueOffset = offsetOf(value.empty() ? trimmed.substr(eq + 1, 0) : value);
    line.valueLength = static_cast<std::uint32_t>(value.size());
  }
  return line;
}

IniDocument::Line IniDocument::MakeLine(std::string text) {
  madeText_.push_back(std::move(text));
  return ParseLine(madeText_.back(), lineEnd_);
}

void IniDocument::IndexSection(std::size_t index) {
  auto& list = byName_[AsciiLower(sections_[index].header.name())];
  list.insert(std::upper_bound(list.begin(), list.end(), index), index);
}

void IniDocument::UnindexSection(std::size_t index) {
  auto it = byName_.find(AsciiLower(sections_[index].header.name()));
  if (it == byName_.end()) return;
  std::erase(it->second, index);
  if (it->second.empty()) byName_.erase(it);
}

const IniDocument::Section* IniDocument::FirstSection(std::string_view name) const {
  auto it = byName_.find(AsciiLower(TrimBlanks(name)));
  if (it == byName_.end() || it->second.empty()) return nullptr;
  return &sections_[it->second.front()];
}

IniDocument::Section* IniDocument::FirstSection(std::string_view name) {
  return const_cast<Section*>(std::as_const(*this).FirstSection(name));
}

std::optional<std::string_view> IniDocument::Find(std::string_view section,
                                                   std::string_view key) const {
  const Section* s = FirstSection(section);
  if (!s) return std::nullopt;
  key = TrimBlanks(key);
  for (const Line& line : s->body) {
    if (line.kind == Kind::Key && EqualsNoCase(line.name(), key)) return Unquote(line.rawValue());
  }
  return std::nullopt;
}

bool IniDocument::HasSection(std::string_view section) const {
  return FirstSection(section) != nullptr;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].deleted) continue;
    // Listed once, at its first occurrence.
    if (&sections_[i] == FirstSection(sections_[i].header.name())) {
      names.emplace_back(sections_[i].header.name());
    }
  }
  return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const Section* s = FirstSection(section);
  if (!s) return names;
  for (const Line& line : s->body) {
    if (line.kind != Kind::Key || line.nameLength == 0) continue;
    bool seen = std::any_of(names.begin(), names.end(),
                            [&](const std::string& n) { return EqualsNoCase(n, line.name()); });
    if (!seen) names.emplace_back(line.name());
  }
  return names;
}

std::uint8_t IniDocument::NewLineEnd() const { return lineEnd_; }

IniDocument::Section* IniDocument::LastLiveSection() {
  for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
    if (!it->deleted) return &*it;
  }
  return nullptr;
}

std::size_t IniDocument::AfterLastKey(const Section& s) {
  for (std::size_t i = s.body.size(); i > 0; --i) {
    if (s.body[i - 1].kind == Kind::Key) return i;
  }
  return 0;
}

IniDocument::Section& IniDocument::AppendSection(std::string_view name) {
  Section* lastSection = LastLiveSection();
  std::vector<Line>& tail = lastSection ? lastSection->body : preamble_;
  Line* last = !tail.empty() ? &tail.back() : (lastSection ? &lastSection->header : nullptr);
  if (last) {
    // A file without a final line end gets one before the new section, and
    // sections are kept apart by a blank line as the profile calls write them.
    if (last->endLength == 0) last->endLength = NewLineEnd();
    if (last->kind != Kind::Blank) tail.push_back(MakeLine(""));
  }
  sections_.push_back(Section{MakeLine(Joined({"[", name, "]"})), {}, false});
  IndexSection(sections_.size() - 1);
  return sections_.back();
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  Section* s = FirstSection(section);
  if (!s) s = &AppendSection(section);
  for (Line& line : s->body) {
    if (line.kind == Kind::Key && EqualsNoCase(line.name(), key)) {
      std::uint8_t end = line.endLength;
      // Keep the key as it is spelled in the file.
      line = MakeLine(Joined({line.name(), "=", value}));
      line.endLength = end;
      return;
    }
  }
  std::size_t at = AfterLastKey(*s);
  Line& before = at == 0 ? s->header : s->body[at - 1];
  if (before.endLength == 0) before.endLength = NewLineEnd();
  s->body.insert(s->body.begin() + static_cast<std::ptrdiff_t>(at),
                 MakeLine(Joined({key, "=", value})));
}

void IniDocument::AddSection(std::string_view section) {
  section = TrimBlanks(section);
  if (!FirstSection(section)) AppendSection(section);
}

void IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FirstSection(section);
  if (!s) return;
  key = TrimBlanks(key);
  std::erase_if(s->body,
                [&](const Line& l) { return l.kind == Kind::Key && EqualsNoCase(l.name(), key); });
}

void IniDocument::DeleteSection(std::string_view section) {
  auto it = byName_.find(AsciiLower(TrimBlanks(section)));
  if (it == byName_.end()) return;
  for (std::size_t index : it->second) {
    sections_[index].deleted = true;
    sections_[index].body.clear();
  }
  byName_.erase(it);
}

void IniDocument::RenameSection(std::string_view from, std::string_view to) {
  auto it = byName_.find(AsciiLower(TrimBlanks(from)));
  if (it == byName_.end() || it->second.empty()) return;
  std::size_t index = it->second.front();
  UnindexSection(index);
  Line& header = sections_[index].header;
  std::uint8_t end = header.endLength;
  header = MakeLine(Joined({"[", TrimBlanks(to), "]"}));
  header.endLength = end;
  IndexSection(index);
}

void IniDocument::ReplaceSection(std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& keys) {
  section = TrimBlanks(section);
  Section* s = FirstSection(section);
  if (!s) s = &AppendSection(section);
  // Comments and blank lines stay; the new keys take the place of the old
  // ones, after whatever stood before the last old key.
  std::size_t at = AfterLastKey(*s);
  std::vector<Line> kept;
  for (std::size_t i = 0; i < at; ++i) {
    if (s->body[i].kind != Kind::Key) kept.push_back(s->body[i]);
  }
  std::size_t insertAt = kept.size();
  for (std::size_t i = at; i < s->body.size(); ++i) kept.push_back(s->body[i]);
  Line& before = insertAt == 0 ? s->header : kept[insertAt - 1];
  if (!keys.empty() && before.endLength == 0) before.endLength = NewLineEnd();
  std::vector<Line> added;
  for (const auto& [k, v] : keys) added.push_back(MakeLine(Joined({k, "=", v})));
  kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(insertAt), added.begin(), added.end());
  s->body = std::move(kept);
}

std::string IniDocument::Serialize() const {
  std::string out;
  out.reserve(bytes_->size() + 64);
  auto put = [&](const Line& l) {
    out.append(l.text);
    out.append(kEnds[l.endLength]);
  };
  for (const Line& l : preamble_) put(l);
  for (const Section& s : sections_) {
    if (s.deleted) continue;
    put(s.header);
    for (const Line& l : s.body) put(l);
  }
  return out;
}

}  // namespace tellmar
