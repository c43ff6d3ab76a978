#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <filesystem>

#include "browsers/ChromiumProfile.h"

namespace browsers {
namespace {

struct Place {
    std::string userDataDir;
    const char* browserName;
    const char* labelPrefix;
};

std::string Home() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::string ConfigHome() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return config && *config ? config : Home() + "/.config";
}

// Snap and Flatpak builds keep their own folders; their labels differ from
// the packaged Chromium's so that no two profiles share an address.
std::vector<Place> Places() {
    const std::string config = ConfigHome();
    const std::string home = Home();
    return {
        {config + "/chromium", "Chromium", "chromium"},
        {config + "/google-chrome", "Google Chrome", "google-chrome"},
        {config + "/BraveSoftware/Brave-Browser", "Brave", "brave"},
        {config + "/vivaldi", "Vivaldi", "vivaldi"},
        {config + "/microsoft-edge", "Microsoft Edge", "microsoft-edge"},
        {home + "/snap/chromium/common/chromium", "Chromium", "chromium-snap"},
        {home + "/.var/app/org.chromium.Chromium/config/chromium", "Chromium", "chromium-flatpak"},
    };
}

// The folders `Local State` names as profiles ("Default", "Profile 1"),
// those that hold cookies or history; a name that would lead out of the
// user data folder is no profile.
std::vector<std::string> ProfileFolders(const std::string& userDataDir) {
    QFile localState(QString::fromStdString(userDataDir + "/Local State"));
    if (!localState.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject cache = QJsonDocument::fromJson(localState.readAll())
                                  .object()
                                  .value("profile")
                                  .toObject()
                                  .value("info_cache")
                                  .toObject();
    std::vector<std::string> folders;
    for (const QString& name : cache.keys()) {
        const std::string folder = name.toStdString();
        if (folder.empty() || folder == "." || folder == ".." ||
            folder.find('/') != std::string::npos)
            continue;
        std::error_code ignored;
        const std::string dir = userDataDir + "/" + folder;
        if (std::filesystem::exists(dir + "/Cookies", ignored) ||
            std::filesystem::exists(dir + "/Network/Cookies", ignored) ||
            std::filesystem::exists(dir + "/History", ignored))
            folders.push_back(folder);
    }
    return folders;
}

}  // namespace

std::vector<std::unique_ptr<Profile>> FindChromiumProfiles() {
    std::vector<std::unique_ptr<Profile>> profiles;
    for (const Place& place : Places()) {
        for (const std::string& folder : ProfileFolders(place.userDataDir)) {
            profiles.push_back(std::make_unique<ChromiumProfile>(
                place.userDataDir, folder, place.browserName, place.labelPrefix));
        }
    }
    return profiles;
}

}  // namespace browsers
