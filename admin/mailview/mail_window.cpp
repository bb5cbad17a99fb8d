#include "admin/mailview/mail_window.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "admin/mailview/mail_folders.h"
#include "admin/mailview/message_ops.h"
#include "admin/mailview/message_print.h"
#include "admin/mailview/message_view.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/commands.h"
#include "admin/shell/dispatcher.h"
#include "common/mail_store.h"
#include "common/profile.h"
#include "platform/clipboard.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/list_rows.h"
#include "platform/operator.h"
#include "platform/refresh_timer.h"
#include "platform/shell.h"
#include "resources/tmadmin32/mail_window_ids.h"

namespace tellmar::admin::mailview {
namespace {

namespace fs = std::filesystem;
using Ids = res::tmadmin32::MailWindow;

constexpr UINT kTimerId = 2000;
constexpr auto kRefreshPeriod = std::chrono::milliseconds(5000);
constexpr std::size_t kMaxSelected = 1000;
constexpr int kDefaultPlace = 50;
constexpr std::string_view kPlaceSection = "MSGVIEWER32";
constexpr std::string_view kViewSection = "MsgViewer";
constexpr int kCopyKey = 'C';

struct State {
  HWND window = 0;
  std::vector<FolderLine> folders;
  ListRows folderRows;
  int folderLine = -1;
  fs::path folderPath;
  std::vector<std::string> messages;  // names, in the list's order
  bool view = true;
  bool headers = true;
  std::unique_ptr<RefreshTimer> timer;
  std::vector<std::pair<HWND, WndProc>> subclassed;
};
State s;

HWND Item(int id) { return GetDlgItem(s.window, id); }
fs::path ServerDir() {
  const fs::path dir = ServerDirectoryPath();
  return dir.empty() ? fs::current_path() : dir;
}

const FolderLine* CurrentFolder() {
  if (s.folderLine < 0 || s.folderLine >= static_cast<int>(s.folders.size())) return nullptr;
  return &s.folders[static_cast<std::size_t>(s.folderLine)];
}

ListRow RowOf(const FolderLine& line) {
  ListRow row;
  row.columns = {line.text};  // the whole line, its TABs included
  row.bold = line.hasMail;
  row.data = line.hasMail ? 1 : 0;
  return row;
}

void NoteHasMail(int index, bool hasMail) {
  FolderLine& line = s.folders[static_cast<std::size_t>(index)];
  if (line.kind == FolderKind::Heading || line.hasMail == hasMail) return;
  line.hasMail = hasMail;
  s.folderRows.Update(index, RowOf(line));
}

void EnableButtons(const FolderButtons& b) {
  EnableDlgItem(s.window, Ids::kDelete, b.del);
  EnableDlgItem(s.window, Ids::kHold, b.hold);
  EnableDlgItem(s.window, Ids::kCopyMove, b.copyMove);
  EnableDlgItem(s.window, Ids::kPrint, b.print);
  EnableDlgItem(s.window, Ids::kViewer, b.viewer);
  EnableDlgItem(s.window, Ids::kShowHeaders, b.showHeaders);
  EnableDlgItem(s.window, Ids::kFrom, b.summary);
  EnableDlgItem(s.window, Ids::kTo, b.summary);
}

void ClearSummary() {
  SetDlgItemText(s.window, Ids::kFrom, "");
  ComboBox_ResetContent(Item(Ids::kTo));
  SetDlgItemText(s.window, Ids::kRecipientCount, "");
  SetDlgItemText(s.window, Ids::kSizeLine, "");
  ShowDlgItem(s.window, Ids::kHeld, false);
}

void ClearMessageDisplay() {
  SetDlgItemText(s.window, Ids::kText, "");
  ClearSummary();
}

// The message the list's caret is on (the last one clicked), else the
// first selected.
int ShownMessageIndex() {
  const HWND list = Item(Ids::kMessages);
  const int caret = ListBox_GetCurSel(list);
  if (caret >= 0 && SendMessage(list, LB_GETSEL, static_cast<WPARAM>(caret), 0) > 0) return caret;
  const std::vector<int> selected = ListBox_GetSelItems(list);
  return selected.empty() ? -1 : selected.front();
}

fs::path MessagePath(int index) { return s.folderPath / s.messages[static_cast<std::size_t>(index)]; }

void ShowSummary(const fs::path& message, int lineCount, bool cut) {
  ClearSummary();
  const FolderLine* folder = CurrentFolder();
  if (folder == nullptr || folder->kind == FolderKind::ArchiveInbound || folder->kind == FolderKind::ArchiveOutbound)
    return;  // archived mail has no envelope
  // Without an envelope (or one that cannot be read) nothing more is shown.
  const auto envelope =
      ReadEnvelopeFile(CompanionPath(message.parent_path(), message.filename().string(), kEnvelopeExtension));
  if (!envelope) return;
  SetDlgItemText(s.window, Ids::kFrom, envelope->from.value_or(""));
  const HWND to = Item(Ids::kTo);
  for (const std::string& recipient : envelope->recipients) ComboBox_AddString(to, recipient);
  if (!envelope->recipients.empty()) ComboBox_SetCurSel(to, 0);
  SetDlgItemText(s.window, Ids::kRecipientCount, std::to_string(envelope->recipients.size()));
  struct stat st {};
  if (::stat(message.c_str(), &st) != 0) return;
  SetDlgItemText(s.window, Ids::kSizeLine,
                 SizeLine(static_cast<std::uint64_t>(st.st_size), s.view, lineCount, cut, st.st_mtime));
}

void ShowMessage() {
  const int index = ShownMessageIndex();
  if (index < 0) {
    ClearMessageDisplay();
    return;
  }
  const fs::path message = MessagePath(index);
  int lineCount = 0;
  bool cut = false;
  SetDlgItemText(s.window, Ids::kText, "");
  if (s.view) {
    const auto shown = ReadShownText(message, s.headers);
    if (!shown) {
      MessageBox(s.window, "Failed to read file...", "File Read error", MB_OK | MB_ICONSTOP);
    } else {
      SetDlgItemText(s.window, Ids::kText, shown->text);
      lineCount = static_cast<int>(SendDlgItemMessage(s.window, Ids::kText, EM_GETLINECOUNT));
      cut = shown->cut;
    }
  }
  ShowSummary(message, lineCount, cut);
  ShowDlgItem(s.window, Ids::kHeld, IsHeld(message));
}

void SelectMessage(int index) {
  const HWND list = Item(Ids::kMessages);
  SendMessage(list, LB_SETSEL, FALSE, static_cast<LPARAM>(-1));
  if (index >= 0) SendMessage(list, LB_SETSEL, TRUE, index);
}

void ShowCount() {
  SetDlgItemText(s.window, Ids::kMessageCount, s.messages.empty() ? "" : std::to_string(s.messages.size()));
}

// Lists the selected folder; `keep` names the message to select again and
// `top` the line to keep at the top, when they still exist.
void FillMessages(const std::string& keep = {}, int top = 0) {
  const HWND list = Item(Ids::kMessages);
  ListBox_ResetContent(list);
  s.messages.clear();
  const FolderLine* folder = CurrentFolder();
  if (folder == nullptr || folder->kind == FolderKind::Heading) {
    s.folderPath.clear();
    ShowCount();
    ClearMessageDisplay();
    EnableButtons({});
    return;
  }
  s.folderPath = FolderPath(ServerDir(), *folder);
  std::error_code ec;
  if (folder->kind == FolderKind::User && !s.folderPath.empty() && !fs::exists(s.folderPath, ec))
    fs::create_directory(s.folderPath, ec);
  if (!s.folderPath.empty()) s.messages = ListMessageNames(s.folderPath);
  for (const std::string& name : s.messages) ListBox_AddString(list, name);
  ShowCount();
  NoteHasMail(s.folderLine, !s.messages.empty());
  int selected = s.messages.empty() ? -1 : 0;
  if (!keep.empty()) {
    const auto at = std::find(s.messages.begin(), s.messages.end(), keep);
    if (at != s.messages.end()) selected = static_cast<int>(at - s.messages.begin());
  }
  SelectMessage(selected);
  SendMessage(list, LB_SETTOPINDEX, static_cast<WPARAM>(std::clamp(top, 0, std::max<int>(0, static_cast<int>(s.messages.size()) - 1))), 0);
  ShowMessage();
  EnableButtons(ButtonsFor(folder->kind, s.messages.empty()));
}

void SelectFolder(int line) {
  s.folderLine = line;
  ListBox_SetCurSel(Item(Ids::kFolders), line);
  FillMessages();
}

void ShowFolders(std::vector<FolderLine> lines, int select) {
  s.folders = std::move(lines);
  std::vector<ListRow> rows;
  rows.reserve(s.folders.size());
  for (FolderLine& line : s.folders) {
    if (line.kind != FolderKind::Heading) line.hasMail = FolderHasMail(FolderPath(ServerDir(), line));
    rows.push_back(RowOf(line));
  }
  s.folderRows.Assign(std::move(rows));
  SelectFolder(select);
}

// The selected messages, in list order, at most `limit` of them.
std::vector<fs::path> SelectedPaths(std::size_t limit) {
  std::vector<fs::path> paths;
  for (int index : ListBox_GetSelItems(Item(Ids::kMessages))) {
    if (paths.size() == limit) break;
    if (index < static_cast<int>(s.messages.size())) paths.push_back(MessagePath(index));
  }
  return paths;
}

void Refresh() {
  for (std::size_t i = 0; i < s.folders.size(); ++i)
    if (s.folders[i].kind != FolderKind::Heading)
      NoteHasMail(static_cast<int>(i), FolderHasMail(FolderPath(ServerDir(), s.folders[i])));
  const FolderLine* folder = CurrentFolder();
  if (folder == nullptr || folder->kind == FolderKind::Heading || s.folderPath.empty()) return;
  if (CountMessageNames(s.folderPath) == s.messages.size()) return;
  const int shown = ShownMessageIndex();
  const std::string keep = shown >= 0 ? s.messages[static_cast<std::size_t>(shown)] : std::string();
  FillMessages(keep, static_cast<int>(SendDlgItemMessage(s.window, Ids::kMessages, LB_GETTOPINDEX)));
}

// After a store change: the lists again, the selection at `position` (or
// the last line).
void RefillAt(int position) {
  FillMessages();
  if (s.messages.empty()) return;
  SelectMessage(std::min(position, static_cast<int>(s.messages.size()) - 1));
  ShowMessage();
}

void DeleteSelected() {
  const std::vector<int> selected = ListBox_GetSelItems(Item(Ids::kMessages));
  if (selected.empty()) return;
  const std::vector<fs::path> paths = SelectedPaths(kMaxSelected);
  const int deleted = DeleteMessages(s.window, paths);
  if (deleted > 0) NoteStoreChanged();
  // Only this folder changed: refilling it also sets its has-mail flag.
  RefillAt(selected.front());
}

void HoldSelected() {
  const std::vector<fs::path> paths = SelectedPaths(kMaxSelected);
  if (paths.empty()) return;
  const std::time_t now = std::time(nullptr);
  if (paths.size() == 1) {
    const bool held = !IsHeld(paths.front());
    SetHeld(paths.front(), held, now);
  } else {
    const std::optional<bool> held = AskHoldMultiple(s.window);
    if (!held) return;
    for (const fs::path& path : paths) SetHeld(path, *held, now);
  }
  const int shown = ShownMessageIndex();
  ShowDlgItem(s.window, Ids::kHeld, shown >= 0 && IsHeld(MessagePath(shown)));
}

void CopyMoveSelected() {
  const FolderLine* folder = CurrentFolder();
  const std::vector<fs::path> paths = SelectedPaths(static_cast<std::size_t>(-1));
  if (folder == nullptr || paths.empty()) return;
  const int first = ListBox_GetSelItems(Item(Ids::kMessages)).front();
  if (RunCopyMove(s.window, folder->folder, paths)) {
    NoteStoreChanged();
    RefillAt(first);
  }
  Refresh();
}

void SetView(bool view) {
  s.view = view;
  WriteProfileString(ServerSettingsFile(), kViewSection, "View", view ? "-1" : "0");
  ShowMessage();
}

void SetHeaders(bool headers) {
  s.headers = headers;
  WriteProfileString(ServerSettingsFile(), kViewSection, "headers", headers ? "1" : "0");
  ShowMessage();
}

void OpenUsers() {
  DispatchCommand(command::kMaintainUsers);
  if (s.window != 0) RebuildMailWindowFolders(false);
}

void OpenSelectedMessage() {
  const int index = ShownMessageIndex();
  if (index < 0) return;
  const fs::path message = MessagePath(index);
  if (ShellExecute(s.window, "open", message.string(), "", s.folderPath.string(), SW_SHOWNORMAL) <= 32)
    MessageBox(s.window, "Error can't open mail message...", "Error", MB_OK | MB_ICONSTOP);
}

void CopyToClipboard() {
  const HWND text = Item(Ids::kText);
  const std::string shown = GetWindowText(text);
  if (shown.size() > kShownBytes) {
    MessageBox(s.window, "message to large to use Clipboard!!!", "Copy error", MB_OK | MB_ICONSTOP);
    return;
  }
  const LRESULT sel = SendMessage(text, EM_GETSEL, 0, 0);
  const std::size_t start = LOWORD(static_cast<WPARAM>(sel)), end = HIWORD(static_cast<WPARAM>(sel));
  if (end > start && end <= shown.size()) SetClipboardText(std::string_view(shown).substr(start, end - start));
}

// The button a function key presses, when it is enabled.
void PressFunctionKey(int key) {
  static constexpr int kButtons[] = {Ids::kHelp,   Ids::kDelete, Ids::kHold,  Ids::kCopyMove, Ids::kRefresh,
                                     Ids::kViewer, Ids::kPrint,  Ids::kUsers, Ids::kClose};
  const int id = kButtons[key - VK_F1];
  if (!IsWindowEnabled(Item(id))) return;
  SendMessage(s.window, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), Item(id));
}

// The lists and the text box see their keys first: Delete presses
// F2-Delete, and C (alone or with Ctrl) in the text box copies; a double
// click on the text box opens the message as one on the list does.
void SubclassKeys(int id) {
  const HWND control = Item(id);
  auto original = std::make_shared<WndProc>();
  *original = SubclassWindow(control, [id, original](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_KEYDOWN && wParam == VK_DELETE && s.window != 0) {
      PressFunctionKey(VK_F2);
      return 0;
    }
    if (message == WM_KEYDOWN && id == Ids::kText && wParam == kCopyKey && s.window != 0) {
      CopyToClipboard();
      return 0;
    }
    if (message == WM_LBUTTONDBLCLK && id == Ids::kText && s.window != 0) {
      OpenSelectedMessage();
      return 0;
    }
    return CallWindowProc(*original, hwnd, message, wParam, lParam);
  });
}

void Place() {
  const fs::path ini = ServerSettingsFile();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  int top = GetProfileInt(ini, kPlaceSection, "Top", kDefaultPlace);
  int left = GetProfileInt(ini, kPlaceSection, "Left", kDefaultPlace);
  if (top >= screenHeight) top = kDefaultPlace;
  if (left >= screenWidth) left = kDefaultPlace;
  const int height = std::min(GetProfileInt(ini, kPlaceSection, "Height", screenHeight * 3 / 4), screenHeight);
  const int width = std::min(GetProfileInt(ini, kPlaceSection, "Width", screenWidth * 3 / 4), screenWidth);
  MoveWindow(s.window, left, top, width, height);
}

void SavePlace() {
  const RECT r = GetWindowRect(s.window);
  ProfileBatch batch(ServerSettingsFile());
  batch.Write(kPlaceSection, "Top", std::to_string(r.top));
  batch.Write(kPlaceSection, "Left", std::to_string(r.left));
  batch.Write(kPlaceSection, "Height", std::to_string(r.bottom - r.top));
  batch.Write(kPlaceSection, "Width", std::to_string(r.right - r.left));
  batch.Commit();
}

void Init(HWND window) {
  s.window = window;
  const fs::path ini = ServerSettingsFile();
  Place();
  s.view = GetProfileString(ini, kViewSection, "View", "-1") != "0";
  s.headers = GetProfileString(ini, kViewSection, "headers", "1") != "0";
  CheckDlgButton(window, Ids::kShowHeaders, s.headers ? BST_CHECKED : BST_UNCHECKED);
  if (!ListBox_SetTabStops(Item(Ids::kFolders), {8, 60}))
    MessageBox(window, "Failed to set tabstops in Listbox...", "Listbox error", MB_OK | MB_ICONSTOP);
  for (int id : {Ids::kFolders, Ids::kMessages, Ids::kText}) SubclassKeys(id);
  s.timer = std::make_unique<RefreshTimer>(window, kTimerId, kRefreshPeriod);
  if (!s.timer->Start())
    MessageBox(window,
               "Unable to create update timer\r\nPlease try closing one or more other applications to free "
               "Windows' resources...",
               "Timer/resources error", MB_OK | MB_ICONSTOP);
  s.folderRows.Attach(Item(Ids::kFolders));
  ShowFolders(BuildFolderLines(ini, false), kFirstUserLine);
}

void Forget() {
  s.timer.reset();
  s.window = 0;
  s.folders.clear();
  s.folderRows = ListRows();
  s.folderLine = -1;
  s.messages.clear();
  s.folderPath.clear();
}

bool Command(int id, unsigned code) {
  switch (id) {
    case Ids::kFolders:
      if (code == LBN_SELCHANGE) SelectFolder(ListBox_GetCurSel(Item(Ids::kFolders)));
      if (code == LBN_DBLCLK) {
        const FolderLine* folder = CurrentFolder();
        if (folder != nullptr && folder->kind == FolderKind::User) OpenUsers();
      }
      return true;
    case Ids::kMessages:
      if (code == LBN_SELCHANGE) ShowMessage();
      if (code == LBN_DBLCLK) OpenSelectedMessage();
      return true;
    case Ids::kShowHeaders:
      SetHeaders(IsDlgButtonChecked(s.window, Ids::kShowHeaders) == BST_CHECKED);
      return true;
    case Ids::kHelp:
      OpenHelpFile(s.window, App().helpFilePath);
      return true;
    case Ids::kDelete:
      DeleteSelected();
      return true;
    case Ids::kHold:
      HoldSelected();
      return true;
    case Ids::kCopyMove:
      CopyMoveSelected();
      return true;
    case Ids::kRefresh:
      Refresh();
      return true;
    case Ids::kViewer:
      SetView(!s.view);
      return true;
    case Ids::kPrint:
      PrintMessages(s.window, SelectedPaths(kMaxSelected));
      return true;
    case Ids::kUsers:
      OpenUsers();
      return true;
    case IDCANCEL:
      CloseMailWindow();
      return true;
    default:
      return false;
  }
}

INT_PTR Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Init(hwnd);
      return TRUE;
    case WM_COMMAND:
      return hwnd == s.window && Command(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_KEYDOWN:
      if (hwnd == s.window && wParam >= VK_F1 && wParam <= VK_F9) {
        PressFunctionKey(static_cast<int>(wParam));
        return TRUE;
      }
      if (hwnd == s.window && wParam == VK_DELETE) {  // no control has the focus
        PressFunctionKey(VK_F2);
        return TRUE;
      }
      return FALSE;
    case WM_SIZE:
      if (hwnd == s.window && s.timer) s.timer->WindowMinimized(wParam == SIZE_MINIMIZED);
      return TRUE;
    case WM_TIMER:
      if (hwnd != s.window || wParam != kTimerId) return FALSE;
      Refresh();
      return TRUE;
    case WM_DESTROY:
      if (hwnd == s.window) Forget();
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND MailWindow() { return s.window; }

HWND OpenMailWindow(std::optional<std::string_view> user) {
  const bool created = s.window == 0;
  if (created) {
    const bool inRcu = App().role == Role::RemoteConfiguration;
    CreateDialog(Ids::kTemplate, inRcu ? App().rcuDialog : 0, Proc);
    if (s.window == 0) return 0;
    ShowWindow(s.window, SW_SHOW);
    SetFocus(Item(Ids::kFolders));
  } else {
    if (IsIconic(s.window)) ShowWindow(s.window, SW_RESTORE);
    ShowWindow(s.window, SW_SHOW);
    SetForegroundWindow(s.window);
  }
  int line = s.folderLine;
  if (user) {
    const int found = FindFolderLineForUser(s.folders, *user);
    if (found >= 0) line = found;
  }
  // A new window has just listed its first folder.
  if (created && line == s.folderLine) return s.window;
  SetDlgItemText(s.window, Ids::kText, "");
  SelectFolder(line);
  return s.window;
}

void RefreshMailWindow() {
  if (s.window != 0) Refresh();
}

void RebuildMailWindowFolders(bool recordOrder) {
  if (s.window == 0) return;
  const int previous = s.folderLine;
  std::vector<FolderLine> lines = BuildFolderLines(ServerSettingsFile(), recordOrder);
  const int select = previous >= 0 && previous < static_cast<int>(lines.size()) ? previous : kFirstUserLine;
  ShowFolders(std::move(lines), select);
}

void SetMailWindowStatus(std::string_view text) {
  if (s.window != 0) SetDlgItemText(s.window, Ids::kStatus, text);
}

void CloseMailWindow() {
  if (s.window == 0) return;
  s.timer.reset();
  // Minimised or maximised, the place saved before stays.
  if (!IsIconic(s.window) && !IsZoomed(s.window)) SavePlace();
  const HWND closing = s.window;
  DestroyWindow(closing);
  Forget();
}

}  // namespace tellmar::admin::mailview
