// Resource numbers and control IDs of Dialwick's windows and dialogs. The
// templates in resources/Dialwick/ use the same numbers; a unit test loads
// every template and checks that each ID used here exists there.
#pragma once

namespace tellmar::dialer::res {

// Main window.
inline constexpr int kMainIcon = 133;
inline constexpr int kMainMenu = 110;
inline constexpr int kEntryList = 1029;

// Dialogs.
inline constexpr int kControlCentre = 101;
inline constexpr int kProgress = 102;
inline constexpr int kPassword = 103;
inline constexpr int kNoPassword = 104;
inline constexpr int kConnectionFailed = 105;
inline constexpr int kEditSettings = 106;
inline constexpr int kAbout = 107;
inline constexpr int kEntryEditor = 108;

inline constexpr int kConnectBitmap = 167;

namespace cc {  // Control Centre
inline constexpr int kList = 1000;
inline constexpr int kActiveLine = 1015;
inline constexpr int kConnectButton = 1014;
inline constexpr int kSetDefault = 1016;
inline constexpr int kDialProperties = 1032;
inline constexpr int kCreateNew = 1017;
inline constexpr int kEditSettings = 1018;
inline constexpr int kSavePassword = 1020;
inline constexpr int kShowProgress = 1021;
inline constexpr int kKeepLog = 1022;
inline constexpr int kHelp = 1023;
inline constexpr int kCloseDialwick = 1027;
inline constexpr int kVersion = 1026;
}  // namespace cc

namespace progress {
inline constexpr int kStatusList = 1000;
inline constexpr int kCaptionLine = 1063;
inline constexpr int kRedial = 1064;
inline constexpr int kCancel = 1065;
inline constexpr int kActionLine = 1067;
inline constexpr int kAlwaysShow = 1068;
inline constexpr int kCloseOnCancel = 1069;
}  // namespace progress

namespace password {
inline constexpr int kTitle = 1001;
inline constexpr int kEdit = 1002;
inline constexpr int kSave = 1003;
}  // namespace password

namespace nopassword {
inline constexpr int kEntry = 1001;
inline constexpr int kSessionEnded = 1002;
}  // namespace nopassword

namespace failed {
inline constexpr int kTitle = 1001;
inline constexpr int kReason = 1002;
inline constexpr int kRedialsLabel = 1003;
inline constexpr int kRedials = 1004;
inline constexpr int kRetry = 1005;
}  // namespace failed

namespace edit {  // Edit DUN Settings
inline constexpr int kCallback = 1025;
inline constexpr int kUser = 1026;
inline constexpr int kPassword = 1027;
inline constexpr int kDomain = 1028;
inline constexpr int kList = 1029;
inline constexpr int kCurrentLine = 1030;
inline constexpr int kPhone = 1031;
inline constexpr int kSetDefault = 1033;
}  // namespace edit

namespace about {
inline constexpr int kPlatform = 1001;
inline constexpr int kVersion = 1002;
}  // namespace about

namespace editor {  // our phonebook entry editor
inline constexpr int kName = 1001;
inline constexpr int kNumber = 1002;
inline constexpr int kCallback = 1003;
inline constexpr int kUser = 1004;
inline constexpr int kPassword = 1005;
inline constexpr int kDomain = 1006;
inline constexpr int kKeepsPassword = 1007;
}  // namespace editor

}  // namespace tellmar::dialer::res
