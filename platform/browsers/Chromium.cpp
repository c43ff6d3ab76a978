#include "browsers/Profile.h"

namespace browsers {

std::vector<std::unique_ptr<Profile>> FindChromiumProfiles() {
    return {};
}

}  // namespace browsers
