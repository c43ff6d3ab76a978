// One Firefox profile: its folder with `cookies.sqlite`, `places.sqlite`
// (the history and the bookmarks) and `favicons.sqlite`.
#pragma once

#include <string>

#include "browsers/Profile.h"

namespace browsers {

class FirefoxProfile : public Profile {
public:
    // `folder` is the profile's folder; `name` names it in labels and
    // messages ("default-esr").
    FirefoxProfile(std::string folder, const std::string& name);

    const std::string& Label() const override { return label_; }
    std::vector<CookieGroup> Cookies() override;
    std::vector<VisitedPage> History() override;
    bool DeleteCookies(std::string_view address) override;
    void ClearHistory() override;

    // Whether a Firefox has the profile open now.
    bool BrowserRunning() const;

private:
    std::string File(const char* name) const { return folder_ + "/" + name; }
    // Throws the refusal when the browser runs.
    void CheckClosed() const;

    const std::string folder_;
    const std::string who_;  // "Firefox (default-esr)"
    const std::string label_;
};

}  // namespace browsers
