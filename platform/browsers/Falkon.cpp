// Falkon: each profile a folder of its own with Qt WebEngine's cookie store,
// which Falkon keeps locked while it runs (its settings' running flag stays
// after a crash and proves nothing), and `browsedata.db` with its history,
// a row for each page.
#include <algorithm>
#include <filesystem>

#include "browsers/CookieTables.h"
#include "store/Folders.h"

namespace browsers {
namespace {

class FalkonProfile final : public ChromiumCookiesProfile {
public:
    FalkonProfile(std::string folder, std::string_view name)
        : ChromiumCookiesProfile(std::move(folder), "Falkon", "falkon", name) {}

private:
    bool Running() const override { return store::Database::LockedAgainstReaders(CookiesFile()); }
    std::string CookiesFile() const override { return File("Cookies"); }
    std::string HistoryFile() const override { return File("browsedata.db"); }

    const char* PagesSql() const override {
        return "SELECT url, title, CASE WHEN date > 0 THEN (date + 11644473600000) * 1000 END "
               "FROM history WHERE count > 0 ORDER BY id";
    }

    void Clear() const override { EmptyHistoryTables({"history"}); }
};

}  // namespace

// The profiles are the folders under profiles/, `default` first.
void FindFalkonProfiles(Profiles& profiles, Failures&) {
    std::vector<std::string> names;
    std::error_code error;
    const std::string root = store::ConfigDirectory() + "/falkon/profiles";
    for (const auto& entry : std::filesystem::directory_iterator(root, error)) {
        if (entry.is_directory(error))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::pair(a != "default", a) < std::pair(b != "default", b);
    });
    for (const std::string& name : names) {
        AddWithStores(profiles, std::make_unique<FalkonProfile>(root + "/" + name, name));
    }
}

}  // namespace browsers
