// Binding the dial-up handler (Dialwick): find its window, or start it and
// look again once a second, then register the main window's "dunopen" and
// "dunparams" edit windows with it and give it the server directory.
#pragma once

#include <chrono>

#include "platform/messages.h"

namespace tellmar::admin {

inline constexpr std::string_view kDialupClass = "CorvDunHandler";
inline constexpr std::string_view kDialupTitle = "Corvane DUN32";
inline constexpr int kDialupPolls = 10;

// The handler's window, bound; 0 when there is none and none could be started.
HWND BindDialupHandler(std::chrono::milliseconds pollInterval = std::chrono::seconds(1));

// Fills a combo box with the dial-up phonebook entries; answers how many the
// handler added (0 when no handler could be bound).
int ListDialupEntries(HWND combo);

}  // namespace tellmar::admin
