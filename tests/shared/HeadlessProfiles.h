// Firefox and Chromium profiles made by the installed browsers, run headless
// in a home of their own through a local server's pages with nobody there:
// the settings that let them, shared by the browser tests and the
// benchmarks (so no GoogleTest here).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <utility>
#include <vector>

// A browser's first start in a new profile takes seconds; a hang ends the
// run after this.
inline constexpr std::chrono::seconds kHeadlessRunLimit{90};

// Full paths, "" when not installed: firefox-esr, else firefox; chromium.
QString FindFirefox();
QString FindChromium();

// user.js preferences, each a name and its value as JavaScript.
using FirefoxPrefs = std::vector<std::pair<QByteArray, QByteArray>>;

// Makes the profile "default-esr" in `home` (Firefox's -CreateProfile) and
// writes its user.js: scripts may close the last window, which then ends
// the browser; no first-run page keeps another tab open; no thumbnail is
// fetched behind the pages; then `morePrefs`. `folder` takes the profile's
// folder. "" when made, else a failure message with Firefox's own output.
QString MakeFirefoxProfile(const QString& home, const FirefoxPrefs& morePrefs, QString& folder);

// One run of Firefox on the profile in `folder`, starting at `url` and
// going on as the pages say until one closes its window; RunBrowser's
// failure message, "" when it ended well.
QString RunFirefox(const QString& home, const QString& folder, const QString& url);

// Chromium's user data folder in `home`; its profile is "Default".
QString ChromiumUserData(const QString& home);
// Chromium's arguments for a run in `home` that opens `url` and goes on
// until it is ended.
QStringList ChromiumArguments(const QString& home, const QString& url);
// One run of Chromium that loads `url` and ends; the first run in `home`
// makes its profile. RunBrowser's failure message, "" when it ended well.
QString RunChromium(const QString& home, const QString& url);
