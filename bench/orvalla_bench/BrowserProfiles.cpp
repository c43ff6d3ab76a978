#include "BrowserProfiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "BrowserRun.h"
#include "Measure.h"
#include "PageServer.h"

namespace {

using namespace std::chrono_literals;

// A browser's first start in a new profile takes seconds; a hang does not
// stop the benchmark for ever.
constexpr auto kBrowserTimeout = 90s;

// Scripts may close the last window, which ends the browser, and no
// first-run page keeps another tab open.
constexpr const char* kFirefoxPrefs =
    "user_pref(\"dom.allow_scripts_to_close_windows\", true);\n"
    "user_pref(\"datareporting.policy.firstRunURL\", \"\");\n"
    "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
    "user_pref(\"startup.homepage_welcome_url\", \"\");\n";

void Check(const QString& failure) {
    Require(failure.isEmpty(), "the browser made its profile: " + failure.toStdString());
}

QString Installed(const char* name) {
    const QString path = FindBrowser(name);
    Require(!path.isEmpty(), std::string(name) + " is installed");
    return path;
}

std::string Existing(const QString& path) {
    Require(QFile::exists(path), "the browser made " + path.toStdString());
    return path.toStdString();
}

// Where this version keeps its profiles: the config folder, or the older
// ~/.mozilla.
QString FirefoxFolder(const QString& home) {
    for (const QString& root : {home + "/.config/mozilla/firefox", home + "/.mozilla/firefox"}) {
        const QStringList found = QDir(root).entryList({"*.default-esr"}, QDir::Dirs);
        if (found.size() == 1)
            return root + "/" + found.front();
    }
    throw std::runtime_error("firefox-esr made no profile folder in " + home.toStdString());
}

void WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    Require(file.open(QIODevice::WriteOnly) && file.write(text) == text.size(),
            "the benchmark wrote " + path.toStdString());
}

}  // namespace

BrowserProfiles MakeBrowserProfiles(const QString& home) {
    PageServer server;
    server.SetPage(
        "/made", {.title = "Made", .setCookies = {"made=1; Max-Age=86400; Path=/"}, .close = true});
    const QString page = server.Url("bench.localhost", "/made");
    const QProcessEnvironment environment = BrowserEnvironment(home);
    BrowserProfiles profiles;
    profiles.home = home;

    const QString firefox = Installed("firefox-esr");
    Check(RunBrowser(firefox, {"--headless", "-CreateProfile", "default-esr"}, environment,
                     kBrowserTimeout));
    const QString folder = FirefoxFolder(home);
    WriteFile(folder + "/user.js", kFirefoxPrefs);
    Check(RunBrowser(firefox, {"--headless", "-profile", folder, page}, environment,
                     kBrowserTimeout));
    profiles.firefox = {"firefox.default-esr", Existing(folder + "/cookies.sqlite"),
                        Existing(folder + "/places.sqlite")};

    const QString chromium = Installed("chromium");
    const QString userData = home + "/.config/chromium";
    Check(RunBrowser(
        chromium,
        {"--headless=new", "--no-sandbox", "--password-store=basic", "--no-first-run",
         "--disable-background-networking", "--user-data-dir=" + userData, "--dump-dom", page},
        environment, kBrowserTimeout));
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
