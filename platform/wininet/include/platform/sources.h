// Every place the cache and the history are read from: Orvalla's own stores
// and each browser profile found, those that hold no stores yet included.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct OwnStore {
    std::string name;  // "cache", "history"
    std::string path;
    bool present;
};

struct BrowserSource {
    std::string label;    // as in the rows' addresses: "firefox.default-esr"
    std::string who;      // as in messages: "Firefox (default-esr)"
    std::string browser;  // "Firefox"
    std::string folder;
    std::vector<std::string> stores;  // the files of it that are there
    std::optional<bool> running;      // nullopt when it cannot be told, `why` says
    std::string why;
};

struct Sources {
    std::vector<OwnStore> own;
    std::vector<BrowserSource> browsers;
    // A place that could not be looked at, a line each, escaped.
    std::vector<std::string> failures;
};

// Asks every browser whether it runs, as a change would.
Sources FindSources();

// Whether `wanted` names the source labelled `label`, as every call that
// takes sources reads it: the label itself ("firefox.default-esr"), its
// browser ("firefox", which also names the snap and Flatpak builds'
// "firefox-snap." and "firefox-flatpak." labels), or "orvalla" for the own
// stores.
bool SourceNamed(std::string_view wanted, std::string_view label);
