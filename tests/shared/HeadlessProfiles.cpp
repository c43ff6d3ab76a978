#include "HeadlessProfiles.h"

#include <QDir>
#include <QFile>

#include "BrowserRun.h"

namespace {

// Where this version keeps its profiles: the config folder, or the older
// ~/.mozilla. "" when neither holds the one made.
QString FirefoxFolder(const QString& home) {
    for (const QString& root : {home + "/.config/mozilla/firefox", home + "/.mozilla/firefox"}) {
        const QStringList found = QDir(root).entryList({"*.default-esr"}, QDir::Dirs);
        if (found.size() == 1)
            return root + "/" + found.front();
    }
    return {};
}

QByteArray UserJs(const FirefoxPrefs& morePrefs) {
    FirefoxPrefs prefs = {{"dom.allow_scripts_to_close_windows", "true"},
                          {"datareporting.policy.firstRunURL", "\"\""},
                          {"browser.startup.homepage_override.mstone", "\"ignore\""},
                          {"startup.homepage_welcome_url", "\"\""},
                          {"startup.homepage_welcome_url.additional", "\"\""},
                          {"browser.pagethumbnails.capturing_disabled", "true"}};
    prefs.insert(prefs.end(), morePrefs.begin(), morePrefs.end());
    QByteArray text;
    for (const auto& [name, value] : prefs)
        text += "user_pref(\"" + name + "\", " + value + ");\n";
    return text;
}

}  // namespace

QString FindFirefox() {
    const QString firefox = FindBrowser("firefox-esr");
    return firefox.isEmpty() ? FindBrowser("firefox") : firefox;
}

QString FindChromium() {
    return FindBrowser("chromium");
}

QString MakeFirefoxProfile(const QString& home, const FirefoxPrefs& morePrefs, QString& folder) {
    if (FindFirefox().isEmpty())
        return "firefox-esr is not installed";
    BrowserRun run(FindFirefox(), {"--headless", "-CreateProfile", "default-esr"},
                   BrowserEnvironment(home));
    if (QString failure = run.RunToEnd(kHeadlessRunLimit); !failure.isEmpty())
        return failure;
    folder = FirefoxFolder(home);
    if (folder.isEmpty())
        return run.Failure("ended but made no profile folder in " + home);
    QFile userJs(folder + "/user.js");
    const QByteArray text = UserJs(morePrefs);
    if (!userJs.open(QIODevice::WriteOnly) || userJs.write(text) != text.size())
        return "cannot write " + userJs.fileName() + ": " + userJs.errorString();
    return {};
}

QString RunFirefox(const QString& home, const QString& folder, const QString& url) {
    if (FindFirefox().isEmpty())
        return "firefox-esr is not installed";
    return RunBrowser(FindFirefox(), {"--headless", "-profile", folder, url},
                      BrowserEnvironment(home), kHeadlessRunLimit);
}

QString ChromiumUserData(const QString& home) {
    return home + "/.config/chromium";
}

QStringList ChromiumArguments(const QString& home, const QString& url) {
    return {"--headless=new",
            "--no-sandbox",
            "--password-store=basic",
            "--no-first-run",
            "--disable-background-networking",
            "--disable-component-update",
            "--user-data-dir=" + ChromiumUserData(home),
            url};
}

QString RunChromium(const QString& home, const QString& url) {
    if (FindChromium().isEmpty())
        return "chromium is not installed";
    // Printing the page ends the run once it has loaded.
    return RunBrowser(FindChromium(), QStringList{"--dump-dom"} + ChromiumArguments(home, url),
                      BrowserEnvironment(home), kHeadlessRunLimit);
}
