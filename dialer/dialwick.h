// Dialwick, the dial-up connection handler: what is here and how the window
// layer drives it.
//
//   messages.h      message numbers (DUNM_*), command ids, result words,
//                   window class and title
//   settings.h      DIALWICK.INI / tmhub.ini / user-profile keys, the working
//                   and settings directories
//   dial_log.h      dialwick.log with its time stamp and trimming
//   entry_list.h    phonebook entries (10 at most on NT), NTPBLIST.LST
//   request_text.h  the client's request text
//   texts.h         online time, tray tip, progress captions
//   peers.h         peer windows, result-word routing, client list
//   error_table.h   the dialler's own table of error codes
//   dial_engine.h   connect, dial notifications, errors, hang-ups, monitor,
//                   retry display, Password dialog effects
//   dialwick_app.h  the program: start-up, the main window and its message
//                   table, the tray, the Control Centre and the other
//                   dialogs, the command line, the single-instance check
// The dial-up service itself is platform/ras (DialUp, SimulatedModem).
//
// Wiring, one object of each per program, all on the program's one loop:
//   io_context io;  SimulatedModem modem(io, {code, DefaultPhonebookPath()});
//   DialerSettings settings(cwd, DefaultUserProfile());
//   DialLog log(cwd, [&] { return settings.LogFile(); });
//   Peers peers(channelPeerWindows);       // PeerWindows over the channel
//   DialEngine engine(modem, settings, log, peers, windowUi);  // DialerUi
// then:
//   - the 1000 ms timer calls engine.MonitorTick();
//   - WM_COMMAND 1025/40022 -> Connect(), 1026 -> HangUpCommand(),
//     40023 -> DisconnectSelected(name left in the parameter window),
//     40024 -> DisconnectAny(lParam), 40004 -> PasswordCommand();
//   - DUNM_SETSTATUSWND/SETPARAMWND/SETFAILWND -> peers.Set*Window(wParam);
//     DUNM_ADDCLIENT/REMOVECLIENT -> peers.AddClient/RemoveClient(lParam);
//   - DUNM_REQUESTEX: peers.SetRequestStatusWindow(lParam), read the
//     parameter window (255 characters), ParseRequestText(); an empty text
//     clears state().requestMode and fieldCount; a refused one is logged
//     with DescribeRefusal() and answered "FAIL"; otherwise store the redial
//     count, set requestMode, fieldCount, requestEntry (and currentEntry when
//     fieldCount > 1, currentPassword when > 2) and post 1025 (mode "0") or
//     40024 (mode "1"; 1026 for DUNM_REQUESTTEXT);
//   - DUNM_SETATTEMPT .. DUNM_RETRYWAITEX -> SetAttempt, Attempting,
//     RetryWait(s, false/true), GivenUp(false/true), Cancelled();
//   - the progress window's Redial / Cancel / OK -> RedialPressed(),
//     CancelPressed(closeoncancel box), ProgressClosed().
// state().runAsService and state().serverSystem are set from the settings
// at start and again on DUNM_SETDIRECTORY.
#pragma once

#include "dialer/dial_engine.h"
#include "dialer/entry_list.h"
#include "dialer/messages.h"
#include "dialer/request_text.h"
#include "dialer/texts.h"
