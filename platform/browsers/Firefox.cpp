#include "browsers/Profile.h"

namespace browsers {

std::vector<std::unique_ptr<Profile>> FindFirefoxProfiles() {
    return {};
}

}  // namespace browsers
