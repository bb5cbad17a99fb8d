// Windows, window classes and messages.
//
// A window here is what the programs were written against: a handle, a class
// with a window procedure, a title (its text), visibility, enabled state, a
// parent or an owner, children with control IDs, and for the standard
// controls exactly the state a person could see or change (check state, list
// items with item data, selection, limits...). Nothing is drawn; the browser
// desktop renders windows from this state through the automation calls.
//
// Design choices:
//  - The calls are free functions with the Windows names and shapes
//    (SendMessage, SetWindowText, GetDlgItem, ...) acting on the loop of the
//    calling thread (Loop::Current()), because window and dialog procedures
//    are plain functions that only get a handle, as in the programs' design.
//  - A handle names its program: the high bits are the program's slot on the
//    desktop, so a message to another program's window goes over the
//    cross-process channel with no lookup table. Texts, list strings and
//    copy-data travel by value; a message whose parameter is an address of
//    the sender's memory is refused across programs rather than misread.
//  - SendMessage to a window of another program waits for its answer and
//    serves the calls that program (or a third) makes back into this one
//    meanwhile; posted messages and timers wait, as in a real send.
//  - Window procedures may be lambdas; a window stays alive until the
//    procedure running for it returns, even when it is destroyed inside.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

namespace tellmar {

using WndProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct WNDCLASS {
  std::string name;
  WndProc proc;
  int icon = 0;  // icon resource number
  int menu = 0;  // menu resource number of windows of this class (0: none)
};

// The built-in classes (names compared without regard to case).
inline constexpr std::string_view kStaticClass = "Static";
inline constexpr std::string_view kEditClass = "Edit";
inline constexpr std::string_view kButtonClass = "Button";
inline constexpr std::string_view kListBoxClass = "ListBox";
inline constexpr std::string_view kComboBoxClass = "ComboBox";
inline constexpr std::string_view kUpDownClass = "msctls_updown32";
inline constexpr std::string_view kProgressClass = "msctls_progress32";
inline constexpr std::string_view kDialogClass = "#32770";
inline constexpr std::string_view kMenuClass = "#32768";

// A virtual screen, so that programs placing windows at fractions of the
// screen get stable numbers.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
int GetSystemMetrics(int index);

// --- Classes and windows --------------------------------------------------------
bool RegisterClass(const WNDCLASS& cls);  // false when the name is taken
bool UnregisterClass(std::string_view name);

struct CreateParams {
  std::string_view className;
  std::string_view title;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = 0;  // WS_CHILD: the parent; otherwise the owner
  int id = 0;       // control ID of a child
  LPARAM param = 0;
  std::uint32_t exStyle = 0;
};

// Sends WM_CREATE (lParam: the CreateParams address); a procedure answering
// -1 refuses and no window remains. Returns 0 on failure.
HWND CreateWindow(const CreateParams& params);
HWND CreateWindow(std::string_view className, std::string_view title, std::uint32_t style, int x, int y,
                  int width, int height, HWND parent = 0, int id = 0, LPARAM param = 0);
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);  // this program's windows only

// --- Messages --------------------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
void PostQuitMessage(int exitCode);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(const WndProc& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// A send that says whether it went through: a window that does not exist,
// a peer that died or stopped answering, a message that cannot cross
// programs. SendMessage answers 0 in those cases.
struct SendResult {
  bool ok = false;
  LRESULT value = 0;
  std::string error;
};
SendResult TrySendMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
// The copy-data message with a text, as another program would receive it:
// COPYDATASTRUCT{dwData, size of the text plus its terminating NUL, text}.
SendResult SendCopyData(HWND hwnd, HWND sender, std::uintptr_t dwData, std::string_view text);

// True while the message being handled came from another program, sent or
// posted: its parameters are numbers, never addresses in this program. It
// stays true inside a modal loop that such a message opens, for the
// messages of this program handled there too.
bool InSendMessageFromPeer();

// --- Text --------------------------------------------------------------------------
bool SetWindowText(HWND hwnd, std::string_view text);
std::string GetWindowText(HWND hwnd);
// As the Windows call: copies at most size-1 characters and a terminator.
int GetWindowText(HWND hwnd, char* buffer, int size);
int GetWindowTextLength(HWND hwnd);

// --- Structure and state -------------------------------------------------------------
HWND GetParent(HWND hwnd);
// The top-level window a window belongs to (itself when it is one); 0 for
// no window of this program.
HWND GetTopLevel(HWND hwnd);
HWND GetWindow(HWND hwnd, int relation);  // GW_OWNER, GW_CHILD, GW_HWNDNEXT
inline constexpr int GW_HWNDNEXT = 2;
inline constexpr int GW_OWNER = 4;
inline constexpr int GW_CHILD = 5;
std::vector<HWND> GetChildren(HWND hwnd);
HWND GetDlgItem(HWND parent, int id);
int GetDlgCtrlID(HWND hwnd);
std::string GetClassName(HWND hwnd);
std::uint32_t GetWindowStyle(HWND hwnd);
void SetWindowStyle(HWND hwnd, std::uint32_t style);

bool ShowWindow(HWND hwnd, int command);  // answers whether it was visible
bool IsWindowVisible(HWND hwnd);
bool IsIconic(HWND hwnd);
// Maximised (SW_MAXIMIZE): the window fills the screen until SW_RESTORE
// puts it back where it was.
bool IsZoomed(HWND hwnd);
bool EnableWindow(HWND hwnd, bool enable);  // answers whether it was disabled
bool IsWindowEnabled(HWND hwnd);
HWND SetFocus(HWND hwnd);
HWND GetFocus();
bool SetForegroundWindow(HWND hwnd);  // also activates and raises it
HWND GetForegroundWindow();
bool BringWindowToTop(HWND hwnd);
bool SetTopmost(HWND hwnd, bool topmost);

bool MoveWindow(HWND hwnd, int x, int y, int width, int height);
RECT GetWindowRect(HWND hwnd);
RECT GetClientRect(HWND hwnd);

// Replaces a window's procedure (GWLP_WNDPROC) and answers the one it had,
// for CallWindowProc: a program subclasses a control to see its keys first.
WndProc SubclassWindow(HWND hwnd, WndProc proc);

// Per-window value for the program's own use (GWLP_USERDATA).
void SetWindowUserData(HWND hwnd, LPARAM value);
LPARAM GetWindowUserData(HWND hwnd);

// --- Finding windows ------------------------------------------------------------------
// Top-level windows of every program on the desktop; class and title are
// compared without regard to case; an empty view matches any.
HWND FindWindow(std::optional<std::string_view> className, std::optional<std::string_view> title);

struct TopLevelWindow {
  HWND hwnd = 0;
  std::string className;
  std::string title;
  std::string program;
  bool visible = false;
};
std::vector<TopLevelWindow> EnumWindows();  // every program's, this one's first

// --- Timers -----------------------------------------------------------------------
// WM_TIMER with wParam = id reaches the window every `ms` milliseconds until
// KillTimer; setting an existing (window, id) again restarts it. Answers the id
// (0 on failure: no such window).
UINT SetTimer(HWND hwnd, UINT id, unsigned ms);
bool KillTimer(HWND hwnd, UINT id);

// --- Handles as text -------------------------------------------------------------
std::string HandleToText(HWND hwnd);
// Plain decimal conversion, as the peer programs do it; 0 when not a handle.
HWND HandleFromText(std::string_view text);

}  // namespace tellmar
