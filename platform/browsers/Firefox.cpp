// The Firefox profiles of the current user, as each install's profiles.ini
// lists them.
#include <QDir>
#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "browsers/BrowserFile.h"
#include "browsers/FirefoxProfile.h"

namespace browsers {
namespace {

std::string Environment(const char* name) {
    const char* const value = std::getenv(name);
    return value ? value : "";
}

// Where installs keep their profiles.ini: the folder an existing install
// keeps using, the one a fresh install makes, then the snap's and the
// Flatpak's.
std::vector<std::string> ProfileRoots() {
    std::string home = Environment("HOME");
    if (home.empty())
        home = QDir::homePath().toStdString();
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/')
        config = home + "/.config";
    return {home + "/.mozilla/firefox", config + "/mozilla/firefox",
            home + "/snap/firefox/common/.mozilla/firefox",
            home + "/.var/app/org.mozilla.firefox/.mozilla/firefox"};
}

using IniSection = std::map<std::string, std::string>;

// The [Profile...] sections of a profiles.ini, in file order. Read by hand:
// QSettings would take a path with a comma in it for a list.
std::vector<IniSection> ProfileSections(const std::string& root) {
    std::vector<IniSection> sections;
    QFile ini(QString::fromStdString(root + "/profiles.ini"));
    if (!ini.open(QIODevice::ReadOnly | QIODevice::Text))
        return sections;
    bool inProfile = false;
    while (!ini.atEnd()) {
        const std::string line = ini.readLine().trimmed().toStdString();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            inProfile = line.compare(1, 7, "Profile") == 0;
            if (inProfile)
                sections.emplace_back();
        } else if (const std::size_t equals = line.find('=');
                   inProfile && equals != std::string::npos) {
            sections.back()[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return sections;
}

bool HasStores(const std::filesystem::path& folder) {
    return FileExists(folder / "cookies.sqlite") || FileExists(folder / "places.sqlite");
}

}  // namespace

// Every profile with cookies or history, once, however many lists name its
// folder. Two profiles of one name in different installs get labels apart.
std::vector<std::unique_ptr<Profile>> FindFirefoxProfiles() {
    std::vector<std::unique_ptr<Profile>> profiles;
    std::set<std::filesystem::path> folders;
    std::set<std::string> names;
    for (const std::string& root : ProfileRoots()) {
        for (IniSection& section : ProfileSections(root)) {
            const std::string& path = section["Path"];
            if (path.empty())
                continue;
            std::error_code error;
            const std::filesystem::path folder = std::filesystem::weakly_canonical(
                section["IsRelative"] == "1" ? root + "/" + path : path, error);
            if (error || !HasStores(folder) || !folders.insert(folder).second)
                continue;
            std::string name = section["Name"];
            if (name.empty())
                name = folder.filename().string();
            const std::string base = name;
            for (int n = 2; !names.insert(name).second; ++n)
                name = base + "-" + std::to_string(n);
            profiles.push_back(std::make_unique<FirefoxProfile>(folder.string(), name));
        }
    }
    return profiles;
}

}  // namespace browsers
