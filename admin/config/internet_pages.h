// The pages of the server configuration sheet (admin/config/internet_sheet.h).
#pragma once

#include <filesystem>
#include <memory>

#include "platform/propsheet.h"

namespace tellmar::admin {

enum class Connection { DialUp, Permanent, InternalOnly };

// The connection type stored in tmhub.ini: internal mail only when
// [NetConnections] NetMailOnly is "1", else dial-up when Use95DUN is "-1",
// else a permanent TCP/IP connection.
Connection StoredConnection(const std::filesystem::path& settingsFile);

// What the connection type page shows, for the pages that follow it: the
// stored type until that page has been shown, then its choice, applied or
// not.
struct ConnectionChoice {
  bool shown = false;
  Connection choice = Connection::Permanent;
  Connection Current(const std::filesystem::path& settingsFile) const {
    return shown ? choice : StoredConnection(settingsFile);
  }
};

PROPSHEETPAGE MakeConnectionTypePage(std::shared_ptr<ConnectionChoice> choice);
PROPSHEETPAGE MakeDialupPage(std::shared_ptr<const ConnectionChoice> choice);
PROPSHEETPAGE MakeIncomingMailPage();
PROPSHEETPAGE MakeOutgoingMailPage();
PROPSHEETPAGE MakeServerOptionsPage(std::shared_ptr<const ConnectionChoice> choice);
PROPSHEETPAGE MakeTimeServerPage();

}  // namespace tellmar::admin
