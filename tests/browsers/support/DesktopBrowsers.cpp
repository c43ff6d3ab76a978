#include "DesktopBrowsers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <functional>

using namespace std::chrono_literals;

namespace {

// Runs the event loop until `done` or `timeout`; whether it is done.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count())
            return false;
        RunEventLoop(100ms);
    }
    return true;
}

// Calls `method` on the session bus and waits for the answer, which `reply`
// takes; a failure message, "" when answered.
QString BusCall(const QString& service, const QString& path, const QString& method,
                const QStringList& arguments = {}, QByteArray* reply = nullptr) {
    return RunBrowser(
        "dbus-send",
        QStringList{"--session", "--print-reply", "--dest=" + service, path, method} + arguments,
        QProcessEnvironment::systemEnvironment(), 10s, reply);
}

bool BusNameOwned(const QString& name) {
    QByteArray reply;
    return BusCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                   "org.freedesktop.DBus.NameHasOwner", {"string:" + name}, &reply)
               .isEmpty() &&
           reply.contains("boolean true");
}

bool WriteText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// Each browser's settings, written before it starts: it shows no first-run
// or restored pages, fetches no block lists and asks nothing on quitting.
void Prepare(Desktop desktop, const QString& home) {
    switch (desktop) {
        case Desktop::GnomeWeb:  // read through GSETTINGS_BACKEND=keyfile
            // (An empty content-filters list would hold every page load back.)
            WriteText(
                home + "/.config/glib-2.0/settings/keyfile",
                "[org/gnome/epiphany]\nrestore-session-policy='never'\n"
                "[org/gnome/epiphany/web]\nenable-adblock=false\nenable-safe-browsing=false\n");
            break;
        case Desktop::Luakit:  // a session left by a killed run would be reopened
            for (const char* name : {"/session", "/recovery_session"})
                QFile::remove(home + "/.local/share/luakit" + name);
            break;
        case Desktop::Falkon: {
            QSettings settings(home + "/.config/falkon/profiles/default/settings.ini",
                               QSettings::IniFormat);
            settings.setValue("Web-URL-Settings/afterLaunch", 0);  // a blank page
            settings.setValue("Browser-Tabs-Settings/AskOnClosing", false);
            settings.setValue("AdBlock/enabled", false);
            settings.setValue("Web-Browser-Settings/CheckUpdates", false);
            settings.setValue("SessionRestore/isRunning", false);  // no crash page
            break;
        }
        case Desktop::Qutebrowser:
            WriteText(home + "/.config/qutebrowser/config.py",
                      "config.load_autoconfig(False)\nc.confirm_quit = ['never']\n"
                      "c.url.start_pages = ['about:blank']\nc.url.default_page = 'about:blank'\n"
                      "c.content.blocking.enabled = False\nc.content.dns_prefetch = False\n"
                      "c.auto_save.session = False\nc.changelog_after_upgrade = 'never'\n");
            QFile::remove(home +
                          "/.local/share/qutebrowser/sessions/_autosave.yml");  // as luakit's
            if (!QFile::exists(home + "/.local/share/qutebrowser/state"))
                WriteText(home + "/.local/share/qutebrowser/state",
                          "[general]\nquickstart-done = 1\nsession-warning-shown = 1\n");
            break;
        case Desktop::Konqueror:  // no hidden instance left running after it quits
            WriteText(home + "/.config/konquerorrc", "[Reusing]\nAlwaysHavePreloaded=false\n");
            // A killed run's windows would be offered back in a dialog.
            QDir(home + "/.local/share/konqueror/autosave").removeRecursively();
            break;
    }
}

}  // namespace

QProcessEnvironment DesktopEnvironment(const QString& home) {
    QProcessEnvironment environment = BrowserEnvironment(home);
    const QString runtime = home + "/.run";
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto& [name, value] : std::initializer_list<std::pair<QString, QString>>{
             {"XDG_RUNTIME_DIR", runtime},
             {"QT_QPA_PLATFORM", "xcb"},
             {"GDK_BACKEND", "x11"},
             {"GSETTINGS_BACKEND", "keyfile"},
             {"NO_AT_BRIDGE", "1"},
             {"QTWEBENGINE_DISABLE_SANDBOX", "1"},  // it refuses to run as root otherwise
             {"QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu"},
             {"LIBGL_ALWAYS_SOFTWARE", "1"}})
        environment.insert(name, value);
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("SESSION_MANAGER");
    return environment;
}

QString DesktopProgram(Desktop desktop) {
    static const char* const names[] = {"epiphany", "luakit", "falkon", "qutebrowser", "konqueror"};
    return FindBrowser(names[static_cast<int>(desktop)]);
}

DesktopBrowser::DesktopBrowser(Desktop desktop, const QString& home, PageServer& server,
                               const QString& url)
    : desktop_(desktop),
      program_(DesktopProgram(desktop)),
      environment_(DesktopEnvironment(home)),
      server_(server) {
    if (program_.isEmpty()) {
        Fail("not installed");
        return;
    }
    Prepare(desktop, home);
    // Konqueror hands its cookies to kded5, which our bus does not start.
    if (desktop == Desktop::Konqueror) {
        kded_ = std::make_unique<BrowserRun>(FindBrowser("kded5"), QStringList{}, environment_);
        if (!WaitUntil([&] { return BusNameOwned("org.kde.kded5") || !kded_->Running(); }, 30s) ||
            !BusCall("org.kde.kded5", "/kded", "org.kde.kded5.loadModule", {"string:kcookiejar"})
                 .isEmpty() ||
            !WaitUntil([] { return BusNameOwned("org.kde.kcookiejar5"); }, 10s)) {
            Fail("found no kded5 cookie jar");
            return;
        }
    }
    // GNOME Web records no visit of the page it is started on in a new
    // profile, only of those opened in it later.
    if (desktop == Desktop::GnomeWeb) {
        run_ = std::make_unique<BrowserRun>(program_, QStringList{"about:blank"}, environment_);
        if (!WaitUntil([&] { return BusNameOwned("org.gnome.Epiphany") || !Running(); }, 30s))
            Fail("did not own org.gnome.Epiphany");
        else
            Open(url);
        return;
    }
    const std::size_t seen = server_.Requests().size();
    run_ = std::make_unique<BrowserRun>(program_, QStringList{url}, environment_);
    Loaded(url, seen);
}

bool DesktopBrowser::Open(const QString& url) {
    const std::size_t seen = server_.Requests().size();
    const QString failure = RunBrowser(program_, {url}, environment_, 30s);
    return failure.isEmpty() ? Loaded(url, seen) : Fail(failure);
}

bool DesktopBrowser::Loaded(const QString& url, std::size_t seen) {
    const QUrl page(url);
    const QString host = QStringLiteral("%1:%2").arg(page.host()).arg(page.port());
    const auto requested = [&](const QString& path) {
        const auto& requests = server_.Requests();
        for (std::size_t i = seen; i < requests.size(); ++i) {
            if (requests[i].host == host && requests[i].path == path)
                return true;
        }
        return !Running();
    };
    if (!WaitUntil([&] { return requested(page.path()); }, 60s) || !Running())
        return Fail("did not load " + url);
    // GNOME Web asks for the site's icon once it has read the page and its
    // title; on a busy machine that has taken more than four seconds.
    if (desktop_ == Desktop::GnomeWeb)
        WaitUntil([&] { return requested("/favicon.ico"); }, 30s);
    // The title, and with it the history row, follow.
    RunEventLoop(4s);
    return true;
}

bool DesktopBrowser::Quit() {
    if (!Running())
        return Fail("was not running to quit");
    if (desktop_ == Desktop::GnomeWeb || desktop_ == Desktop::Luakit)
        return run_->Stop(30s) || Fail("did not end on SIGTERM within 30 s");
    // Falkon loses the cookies of the last half minute on SIGTERM.
    const QString failure =
        desktop_ == Desktop::Falkon      ? RunBrowser("xdotool",
                                                      {"search", "--onlyvisible", "--class", "falkon",
                                                       "windowfocus", "--sync", "key", "ctrl+q"},
                                                      environment_, 10s)
        : desktop_ == Desktop::Konqueror ? BusCall("org.kde.konqueror", "/MainApplication",
                                                   "org.qtproject.Qt.QCoreApplication.quit")
                                         : RunBrowser(program_, {":quit"}, environment_, 30s);
    if (!failure.isEmpty())
        return Fail(failure);
    if (!run_->Wait(30s))
        return Fail("did not quit within 30 s");
    // kded5 writes the cookies 3 minutes after a change, or when it quits,
    // but not on SIGTERM.
    return !kded_ ||
           (BusCall("org.kde.kded5", "/kded", "org.kde.kded5.quit").isEmpty() &&
            kded_->Wait(30s)) ||
           Fail("kded5 did not quit within 30 s");
}

bool DesktopBrowser::Fail(const QString& what) {
    if (failure_.isEmpty()) {
        failure_ = QFileInfo(program_).fileName() + ' ' + what;
        if (run_)
            failure_ += ":\n" + QString::fromLocal8Bit(run_->Errors().right(2000));
    }
    return false;
}
