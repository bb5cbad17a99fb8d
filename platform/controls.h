// The standard controls: static text, edit, button (push, check box, radio,
// group box, owner-drawn), list box, combo box, up-down (spin) and progress
// bar. Each keeps exactly what a person could see or change; the messages of
// messages.h read and change it.
//
// A program's own SetWindowText, BM_SETCHECK or LB_SETCURSEL never notifies
// the parent: only what a person does (the User* calls, used by automation)
// sends EN_CHANGE, BN_CLICKED, LBN_SELCHANGE... So a page can load its
// controls without marking itself changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace tellmar {

class Loop;
struct Window;

void EnsureControlClasses(Loop& loop);
void InitControlState(Window& window);

// --- What a person does (automation) ----------------------------------------------
// Each answers false when the control cannot take it (disabled, read-only,
// hidden, wrong kind, index out of range).
bool UserSetText(HWND control, std::string_view text);  // replaces an edit's or combo's text
bool UserClick(HWND control);
bool UserDoubleClick(HWND control);  // an edit gets WM_LBUTTONDBLCLK
// A click on an item of a list or combo box; KEY_CONTROL in `modifiers`
// is a Ctrl+click (toggles the item in an extended-selection list).
bool UserSelectItem(HWND control, int index, unsigned modifiers = 0);
// Exactly these items selected, as a click on the first and a Ctrl+click on
// each other would leave them (a single-selection list takes only one).
bool UserSelectItems(HWND control, const std::vector<int>& indices);
bool UserDoubleClickItem(HWND control, int index);
bool UserSetCheck(HWND control, int state);  // check box or radio button
bool UserSpin(HWND updown, int delta);

// --- Convenience over the messages --------------------------------------------
int ListBox_AddString(HWND list, std::string_view text);
int ListBox_InsertString(HWND list, int index, std::string_view text);
int ListBox_DeleteString(HWND list, int index);
void ListBox_ResetContent(HWND list);
int ListBox_GetCount(HWND list);
int ListBox_GetCurSel(HWND list);
int ListBox_SetCurSel(HWND list, int index);
std::string ListBox_GetText(HWND list, int index);
LPARAM ListBox_GetItemData(HWND list, int index);
int ListBox_SetItemData(HWND list, int index, LPARAM data);
int ListBox_FindStringExact(HWND list, int start, std::string_view text);
bool ListBox_SetItemLook(HWND list, int index, const ItemLook& look);
ItemLook ListBox_GetItemLook(HWND list, int index);
std::vector<int> ListBox_GetSelItems(HWND list);  // multiple- and extended-selection lists
bool ListBox_SetTabStops(HWND list, const std::vector<int>& stops);
int ComboBox_AddString(HWND combo, std::string_view text);
int ComboBox_GetCount(HWND combo);
int ComboBox_GetCurSel(HWND combo);
int ComboBox_SetCurSel(HWND combo, int index);
std::string ComboBox_GetLBText(HWND combo, int index);
void ComboBox_ResetContent(HWND combo);
int ComboBox_SelectString(HWND combo, int start, std::string_view text);
int ComboBox_FindStringExact(HWND combo, int start, std::string_view text);

}  // namespace tellmar
