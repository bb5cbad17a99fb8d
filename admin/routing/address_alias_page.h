// The "Address Aliasing" page of the "Address/Mailing lists" sheet:
// [ADDRESS-ALIAS] ALIAS%d = source " -> " target " , " scope "," state,
// where the target is an address, a list name in capitals or
// "(ALL LOCAL USERS)", and the state "1" (active) or "0". Entries are
// written as soon as they are saved, removed or toggled.
#pragma once

#include "platform/propsheet.h"

namespace tellmar::admin {

PROPSHEETPAGE MakeAddressAliasPage();

}  // namespace tellmar::admin
