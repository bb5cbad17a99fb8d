#include "platform/operator.h"

#include <cstdio>
#include <cstdlib>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/loop.h"

namespace tellmar {

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

int MessageBoxDefault(UINT type) {
  const std::vector<int> buttons = MessageBoxButtons(type);
  const std::size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

std::string_view ButtonCaption(int id) {
  switch (id) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "&Abort";
    case IDRETRY:
      return "&Retry";
    case IDIGNORE:
      return "&Ignore";
    case IDYES:
      return "&Yes";
    case IDNO:
      return "&No";
    default:
      return "";
  }
}

namespace {

const char* FileKindName(FileDialogKind kind) {
  switch (kind) {
    case FileDialogKind::Open:
      return "open";
    case FileDialogKind::Save:
      return "save";
    default:
      return "directory";
  }
}

class UnattendedOperator : public Operator {
 public:
  int MessageBox(const MessageBoxRequest& request) override {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return MessageBoxDefault(request.type);
  }
  std::optional<FileAnswer> ChooseFile(const FileRequest&) override { return std::nullopt; }
  std::optional<PrintAnswer> ChoosePrinter(const PrintRequest&) override {
    std::fprintf(stderr, "Print: nobody here to choose a printer; nothing printed\n");
    return std::nullopt;
  }
  UINT TrackPopupMenu(const PopupRequest&) override { return 0; }
};

// --- Interactive: boxes are dialogs that automation answers ---------------------

constexpr int kBoxTextId = kOperatorTextId;
constexpr int kFileNameId = kOperatorPathId;
constexpr int kPrinterId = kOperatorPrinterId;
constexpr int kCopiesId = 1154;

ControlTemplate Control(std::string_view kind, std::string_view cls, int id, std::string_view caption, int y,
                        std::uint32_t style) {
  ControlTemplate c;
  c.kind = std::string(kind);
  c.className = std::string(cls);
  c.id = id;
  c.caption = std::string(caption);
  c.x = 7;
  c.y = y;
  c.cx = 180;
  c.cy = 14;
  c.style = WS_CHILD | WS_VISIBLE | style;
  return c;
}

DialogTemplate BoxTemplate(int id, std::string_view caption) {
  DialogTemplate t;
  t.id = id;
  t.caption = std::string(caption);
  t.cx = 200;
  t.cy = 100;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  return t;
}

void AddButtons(DialogTemplate& t, const std::vector<int>& ids, int defaultId, int y) {
  for (int id : ids)
    t.controls.push_back(Control("button", kButtonClass, id, ButtonCaption(id), y,
                                 WS_TABSTOP | (id == defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)));
}

INT_PTR EndOnButton(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
    EndDialog(dlg, LOWORD(wp));
    return 1;
  }
  return msg == WM_INITDIALOG ? 1 : 0;
}

class InteractiveOperator : public Operator {
 public:
  int MessageBox(const MessageBoxRequest& request) override {
    DialogTemplate t = BoxTemplate(kOperatorBoxTemplate, request.caption);
    ControlTemplate text = Control("static", kStaticClass, kBoxTextId, request.text, 7, 0);
    text.image = static_cast<int>(request.type & MB_ICONMASK);
    t.controls.push_back(text);
    const std::vector<int> buttons = MessageBoxButtons(request.type);
    AddButtons(t, buttons, MessageBoxDefault(request.type), 60);
    const bool hasCancel = std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end();
    const INT_PTR answer = DialogBoxIndirect(t, request.owner, [&](HWND dlg, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
      if (msg == WM_INITDIALOG) SetTopmost(dlg, true);
      // Esc and the close box answer Cancel only where there is a Cancel.
      if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && !hasCancel && buttons.size() > 1) return 1;
      if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && buttons.size() == 1) {
        EndDialog(dlg, buttons.front());
        return 1;
      }
      return EndOnButton(dlg, msg, wp, lp);
    });
    return answer <= 0 ? MessageBoxDefault(request.type) : static_cast<int>(answer);
  }

  std::optional<FileAnswer> ChooseFile(const FileRequest& request) override {
    DialogTemplate t = BoxTemplate(kOperatorFileTemplate, request.title);
    std::string initial = request.fileName;
    if (initial.empty()) initial = request.initialDirectory;
    t.controls.push_back(Control("edit", kEditClass, kFileNameId, initial, 7, WS_TABSTOP | ES_AUTOHSCROLL));
    const std::vector<int> radios = AddPanel(t, request.panelTemplate, 27);
    const int buttonsY = t.cy - 40;
    AddButtons(t, {IDOK, IDCANCEL}, IDOK, buttonsY);
    if (!request.okCaption.empty()) t.controls[t.controls.size() - 2].caption = request.okCaption;
    FileAnswer chosen{{}, request.filterIndex, 0};
    const INT_PTR answer = DialogBoxIndirect(t, request.owner, [&](HWND dlg, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
      if (msg == WM_INITDIALOG && !radios.empty()) CheckDlgButton(dlg, radios.front(), BST_CHECKED);
      if (msg != WM_COMMAND) return EndOnButton(dlg, msg, wp, lp);
      // The panel's own buttons only change its state.
      if (LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL) return 1;
      if (LOWORD(wp) == IDOK) {
        chosen.path = GetDlgItemText(dlg, kFileNameId);
        for (int id : radios)
          if (IsDlgButtonChecked(dlg, id) == BST_CHECKED) chosen.panelChoice = id;
      }
      return EndOnButton(dlg, msg, wp, lp);
    });
    if (answer != IDOK || chosen.path.empty()) return std::nullopt;
    return chosen;
  }

  // Copies a panel template's controls into the chooser at `top` and makes
  // room for them; answers the IDs of its radio buttons in order.
  static std::vector<int> AddPanel(DialogTemplate& t, int panelTemplate, int top) {
    std::vector<int> radios;
    const DialogTemplate* panel = panelTemplate != 0 ? FindDialogTemplate(panelTemplate) : nullptr;
    if (panel == nullptr) return radios;
    for (ControlTemplate c : panel->controls) {
      c.x += 7;
      c.y += top;
      const auto type = c.style & BS_TYPEMASK;
      if (c.className == kButtonClass && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON)) radios.push_back(c.id);
      t.controls.push_back(std::move(c));
    }
    t.cy += panel->cy;
    return radios;
  }

  std::optional<PrintAnswer> ChoosePrinter(const PrintRequest& request) override {
    DialogTemplate t = BoxTemplate(kOperatorPrintTemplate, "Print");
    t.controls.push_back(Control("dropdownlist", kComboBoxClass, kPrinterId, "", 7, WS_TABSTOP | CBS_DROPDOWNLIST));
    t.controls.push_back(Control("edit", kEditClass, kFileNameId, request.fileName, 27, WS_TABSTOP | ES_AUTOHSCROLL));
    t.controls.push_back(Control("edit", kEditClass, kCopiesId, std::to_string(request.copies), 47, WS_TABSTOP | ES_NUMBER));
    AddButtons(t, {IDOK, IDCANCEL}, IDOK, 67);
    PrintAnswer chosen;
    const INT_PTR answer = DialogBoxIndirect(t, request.owner, [&](HWND dlg, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
      if (msg == WM_INITDIALOG) {
        const HWND list = GetDlgItem(dlg, kPrinterId);
        for (const std::string& name : request.printers) ComboBox_AddString(list, name);
        ComboBox_AddString(list, kPrintToFile);
        const int preset = ComboBox_FindStringExact(list, -1, request.defaultPrinter.empty() ? kPrintToFile : request.defaultPrinter);
        ComboBox_SetCurSel(list, preset >= 0 ? preset : ComboBox_GetCount(list) - 1);
        SetTopmost(dlg, true);
      }
      if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
        const std::string printer = GetDlgItemText(dlg, kPrinterId);
        const std::string file = GetDlgItemText(dlg, kFileNameId);
        if (printer == kPrintToFile && file.empty()) return 1;  // a file to print to is still missing
        chosen.printer = printer == kPrintToFile ? std::string() : printer;
        chosen.outputFile = printer == kPrintToFile ? file : std::string();
        bool ok = false;
        const int copies = GetDlgItemInt(dlg, kCopiesId, &ok);
        chosen.copies = ok && copies > 0 ? copies : 1;
      }
      return EndOnButton(dlg, msg, wp, lp);
    });
    if (answer != IDOK) return std::nullopt;
    return chosen;
  }

  UINT TrackPopupMenu(const PopupRequest& request) override {
    DialogTemplate t = BoxTemplate(kOperatorMenuTemplate, "");
    int y = 0;
    for (const MenuItem& item : request.menu.items) {
      if ((item.flags & MF_SEPARATOR) != 0) {
        t.controls.push_back(Control("static", kStaticClass, IDC_STATIC, "", y, 0));
      } else {
        const std::uint32_t disabled = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0 ? WS_DISABLED : 0;
        t.controls.push_back(Control("button", kButtonClass, static_cast<int>(item.id), item.text, y, disabled));
      }
      y += 14;
    }
    const INT_PTR answer = DialogBoxIndirect(t, request.owner, [](HWND dlg, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
      if (msg == WM_INITDIALOG) {
        // Marked as a menu for whoever shows it.
        if (Window* w = Loop::Current().Find(dlg)) w->className = std::string(kMenuClass);
        SetTopmost(dlg, true);
      }
      if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && GetDlgItem(dlg, IDCANCEL) == 0) {
        EndDialog(dlg, 0);
        return 1;
      }
      return EndOnButton(dlg, msg, wp, lp);
    });
    return answer > 0 ? static_cast<UINT>(answer) : 0;
  }
};

}  // namespace

std::unique_ptr<Operator> MakeUnattendedOperator() { return std::make_unique<UnattendedOperator>(); }
std::unique_ptr<Operator> MakeInteractiveOperator() { return std::make_unique<InteractiveOperator>(); }

std::unique_ptr<Operator> MakeOperatorFromEnvironment() {
  const char* choice = std::getenv("TELLMAR_OPERATOR");
  if (choice != nullptr && std::string_view(choice) == "interactive") return MakeInteractiveOperator();
  return MakeUnattendedOperator();
}

int ScriptedOperator::MessageBox(const MessageBoxRequest& request) {
  std::optional<int> answer;
  if (boxHook_) answer = boxHook_(request);
  if (!answer && !boxes_.empty()) {
    answer = boxes_.front();
    boxes_.pop_front();
  }
  const int result = answer.value_or(MessageBoxDefault(request.type));
  shown_.push_back(Shown{"box", request.caption, request.text, request.type, std::to_string(result)});
  return result;
}

std::optional<FileAnswer> ScriptedOperator::ChooseFile(const FileRequest& request) {
  std::optional<FileAnswer> answer;
  if (!files_.empty()) {
    answer = std::move(files_.front());
    files_.pop_front();
  }
  shown_.push_back(Shown{FileKindName(request.kind), request.title, request.initialDirectory, 0,
                         answer ? answer->path : std::string()});
  return answer;
}

std::optional<PrintAnswer> ScriptedOperator::ChoosePrinter(const PrintRequest&) {
  std::optional<PrintAnswer> answer;
  if (!prints_.empty()) {
    answer = std::move(prints_.front());
    prints_.pop_front();
  }
  std::string chosen;
  if (answer) chosen = !answer->outputFile.empty() ? answer->outputFile : answer->printer.empty() ? "default" : answer->printer;
  shown_.push_back(Shown{"print", "Print", {}, 0, chosen});
  return answer;
}

UINT ScriptedOperator::TrackPopupMenu(const PopupRequest& request) {
  UINT answer = 0;
  if (!menus_.empty()) {
    answer = menus_.front();
    menus_.pop_front();
  }
  std::string items;
  for (const MenuItem& item : request.menu.items) {
    if (!items.empty()) items += '\n';
    items += (item.flags & MF_SEPARATOR) != 0 ? std::string("-") : item.text;
  }
  shown_.push_back(Shown{"menu", {}, items, 0, answer == 0 ? std::string() : std::to_string(answer)});
  return answer;
}

int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type) {
  return Loop::Current().op().MessageBox(MessageBoxRequest{owner, std::string(caption), std::string(text), type});
}

std::optional<FileAnswer> GetOpenFileName(const FileRequest& request) {
  FileRequest r = request;
  r.kind = FileDialogKind::Open;
  return Loop::Current().op().ChooseFile(r);
}

std::optional<FileAnswer> GetSaveFileName(const FileRequest& request) {
  FileRequest r = request;
  r.kind = FileDialogKind::Save;
  return Loop::Current().op().ChooseFile(r);
}

std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title, std::string_view initial) {
  FileRequest r;
  r.kind = FileDialogKind::Directory;
  r.owner = owner;
  r.title = std::string(title);
  r.initialDirectory = std::string(initial);
  auto answer = Loop::Current().op().ChooseFile(r);
  if (!answer) return std::nullopt;
  return answer->path;
}

std::optional<PrintAnswer> PrintDlg(const PrintRequest& request) { return Loop::Current().op().ChoosePrinter(request); }

}  // namespace tellmar
