// The support module's service messages: the main server registers its
// slots and asks questions about the machine; each answer is written into
// the slots before the handler returns, so the sender reads them as soon as
// its send comes back.
#pragma once

#include <optional>

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
}  // namespace msg

// Answers the message when it is one of the services (nullopt otherwise).
std::optional<LRESULT> HandleServiceMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tellmar::admin
