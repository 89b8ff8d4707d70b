#pragma once

#include <string>

namespace vardo {

// The label a keyring manager shows for one of the application's secret items, so that a
// user browsing the keyring recognises it: "Nerova Vardo face data" for the enrolled set,
// "Nerova Vardo failed face matches" and "Nerova Vardo face lockout time" for the lockout
// state, "Nerova Vardo <service> <account>" for anything else.
std::string secretItemLabel(const std::string &service, const std::string &account);

} // namespace vardo
