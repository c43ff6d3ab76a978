// A Firefox and a Chromium profile made by the installed browsers when the
// benchmark starts, in a home of their own, and filled at the size real
// users have (BrowserFill.cpp): rows written with SQL into the tables the
// browsers made, so that the schema, its indices and the files' settings are
// the browsers' own. Both browsers get the same cookies and pages, from a
// fixed seed.
#pragma once

#include <QString>

#include <string>
#include <vector>

enum class Browser { Firefox, Chromium };

// One browser's profile: the label of its rows' addresses, and its cookie
// and history files.
struct BrowserProfile {
    std::string label;
    std::string cookies;
    std::string history;
};

struct BrowserProfiles {
    QString home;  // HOME of the browsers, their config folder at .config
    BrowserProfile firefox;
    BrowserProfile chromium;
    std::string versions;  // "Firefox X, Chromium Y"
    const BrowserProfile& Of(Browser browser) const {
        return browser == Browser::Firefox ? firefox : chromium;
    }
};

// Each browser, headless, visits a page of a local server that sets a
// cookie, which makes its stores. Throws std::runtime_error when a browser
// is missing or fails.
BrowserProfiles MakeBrowserProfiles(const QString& home);

// While it lives, the program finds the profiles: HOME and XDG_CONFIG_HOME
// point into their home, as for a user who runs both browsers. Start-up
// probes started meanwhile inherit it.
class BrowsersInView {
public:
    explicit BrowsersInView(const BrowserProfiles& profiles);
    ~BrowsersInView();
    BrowsersInView(const BrowsersInView&) = delete;
    BrowsersInView& operator=(const BrowsersInView&) = delete;

private:
    QByteArray home_;
    QByteArray config_;
};

// A store file copied aside as it is now, and put back as it was before
// each run that changes it: a new file renamed into place, so that a
// connection still open on the old one can never see half of each.
void KeepStore(const std::string& file, const std::string& copy);
void PutBackStore(const std::string& file, const std::string& copy);

inline constexpr int kBrowserHosts = 10'000;
// A group is the cookies of one host, path and partition (or container).
inline constexpr int kBrowserGroups = 20'000;
inline constexpr int kBrowserCookies = 50'000;
inline constexpr int kBrowserPages = 50'000;
inline constexpr int kBrowserHttpPages = 40'000;
inline constexpr int kBrowserVisits = 200'000;

// `count` of the profiles' sites (a host and the hosts below it: "www.",
// "shop." and a domain cookie's dot), spread over the hosts so that every
// kind of host and group is among them; each holds one host, its two cookie
// groups and about five pages.
std::vector<std::string> BrowserSites(int count);

// What the browser's own first run left in these tables goes first; its
// bookmarks stay. Throws std::runtime_error.
void FillFirefoxProfile(const BrowserProfile& profile);
void FillChromiumProfile(const BrowserProfile& profile);
