// The numbers of the main window, each declared once: the messages the
// main server sends (msg::) and the WM_COMMAND identifiers from the tray
// popup, the RCU dialog and the main server (command::, rcu_command::). The dispatcher and
// the dialogs use these names, never the numbers.
#pragma once

#include "platform/messages.h"

namespace tellmar::admin {

namespace msg {
inline constexpr UINT kPasswordEntry = 1217, kSplashDestroy = 1218, kSplashCreate = 1219,
                      kExtendedPopup = 1220, kRegisterMailClient = 1222, kSlotF = 1223, kSlotE = 1224,
                      kSlotA = 1225, kSlotB = 1226, kSlotC = 1227, kSlotD = 1228, kServerWindow = 1229,
                      kTimeZone = 1230, kAbout = 1231, kMoveFile = 1232, kChooserDirWindow = 1233,
                      kShortNameA = 1234, kFileTest = 1236, kChooserOptionOn = 1237, kChooserOptionOff = 1238,
                      kShortNameB = 1239, kCanRead = 1240, kLongName = 1241, kServerSettingsPath = 1243,
                      kAssociatedProgram = 1246, kTimeZone2 = 1247, kPlatformName = 1249, kFileExists = 1250,
                      kStartFile = 1251, kFindExecutable = 1252, kTechSupport = 1253, kServerStatus = 1254,
                      kListFirst = 1274, kListNext = 1275, kListEnd = 1276, kDriveType = 1324,
                      kRegisterServices = 1325, kPostChooser = 1735, kPostSaveChooser = 1736,
                      kSoundChooser = 1737, kDragSetting = 1739, kRegisterFileTypes = 1740, kPlatform = 1741,
                      kCloseModule = 1779, kHostNameRegistry = 1780, kHostAddressRegistry = 1781,
                      kHostNameSockets = 1782, kHostAddressSockets = 1783, kNetworkDrive = 1785,
                      kStatusLine = 1823, kRefreshMailWindow = 1827, kChooser = 1836, kRefreshMailStatus = 1838,
                      kKeywordScan = 1925, kWelcomeMessage = 1931, kRebuildFolders = 1930,
                      kEnvironment = 1934, kUserHandler = 1935, kStoreKeyword = 1936, kRestartServer = 1938,
                      kLowDiskSpace = 1949, kTray = 2023;
// The configuration dialogs the main server opens (admin/shell/dispatcher.cpp).
inline constexpr UINT kSetupWizard = 1824, kInternetAccess = 1825, kMailWindow = 1826, kUsers = 1828,
                      kMailboxes = 1829, kOptions = 1830, kAttachments = 1831, kScheduling = 1832,
                      kFilters = 1833, kAddressLists = 1834, kConnectionSheet = 1835, kMailStatus = 1837,
                      kPostmasterMailbox = 1839, kRiziDori = 1926, kUserButtons = 1929, kAdministrators = 1937;
}  // namespace msg

// The dial-up handler's messages that the binding sends it.
namespace dunm {
inline constexpr UINT kSetDirectory = 1224, kSetStatusWindow = 1225, kSetParamWindow = 1226, kListEntries = 1237;
}  // namespace dunm

namespace command {
inline constexpr UINT kDestroy = 1027, kServerToFront = 1029, kChooserOptionOn = 1030, kChooserOptionOff = 1031,
                      kAbout = 1032, kClose = 1100, kShow = 1102, kHide = 1103, kCloseMenu = 1107,
                      kSetupWizard = 1108, kAdministratorWindow = 1110, kMaintainUsers = 1111,
                      kConfigureServer = 1112, kRiziDori = 1113, kMailboxes = 1114, kUtilities = 1115,
                      kAttachments = 1116, kScheduling = 1117, kFilters = 1118, kAddressLists = 1119,
                      kPasswordEntry = 1122, kUserButtons = 1123, kRestore = 1124, kModifyTray = 32784,
                      kDestroy2 = 40007, kAddTray = 40014, kRemoveTray = 40015, kFileChooser = 40016,
                      kSaveChooser = 40017;
}  // namespace command

// The RCU dialog's menu bar (template 249) and its commands, and the
// accelerator table translated for the dialog.
namespace rcu_command {
inline constexpr int kMenu = 249, kAccelerators = 256;
inline constexpr int kSetLocation = 40030, kConnect = 40031, kDisconnect = 40032, kExit = 40033,
                     kUsers = 40034, kInternetAccess = 40035, kFilters = 40036, kAttachments = 40037,
                     kAddressLists = 40038, kMailboxCollections = 40039, kScheduling = 40040,
                     kMailScan = 40041, kUtilities = 40042, kMailWindow = 40043, kViewLog = 40044,
                     kViewActivityLog = 40045, kUserReport = 40046, kMailboxStatus = 40047,
                     kHelpContents = 40048, kHelpSearch = 40049, kForceConnect = 40050, kAbout = 40051,
                     kRcuHelp = 40052;
}  // namespace rcu_command

// Answers true when `id` is one of the main window's commands.
bool HandleCommand(HWND hwnd, UINT id, LPARAM lParam);

}  // namespace tellmar::admin
