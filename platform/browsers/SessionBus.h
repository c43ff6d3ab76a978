// The session bus, asked who runs: browsers that keep one window for all
// their launches own a name on it while they run.
#pragma once

#include <optional>
#include <string>

namespace browsers {

// Whether a process owns `name` on this session's bus. With no session bus
// (none given, none at its usual place) nothing of this session owns it, and
// none is started to ask. nullopt when the bus could not be asked within a
// short bound, connecting included; `why` then says why.
std::optional<bool> SessionBusNameOwned(const char* name, std::string& why);

}  // namespace browsers
