// Where an entry of the cache or of the history comes from: its source
// label, host and path, read from its address as the platform writes it.
#pragma once

#include <string>
#include <string_view>

struct EntryOrigin {
    std::string source;  // a browser profile's label, or "orvalla"
    std::string host;    // as stored: a domain cookie keeps its leading dot
    std::string path;
};

// A browser's cookie group is "Cookie:LABEL@HOST PATH", with " (PARTITION)"
// after a partitioned one's path; a label always holds a dot and a host
// never a blank. Everything else is the own cache's: "Cookie:USER@HOST/PATH",
// "Visited: USER@URL", or a URL.
EntryOrigin CacheEntryOrigin(std::string_view address);

// The host and path of a URL; none for one without a host ("file:///a").
EntryOrigin UrlOrigin(std::string_view url, std::string source);
