#include "platform/resource.h"

#include <charconv>
#include <map>
#include <memory>

#include "platform/messages.h"
#include "platform/text.h"
#include "platform/window.h"

namespace tellmar {
namespace {

using Store = ResourceSet;

Store& TheStore() {
  static Store store;
  return store;
}

// --- Tokens ----------------------------------------------------------------------

struct Token {
  std::string text;
  bool quoted = false;
};

std::optional<std::vector<Token>> Tokenize(std::string_view line, std::string& error) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    Token t;
    if (c == '"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d == '\\' && i < line.size()) {
          const char e = line[i++];
          d = e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        }
        t.text.push_back(d);
      }
      if (!closed) {
        error = "unterminated text";
        return std::nullopt;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') t.text.push_back(line[i++]);
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

std::optional<int> Number(const Token& t) {
  int value = 0;
  const char* begin = t.text.data();
  const char* end = begin + t.text.size();
  if (t.quoted || begin == end) return std::nullopt;
  const bool hex = t.text.size() > 2 && t.text[0] == '0' && (t.text[1] == 'x' || t.text[1] == 'X');
  auto [ptr, ec] = std::from_chars(begin + (hex ? 2 : 0), end, value, hex ? 16 : 10);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// --- Controls --------------------------------------------------------------------

struct KindInfo {
  const char* kind;
  std::string_view className;
  std::uint32_t style;
};

constexpr KindInfo kKinds[] = {
    {"static", kStaticClass, 0x0},
    {"rtext", kStaticClass, 0x2},
    {"ctext", kStaticClass, 0x1},
    {"picture", kStaticClass, SS_BITMAP},
    {"edit", kEditClass, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
    {"button", kButtonClass, WS_TABSTOP | BS_PUSHBUTTON},
    {"default", kButtonClass, WS_TABSTOP | BS_DEFPUSHBUTTON},
    {"check", kButtonClass, WS_TABSTOP | BS_CHECKBOX},
    {"autocheck", kButtonClass, WS_TABSTOP | BS_AUTOCHECKBOX},
    {"radio", kButtonClass, BS_RADIOBUTTON},
    {"autoradio", kButtonClass, BS_AUTORADIOBUTTON},
    {"3state", kButtonClass, WS_TABSTOP | BS_AUTO3STATE},
    {"group", kButtonClass, BS_GROUPBOX},
    {"ownerdraw", kButtonClass, WS_TABSTOP | BS_OWNERDRAW},
    {"listbox", kListBoxClass, WS_TABSTOP | WS_BORDER | LBS_NOTIFY},
    {"combo", kComboBoxClass, WS_TABSTOP | CBS_DROPDOWN},
    {"dropdownlist", kComboBoxClass, WS_TABSTOP | CBS_DROPDOWNLIST},
    {"updown", kUpDownClass, 0},
    {"progress", kProgressClass, 0},
};

struct StyleWord {
  const char* word;
  std::uint32_t set;
  std::uint32_t clear;
};

constexpr StyleWord kStyleWords[] = {
    {"hidden", 0, WS_VISIBLE},       {"disabled", WS_DISABLED, 0},  {"tabstop", WS_TABSTOP, 0},
    {"notabstop", 0, WS_TABSTOP},    {"group", WS_GROUP, 0},        {"vscroll", WS_VSCROLL, 0},
    {"hscroll", WS_HSCROLL, 0},      {"border", WS_BORDER, 0},      {"noborder", 0, WS_BORDER},
    {"password", ES_PASSWORD, 0},    {"readonly", ES_READONLY, 0},  {"multiline", ES_MULTILINE, 0},
    {"number", ES_NUMBER, 0},        {"uppercase", ES_UPPERCASE, 0}, {"autohscroll", ES_AUTOHSCROLL, 0},
    {"sort", LBS_SORT, 0},           {"notify", LBS_NOTIFY, 0},     {"nonotify", 0, LBS_NOTIFY},
    {"extended", LBS_EXTENDEDSEL, 0}, {"multiple", LBS_MULTIPLESEL, 0}, {"usetabstops", LBS_USETABSTOPS, 0},
    {"hasstrings", LBS_HASSTRINGS, 0}, {"visible", WS_VISIBLE, 0},  {"caption", WS_CAPTION, 0},
    {"sysmenu", WS_SYSMENU, 0},      {"popup", WS_POPUP, 0},
};

bool ApplyStyleWord(std::string_view word, std::uint32_t& style) {
  for (const StyleWord& s : kStyleWords) {
    if (word == s.word) {
      style = (style | s.set) & ~s.clear;
      return true;
    }
  }
  return false;
}

// A name a template gives a dialog or control: it becomes a C++ and Python
// identifier, so letters, digits and '_', starting with a capital letter.
bool IsName(const Token& t) {
  if (t.quoted || t.text.empty() || t.text[0] < 'A' || t.text[0] > 'Z') return false;
  for (char c : t.text)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

// Takes the optional NAME between a line's number and its quoted caption.
std::string TakeName(std::vector<Token>& t) {
  if (t.size() < 3 || !IsName(t[2])) return {};
  std::string name = t[2].text;
  t.erase(t.begin() + 2);
  return name;
}

std::optional<ControlTemplate> ParseControl(std::vector<Token> t, std::string& error) {
  const KindInfo* info = nullptr;
  for (const KindInfo& k : kKinds)
    if (!t[0].quoted && t[0].text == k.kind) info = &k;
  if (info == nullptr) {
    error = "unknown control kind '" + t[0].text + "'";
    return std::nullopt;
  }
  std::string name = TakeName(t);
  if (t.size() < 7 || !t[2].quoted) {
    error = "expected: KIND ID [NAME] \"CAPTION\" X Y WIDTH HEIGHT [STYLE...]";
    return std::nullopt;
  }
  ControlTemplate c;
  c.name = std::move(name);
  c.kind = info->kind;
  c.className = std::string(info->className);
  c.style = WS_CHILD | WS_VISIBLE | info->style;
  c.caption = t[2].text;
  const auto id = Number(t[1]);
  const auto x = Number(t[3]), y = Number(t[4]), cx = Number(t[5]), cy = Number(t[6]);
  if (!id || !x || !y || !cx || !cy) {
    error = "control ID and rectangle must be numbers";
    return std::nullopt;
  }
  c.id = *id;
  c.x = *x;
  c.y = *y;
  c.cx = *cx;
  c.cy = *cy;
  for (std::size_t i = 7; i < t.size(); ++i) {
    const std::string& word = t[i].text;
    if (word == "ownerdraw" && c.className == kListBoxClass) {
      c.style |= LBS_OWNERDRAWFIXED;
    } else if (word == "buddy") {
      c.autoBuddy = true;
    } else if (word.rfind("image=", 0) == 0) {
      const auto n = Number(Token{word.substr(6), false});
      if (!n) {
        error = "bad image number";
        return std::nullopt;
      }
      c.image = *n;
    } else if (!ApplyStyleWord(word, c.style)) {
      error = "unknown style '" + word + "'";
      return std::nullopt;
    }
  }
  return c;
}

// --- Accelerator keys ----------------------------------------------------------

// --- Files -------------------------------------------------------------------------

class Parser {
 public:
  Parser(std::string_view file, Store& store) : file_(file), store_(store) {}

  void Run(std::string_view text) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      ++line_;
      Line(text.substr(pos, end - pos));
      pos = end + 1;
    }
    if (state_ != State::Top) Error("missing 'end'");
  }

 private:
  enum class State { Top, Dialog, Menu, Accelerators };

  void Error(const std::string& message) {
    store_.errors.push_back(std::string(file_) + ":" + std::to_string(line_) + ": " + message);
  }

  void Line(std::string_view line) {
    std::string error;
    auto tokens = Tokenize(line, error);
    if (!tokens) return Error(error);
    if (tokens->empty()) return;
    const std::vector<Token>& t = *tokens;
    const bool isEnd = !t[0].quoted && t[0].text == "end";
    switch (state_) {
      case State::Top:
        return Header(t);
      case State::Dialog:
        if (isEnd) {
          if (!skipping_) store_.dialogs[dialog_.id] = std::move(dialog_);
          state_ = State::Top;
          return;
        }
        if (auto c = ParseControl(t, error))
          AddControl(std::move(*c));
        else
          Error(error);
        return;
      case State::Menu:
        return MenuLine(t, isEnd);
      case State::Accelerators:
        if (isEnd) {
          if (!skipping_) store_.accelerators[resourceId_] = std::move(table_);
          state_ = State::Top;
          return;
        }
        if (t.size() != 2) return Error("expected: KEY COMMAND");
        {
          auto key = ParseKeyChord(t[0].text);
          auto command = Number(t[1]);
          if (!key || !command) return Error("bad accelerator '" + t[0].text + "'");
          key->command = static_cast<UINT>(*command);
          table_.push_back(*key);
        }
        return;
    }
  }

  void AddControl(ControlTemplate c) {
    if (!c.name.empty()) {
      if (dialog_.name.empty()) return Error("name the " + std::string(dialog_.page ? "page" : "dialog") +
                                             " to name its controls");
      for (const ControlTemplate& other : dialog_.controls) {
        if (other.name == c.name) return Error("duplicate control name '" + c.name + "'");
        if (!other.name.empty() && other.id == c.id)
          return Error("control '" + c.name + "' has the number of '" + other.name + "'");
      }
    }
    dialog_.controls.push_back(std::move(c));
  }

  void Header(std::vector<Token> t) {
    const std::string& kind = t[0].text;
    std::string name = kind == "dialog" || kind == "page" ? TakeName(t) : std::string();
    const std::optional<int> id = t.size() > 1 ? Number(t[1]) : std::nullopt;
    const int number = id.value_or(0);
    skipping_ = false;
    if (kind == "dialog" || kind == "page") {
      dialog_ = DialogTemplate{};
      state_ = State::Dialog;
      if (!id || t.size() < 7 || !t[2].quoted) {
        skipping_ = true;
        return Error("expected: " + kind + " ID [NAME] \"CAPTION\" X Y WIDTH HEIGHT [STYLE...]");
      }
      dialog_.id = number;
      dialog_.name = std::move(name);
      dialog_.line = line_;
      dialog_.page = kind == "page";
      dialog_.caption = t[2].text;
      auto x = Number(t[3]), y = Number(t[4]), cx = Number(t[5]), cy = Number(t[6]);
      if (!x || !y || !cx || !cy) {
        skipping_ = true;
        return Error("dialog rectangle must be numbers");
      }
      dialog_.x = *x;
      dialog_.y = *y;
      dialog_.cx = *cx;
      dialog_.cy = *cy;
      dialog_.style = dialog_.page ? WS_CHILD : (WS_POPUP | WS_CAPTION | WS_SYSMENU);
      for (std::size_t i = 7; i < t.size(); ++i) {
        const std::string& word = t[i].text;
        if (word.rfind("menu=", 0) == 0) {
          auto n = Number(Token{word.substr(5), false});
          if (!n) return Error("bad menu number");
          dialog_.menu = *n;
        } else if (!ApplyStyleWord(word, dialog_.style)) {
          Error("unknown style '" + word + "'");
        }
      }
      if (DuplicateId(store_.dialogs.count(number) > 0, kind)) skipping_ = true;
    } else if (kind == "menu") {
      state_ = State::Menu;
      menuStack_.assign(1, Menu{});
      if (!id) {
        skipping_ = true;
        return Error("expected: menu ID");
      }
      resourceId_ = number;
      if (DuplicateId(store_.menus.count(number) > 0, kind)) skipping_ = true;
    } else if (kind == "accelerators") {
      state_ = State::Accelerators;
      table_.clear();
      if (!id) {
        skipping_ = true;
        return Error("expected: accelerators ID");
      }
      resourceId_ = number;
      if (DuplicateId(store_.accelerators.count(number) > 0, kind)) skipping_ = true;
    } else {
      Error("unknown resource kind '" + kind + "'");
    }
  }

  bool DuplicateId(bool duplicate, const std::string& kind) {
    if (duplicate) Error("duplicate " + kind + " number");
    return duplicate;
  }

  void MenuLine(const std::vector<Token>& t, bool isEnd) {
    if (isEnd) {
      if (menuStack_.size() > 1) {
        Menu sub = std::move(menuStack_.back());
        menuStack_.pop_back();
        menuStack_.back().items.back().items = std::move(sub.items);
        return;
      }
      if (!skipping_) store_.menus[resourceId_] = std::move(menuStack_.back());
      state_ = State::Top;
      return;
    }
    const std::string& kind = t[0].text;
    MenuItem item;
    if (kind == "separator") {
      item.flags = MF_SEPARATOR;
    } else if (kind == "popup" && t.size() >= 2 && t[1].quoted) {
      item.flags = MF_POPUP;
      item.text = t[1].text;
    } else if (kind == "item" && t.size() >= 3 && Number(t[1]) && t[2].quoted) {
      item.id = static_cast<UINT>(*Number(t[1]));
      item.text = t[2].text;
      for (std::size_t i = 3; i < t.size(); ++i) {
        if (t[i].text == "grayed")
          item.flags |= MF_GRAYED;
        else if (t[i].text == "checked")
          item.flags |= MF_CHECKED;
        else
          return Error("unknown menu flag '" + t[i].text + "'");
      }
    } else {
      return Error("expected: item ID \"TEXT\" [grayed] [checked], popup \"TEXT\", separator or end");
    }
    const bool opensPopup = item.flags == MF_POPUP;
    menuStack_.back().items.push_back(std::move(item));
    if (opensPopup) menuStack_.push_back(Menu{});
  }

  std::string_view file_;
  Store& store_;
  int line_ = 0;
  State state_ = State::Top;
  bool skipping_ = false;
  DialogTemplate dialog_;
  int resourceId_ = 0;
  std::vector<Menu> menuStack_;
  AcceleratorTable table_;
};

}  // namespace

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  for (const ControlTemplate& c : controls)
    if (c.id == controlId) return &c;
  return nullptr;
}

void ParseResourceText(std::string_view fileName, std::string_view text, ResourceSet& into) {
  Parser(fileName, into).Run(text);
}

void RegisterResourceText(std::string_view fileName, std::string_view text) {
  ParseResourceText(fileName, text, TheStore());
}

const DialogTemplate* FindDialogTemplate(int id) {
  auto& dialogs = TheStore().dialogs;
  auto it = dialogs.find(id);
  return it == dialogs.end() ? nullptr : &it->second;
}

std::optional<Menu> LoadMenu(int id) {
  auto& menus = TheStore().menus;
  auto it = menus.find(id);
  if (it == menus.end()) return std::nullopt;
  return it->second;
}

std::optional<AcceleratorTable> LoadAccelerators(int id) {
  auto& tables = TheStore().accelerators;
  auto it = tables.find(id);
  if (it == tables.end()) return std::nullopt;
  return it->second;
}

std::vector<int> DialogTemplateIds() {
  std::vector<int> ids;
  for (const auto& [id, t] : TheStore().dialogs) ids.push_back(id);
  return ids;
}

std::vector<std::string> ResourceErrors() { return TheStore().errors; }

EmbeddedResource::EmbeddedResource(const char* fileName, const unsigned char* bytes, std::size_t size) {
  RegisterResourceText(fileName, std::string_view(reinterpret_cast<const char*>(bytes), size));
}

}  // namespace tellmar
