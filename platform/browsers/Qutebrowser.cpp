// qutebrowser: Qt WebEngine's cookie store, which it keeps locked while it
// runs, and its own history of every visit, both in its data folder.
#include "browsers/CookieTables.h"
#include "store/Folders.h"

namespace browsers {
namespace {

class QutebrowserProfile final : public ChromiumCookiesProfile {
public:
    explicit QutebrowserProfile(std::string folder)
        : ChromiumCookiesProfile(std::move(folder), "qutebrowser", "qutebrowser", "default") {}

private:
    bool Running() const override { return store::Database::LockedAgainstReaders(CookiesFile()); }
    std::string CookiesFile() const override { return File("webengine/Cookies"); }
    std::string HistoryFile() const override { return File("history.sqlite"); }

    // A row for each visit: a page is its latest, and a redirect is no page.
    const char* PagesSql() const override {
        return "SELECT url, title, (max(atime) + 11644473600) * 1000000 FROM History "
               "WHERE NOT redirect GROUP BY url ORDER BY min(rowid)";
    }

    // As its own clearing: the visits and what completion learnt from them.
    void Clear() const override { EmptyHistoryTables({"History", "CompletionHistory"}); }
};

}  // namespace

void FindQutebrowserProfiles(Profiles& profiles, Failures&) {
    AddWithStores(profiles, std::make_unique<QutebrowserProfile>(store::DataHomeDirectory() +
                                                                 "/qutebrowser"));
}

}  // namespace browsers
