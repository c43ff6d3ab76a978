// GNOME Web: WebKitGTK's cookie store and the browser's own history, both in
// its data folder. It takes no lock on them; while it runs it owns its name
// on the session bus.
#include "browsers/CookieTables.h"
#include "browsers/SessionBus.h"
#include "store/Folders.h"

namespace browsers {
namespace {

class GnomeWebProfile final : public MozCookiesProfile {
public:
    GnomeWebProfile(std::string folder, std::string_view labelPrefix)
        : MozCookiesProfile(std::move(folder), "GNOME Web", labelPrefix, "default") {}

private:
    bool Running() const override { return SessionBusNameOwned("org.gnome.Epiphany"); }
    std::string CookiesFile() const override { return File("cookies.sqlite"); }
    std::string HistoryFile() const override { return File("ephy-history.db"); }

    const char* PagesSql() const override {
        return "SELECT url, title, CASE WHEN last_visit_time > 0 THEN last_visit_time + "
               "11644473600000000 END FROM urls WHERE visit_count > 0 ORDER BY id";
    }

    // As its own clearing of all history: every visit, page and site.
    void Clear() const override { EmptyHistoryTables({"visits", "urls", "hosts"}); }
};

}  // namespace

void FindGnomeWebProfiles(Profiles& profiles, Failures&) {
    for (const auto& [folder, labelPrefix] :
         {std::pair{store::DataHomeDirectory() + "/epiphany", "epiphany"},
          {store::HomeDirectory() + "/.var/app/org.gnome.Epiphany/data/epiphany",
           "epiphany-flatpak"}}) {
        AddWithStores(profiles, std::make_unique<GnomeWebProfile>(folder, labelPrefix));
    }
}

}  // namespace browsers
