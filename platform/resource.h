// Templates of dialogs, property-sheet pages, menus and accelerator tables.
//
// They are written as text files (*.tmr) in resources/, compiled into each
// program (the build embeds the bytes of the program's files and registers
// them at start-up), and loaded by resource number. One line per control:
//
//   # The POP3 server's status dialog.
//   dialog 103 "Tellmar 32bit POP3 Server" 0 0 220 150 caption sysmenu
//     picture    -1   ""              7   7  32  20  image=104
//     listbox    1000 ""              7  30 206  90  vscroll
//     ownerdraw  1001 "  Disconnect" 80 125  60  18
//   end
//
//   page 142 "Domains" 0 0 250 150 ...      (a property-sheet page)
//   menu 110 / popup "&File" / item 40007 "E&xit..." / separator / end / end
//   accelerators 256 / Ctrl+A 40045 / F1 40048 / Alt+F4 40033 / end
//
// A control line is KIND ID [NAME] "CAPTION" X Y WIDTH HEIGHT [STYLE...];
// rectangles are in dialog units. A NAME (letters, digits, '_', starting with
// a capital letter) is optional; a dialog or page may carry one too
// (`dialog 238 UserButtons "Configure User Buttons" ...`), and only a named
// dialog may name its controls. The build generates a header per template
// file from the names (tools/tmr_ids), so the logic never copies a number:
//
//   dialog 238 UserButtons "Configure User Buttons" 0 0 300 210
//     listbox 1049 List "" 7 7 286 90
//   ->  struct UserButtons { static constexpr int kTemplate = 238;
//                            static constexpr int kList = 1049; }; Kinds: static rtext ctext picture edit button default
// check autocheck radio autoradio 3state group ownerdraw listbox combo
// dropdownlist updown progress. Style words: hidden disabled tabstop
// notabstop group vscroll hscroll border, edit: password readonly multiline
// number uppercase autohscroll, list: sort notify nonotify extended multiple
// usetabstops ownerdraw hasstrings, up-down: buddy (the control before it),
// picture: image=N. Texts are quoted, with \" \\ \t \r \n escapes; other
// bytes (8-bit characters too) are taken as they are.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/menu.h"

namespace tellmar {

struct ControlTemplate {
  std::string kind;
  std::string name;  // empty: not named
  std::string className;
  int id = 0;
  std::string caption;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::uint32_t style = 0;
  int image = 0;
  bool autoBuddy = false;
};

struct DialogTemplate {
  int id = 0;
  std::string name;  // empty: not named
  int line = 0;      // where it starts in its file
  bool page = false;
  std::string caption;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t style = 0;
  int menu = 0;
  std::vector<ControlTemplate> controls;
  const ControlTemplate* Find(int controlId) const;
};

// Dialog units to pixels, for the 8-point system font of the programs' time.
inline int DialogUnitsToPixelsX(int units) { return units * 3 / 2; }
inline int DialogUnitsToPixelsY(int units) { return units * 13 / 8; }

// The entries of one or more template files, by number.
struct ResourceSet {
  std::map<int, DialogTemplate> dialogs;
  std::map<int, Menu> menus;
  std::map<int, AcceleratorTable> accelerators;
  std::vector<std::string> errors;  // "file:line: message"
};

// Parses a template file's text into `into`; errors are added there and the
// file's good entries remain.
void ParseResourceText(std::string_view fileName, std::string_view text, ResourceSet& into);

// Adds a template file's text (the build does this for every embedded file).
// A parse error is kept (ResourceErrors) and the file's good entries remain.
void RegisterResourceText(std::string_view fileName, std::string_view text);

const DialogTemplate* FindDialogTemplate(int id);
std::optional<Menu> LoadMenu(int id);
std::optional<AcceleratorTable> LoadAccelerators(int id);
std::vector<int> DialogTemplateIds();
std::vector<std::string> ResourceErrors();  // "file:line: message"

// Registers the embedded files of a program at static initialisation.
struct EmbeddedResource {
  EmbeddedResource(const char* fileName, const unsigned char* bytes, std::size_t size);
};

}  // namespace tellmar
