// FindSources.
#include "platform/sources.h"

#include "browsers/Sources.h"
#include "platform/escapes.h"
#include "store/Folders.h"

Sources FindSources() {
    Sources sources;
    const std::string data = store::DataDirectory() + "/";
    for (const auto& [name, file] :
         {std::pair("cache", "urlcache.sqlite"), std::pair("history", "history.sqlite")})
        sources.own.push_back({name, data + file, store::Present(data + file)});
    browsers::FoundProfiles found = browsers::FindAllProfiles();
    for (const auto& profile : found.profiles) {
        browsers::ProfileState state = profile->State();
        sources.browsers.push_back({profile->Label(), profile->Who(), std::move(state.browser),
                                    std::move(state.folder), std::move(state.stores), state.running,
                                    std::move(state.why)});
    }
    for (const store::StoreError& failure : found.failures)
        sources.failures.push_back(Escaped(failure.message));
    return sources;
}

bool SourceNamed(std::string_view wanted, std::string_view label) {
    return wanted == label || browsers::SourceNamed(wanted, label);
}
