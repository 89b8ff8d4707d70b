#pragma once

#include <optional>
#include <string>

namespace vardo {

// Whether a D-Bus bus answers: connecting, authenticating and the bus's Hello must all
// finish within `timeoutMs`. A bus that accepts the connection and then says nothing
// would otherwise hold up whoever opens it first, without a word and for good (neither
// Qt nor GLib bounds the opening of a bus). Gives why the bus cannot be used, or nothing
// when it answered.
enum class Bus { session, system };
std::optional<std::string> busUnanswered(Bus bus, int timeoutMs = 3000);
// The same for a bus at this address (D-Bus address syntax, "unix:path=...").
std::optional<std::string> busAtAddressUnanswered(const std::string &address, int timeoutMs = 3000);

} // namespace vardo
