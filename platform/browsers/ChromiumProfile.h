// One profile of a Chromium-family browser: its folder beside the browser's
// `Local State`, with the `Cookies`, `History`, `Favicons` and `Top Sites`
// databases and the `Bookmarks` file.
#pragma once

#include <set>
#include <string>

#include "browsers/Profile.h"

namespace browsers {

class BrowserFile;

class ChromiumProfile : public Profile {
public:
    // `userDataDir` holds `Local State` and the `SingletonLock` of the
    // running browser; `folder` is the profile's folder name in it
    // ("Default", "Profile 1"); `browserName` names the browser in messages
    // ("Google Chrome") and `labelPrefix` in labels ("google-chrome").
    ChromiumProfile(std::string userDataDir, std::string folder, std::string browserName,
                    std::string labelPrefix);

    const std::string& Label() const override { return label_; }
    std::vector<CookieGroup> Cookies() override;
    std::vector<VisitedPage> History() override;
    bool DeleteCookies(std::string_view address) override;
    void ClearHistory() override;

    // Whether the browser holding this profile's user data runs now.
    bool BrowserRunning() const;

private:
    std::string File(const char* name) const;
    std::string CookiesFile() const;
    // Throws the refusal when the browser runs.
    void CheckClosed() const;
    std::set<std::string> BookmarkedUrls() const;
    void ClearFavicons(const std::set<std::string>& kept);
    void ClearTopSites();

    const std::string userDataDir_;
    const std::string folder_;
    const std::string who_;  // "Chromium (Default)"
    const std::string label_;
};

}  // namespace browsers
