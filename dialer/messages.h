// The dialler's window-message interface: numbers, names and texts that
// clients (the main server, the administration utility, scripts through
// tmctl) use to find and drive it. Numbers are decimal window-message
// numbers; WM_USER is 1024.
#pragma once

#include <string_view>

namespace tellmar::dialer {

inline constexpr std::string_view kWindowClass = "CorvDunHandler";
inline constexpr std::string_view kWindowTitle = "Corvane DUN32";

// Messages handled by the main window.
inline constexpr unsigned DUNM_ADDCLIENT = 1222;
inline constexpr unsigned DUNM_REMOVECLIENT = 1223;
inline constexpr unsigned DUNM_SETDIRECTORY = 1224;
inline constexpr unsigned DUNM_SETSTATUSWND = 1225;
inline constexpr unsigned DUNM_SETPARAMWND = 1226;
inline constexpr unsigned DUNM_QUERYACTIVE = 1227;
inline constexpr unsigned DUNM_RELEASE = 1228;
inline constexpr unsigned DUNM_RELEASENAMED = 1229;
inline constexpr unsigned DUNM_SETFAILWND = 1230;
inline constexpr unsigned DUNM_QUIT = 1233;
inline constexpr unsigned DUNM_SETASYNC = 1234;
inline constexpr unsigned DUNM_SHOWCONTROL = 1235;
inline constexpr unsigned DUNM_QUERYOS = 1236;
inline constexpr unsigned DUNM_LISTENTRIES = 1237;
inline constexpr unsigned DUNM_QUERYPASSWORDS = 1238;
inline constexpr unsigned DUNM_REQUEST = 1690;
inline constexpr unsigned DUNM_REQUESTEX = 1691;
inline constexpr unsigned DUNM_SETATTEMPT = 1692;
inline constexpr unsigned DUNM_ATTEMPTING = 1693;
inline constexpr unsigned DUNM_RETRYWAIT = 1694;
inline constexpr unsigned DUNM_GIVENUP = 1695;
inline constexpr unsigned DUNM_CANCELLED = 1696;
inline constexpr unsigned DUNM_GIVENUPCLOSE = 1697;
inline constexpr unsigned DUNM_SETREQUESTER = 1698;
inline constexpr unsigned DUNM_RETRYWAITEX = 1699;
inline constexpr unsigned DUNM_REQUESTTEXT = 1735;
inline constexpr unsigned DUNM_TRAY = 2023;

// Commands of the main window (WM_COMMAND identifiers).
namespace cmd {
inline constexpr unsigned kConnect = 1025;
inline constexpr unsigned kHangUp = 1026;
inline constexpr unsigned kCloseDialwick = 1027;
inline constexpr unsigned kEntryList = 1029;  // the list box; notification 1 selects
inline constexpr unsigned kDialProperties = 1032;
inline constexpr unsigned kShowLaunchPad = 1036;  // has no action
inline constexpr unsigned kShowMainWindow = 5001;
inline constexpr unsigned kControlCentre = 5002;
inline constexpr unsigned kTrayHangUp = 5003;
inline constexpr unsigned kTrayDisconnectAny = 5004;
inline constexpr unsigned kTrayClose = 5005;
inline constexpr unsigned kTrayCloseMenu = 5006;
inline constexpr unsigned kPassword = 40004;
inline constexpr unsigned kAbout = 40005;
inline constexpr unsigned kExit = 40007;
inline constexpr unsigned kConnectSelected = 40022;
inline constexpr unsigned kDisconnectSelected = 40023;
inline constexpr unsigned kDisconnectAny = 40024;
}  // namespace cmd

inline constexpr unsigned kMonitorTimerId = 0;
inline constexpr unsigned kMonitorIntervalMs = 1000;
inline constexpr unsigned kTrayIconId = 1033;

// Requester codes: who asked for the dial; they choose the captions.
inline constexpr int kRequesterNone = -1;
inline constexpr int kRequesterPortlow = 0;
inline constexpr int kRequesterPenwick = 1;
inline constexpr int kRequesterTellmar = 2;

// Result words written into a client's status window.
namespace word {
inline constexpr std::string_view kOk = "OK";
inline constexpr std::string_view kDialComplete = "DIALCOMPLETE";
inline constexpr std::string_view kAuthenticate = "AUTHENTICATE";
inline constexpr std::string_view kBusy = "BUSY";
inline constexpr std::string_view kFail = "FAIL";
inline constexpr std::string_view kOffline = "OFFLINE";
inline constexpr std::string_view kRedial = "REDIAL";
inline constexpr std::string_view kDunClosed = "DUNCLOSED";
inline constexpr std::string_view kNone = "NONE";
inline constexpr std::string_view kNoPasswords = "NOPASSWORDS";
}  // namespace word

}  // namespace tellmar::dialer
