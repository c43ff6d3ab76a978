#include "browsers/Profile.h"

namespace browsers {

std::vector<std::unique_ptr<Profile>> FindProfiles() {
    std::vector<std::unique_ptr<Profile>> profiles = FindFirefoxProfiles();
    for (auto& profile : FindChromiumProfiles())
        profiles.push_back(std::move(profile));
    return profiles;
}

}  // namespace browsers
