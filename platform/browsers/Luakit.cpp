// luakit: WebKitGTK's cookie store and the browser's own history, both in its
// data folder. It takes no lock on them; while it runs it owns its name on
// the session bus.
#include "browsers/CookieTables.h"
#include "browsers/SessionBus.h"
#include "store/Folders.h"

namespace browsers {
namespace {

class LuakitProfile final : public MozCookiesProfile {
public:
    explicit LuakitProfile(std::string folder)
        : MozCookiesProfile(std::move(folder), "luakit", "luakit", "default") {}

private:
    bool Running() const override { return SessionBusNameOwned("org.luakit"); }
    std::string CookiesFile() const override { return File("cookies.db"); }
    std::string HistoryFile() const override { return File("history.db"); }

    const char* PagesSql() const override {
        return "SELECT uri, title, CASE WHEN last_visit > 0 THEN (last_visit + 11644473600) * "
               "1000000 END FROM history WHERE visits > 0 ORDER BY id";
    }

    void Clear() const override { EmptyHistoryTables({"history"}); }
};

}  // namespace

void FindLuakitProfiles(Profiles& profiles, Failures&) {
    AddWithStores(profiles,
                  std::make_unique<LuakitProfile>(store::DataHomeDirectory() + "/luakit"));
}

}  // namespace browsers
