#include "BrowserProfiles.h"

#include <QFile>
#include <QSettings>

#include <filesystem>

#include "HeadlessProfiles.h"
#include "Measure.h"
#include "PageServer.h"

namespace {

void Check(const QString& failure) {
    Require(failure.isEmpty(), "the browser made its profile: " + failure.toStdString());
}

std::string Existing(const QString& path) {
    Require(QFile::exists(path), "the browser made " + path.toStdString());
    return path.toStdString();
}

}  // namespace

BrowserProfiles MakeBrowserProfiles(const QString& home) {
    PageServer server;
    server.SetPage(
        "/made", {.title = "Made", .setCookies = {"made=1; Max-Age=86400; Path=/"}, .close = true});
    const QString page = server.Url("bench.localhost", "/made");
    BrowserProfiles profiles;
    profiles.home = home;

    Require(!FindFirefox().isEmpty() && !FindChromium().isEmpty(),
            "Firefox and Chromium are installed");
    QString folder;
    Check(MakeFirefoxProfile(home, {}, folder));
    Check(RunFirefox(home, folder, page));
    profiles.firefox = {"firefox.default-esr", Existing(folder + "/cookies.sqlite"),
                        Existing(folder + "/places.sqlite")};

    const QString userData = ChromiumUserData(home);
    Check(RunChromium(home, page));
    // Versions that keep the network's files apart put the cookies there.
    const QString network = userData + "/Default/Network/Cookies";
    profiles.chromium = {"chromium.Default",
                         Existing(QFile::exists(network) ? network : userData + "/Default/Cookies"),
                         Existing(userData + "/Default/History")};
    const QSettings firefoxVersion(folder + "/compatibility.ini", QSettings::IniFormat);
    QFile chromiumVersion(userData + "/Last Version");
    profiles.versions =
        ("Firefox " +
         firefoxVersion.value("Compatibility/LastVersion").toString().section('_', 0, 0) +
         ", Chromium " +
         (chromiumVersion.open(QIODevice::ReadOnly) ? chromiumVersion.readAll().trimmed() : "?"))
            .toStdString();
    return profiles;
}

BrowsersInView::BrowsersInView(const BrowserProfiles& profiles)
    : home_(qgetenv("HOME")), config_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("HOME", profiles.home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (profiles.home + "/.config").toLocal8Bit());
}

BrowsersInView::~BrowsersInView() {
    qputenv("HOME", home_);
    qputenv("XDG_CONFIG_HOME", config_);
}

void KeepStore(const std::string& file, const std::string& copy) {
    std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
}

void PutBackStore(const std::string& file, const std::string& copy) {
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        std::filesystem::remove(file + suffix);
    KeepStore(copy, file + ".incoming");
    std::filesystem::rename(file + ".incoming", file);
}
