// The domain page (template 142, "Select how server handles domains..."):
// the Internet access sheet's page, which writes the addressing mode on
// apply and rewrites every user record's ID when the mode changes, and the
// setup wizard's first page, which checks the entry on Next and keeps it
// for the wizard's Finish.
#pragma once

#include "admin/config/domain_settings.h"
#include "platform/propsheet.h"

namespace tellmar::admin {

inline constexpr int kDomainPageHelpContext = 14;
inline constexpr int kDomainWizardHelpContext = 22;

// The page of the Internet access sheet.
PROPSHEETPAGE DomainPage();

// The wizard's first page; `entry` receives what was accepted on Next.
PROPSHEETPAGE DomainWizardPage(DomainView& entry);

}  // namespace tellmar::admin
