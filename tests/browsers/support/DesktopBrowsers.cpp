#include "DesktopBrowsers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PlatformStores.h"
#include "platform/sources.h"

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::seconds kStartBound = 30s;
constexpr std::chrono::seconds kEffectBound = 60s;
// How often GNOME Web visits a page until its history keeps the title.
constexpr int kGnomeWebVisits = 5;

QString Seconds(std::chrono::seconds bound) {
    return QString::number(bound.count()) + " s";
}

// Runs the event loop (the PageServer answers meanwhile) until `done` or
// `timeout`; whether it is done.
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

// Calls `method` with `arguments` (GVariant text) on the session bus and
// waits for the answer, which `reply` takes; a failure message, "" when
// answered.
QString BusCall(const QString& service, const QString& path, const QString& method,
                const QStringList& arguments = {}, QByteArray* reply = nullptr) {
    return RunBrowser("gdbus",
                      QStringList{"call", "--session", "--dest", service, "--object-path", path,
                                  "--method", method} +
                          arguments,
                      QProcessEnvironment::systemEnvironment(), 10s, reply);
}

bool BusNameOwned(const QString& name) {
    QByteArray reply;
    return BusCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                   "org.freedesktop.DBus.NameHasOwner", {'\'' + name + '\''}, &reply)
               .isEmpty() &&
           reply.contains("true");
}

// Presses `keys` (xdotool's names) in the browser's focused window, as its
// user does: through XTEST, as if typed on the keyboard (events sent to a
// window are marked as sent, and a toolkit may ignore them).
QString PressKeys(const QString& windowClass, const QStringList& keys,
                  const QProcessEnvironment& environment) {
    const QString focused = RunBrowser(
        "xdotool",
        {"search", "--sync", "--onlyvisible", "--class", windowClass, "windowfocus", "--sync"},
        environment, 10s);
    return focused.isEmpty() ? RunBrowser("xdotool", QStringList{"key"} + keys, environment, 10s)
                             : focused;
}

// The name its running instance owns on the session bus, which a second
// instance hands its pages to (and then exits); "" when none.
QString BusName(Desktop desktop) {
    switch (desktop) {
        case Desktop::GnomeWeb:
            return "org.gnome.Epiphany";
        case Desktop::Luakit:
            return "org.luakit";
        case Desktop::Konqueror:
            return "org.kde.konqueror";
        case Desktop::Falkon:
        case Desktop::Qutebrowser:
            break;
    }
    return {};
}

// Waits until the bus has let go of `name`, which an ended process may
// still own for a moment: a browser started before then would take itself
// for a second instance.
bool BusNameFreed(const QString& name, std::chrono::milliseconds timeout) {
    return name.isEmpty() || WaitUntil([&] { return !BusNameOwned(name); }, timeout);
}

// Waits until no browser found runs as Orvalla tells it: a helper process
// of one that ended (WebKit's network process) may hold its stores a moment
// longer. A browser that cannot be told, Konqueror, is not waited for.
bool StoresLetGo(std::chrono::milliseconds timeout) {
    return WaitUntil(
        [] {
            const std::vector<BrowserSource> browsers = FindSources().browsers;
            return std::none_of(browsers.begin(), browsers.end(), [](const BrowserSource& source) {
                return source.running.value_or(false);
            });
        },
        timeout);
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
                               const DesktopVisit& first)
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
        if (!WaitUntil([&] { return BusNameOwned("org.kde.kded5") || !kded_->Running(); },
                       kStartBound) ||
            !BusCall("org.kde.kded5", "/kded", "org.kde.kded5.loadModule", {"'kcookiejar'"})
                 .isEmpty() ||
            !WaitUntil([] { return BusNameOwned("org.kde.kcookiejar5"); }, kStartBound)) {
            Fail("found no kded5 cookie jar within " + Seconds(kStartBound));
            return;
        }
    }
    // GNOME Web records no visit of the page it is started on in a new
    // profile, only of those opened in it later.
    if (desktop == Desktop::GnomeWeb) {
        run_ = std::make_unique<BrowserRun>(program_, QStringList{"about:blank"}, environment_);
        if (!WaitUntil([&] { return BusNameOwned(BusName(desktop)) || !Running(); }, kStartBound) ||
            !Running())
            Fail("did not own " + BusName(desktop) + " on the bus within " + Seconds(kStartBound));
        else
            Open(first);
        return;
    }
    const std::size_t seen = server_.Requests().size();
    run_ = std::make_unique<BrowserRun>(program_, QStringList{first.url}, environment_);
    Loaded(first, seen);
}

bool DesktopBrowser::Open(const DesktopVisit& visit) {
    const std::size_t seen = server_.Requests().size();
    const QString failure = Hand(visit.url);
    return failure.isEmpty() ? Loaded(visit, seen) : Fail(failure);
}

QString DesktopBrowser::Hand(const QString& url) {
    // luakit's second instance hands the page over the bus and exits
    // without waiting for it to arrive; the call itself waits.
    if (desktop_ == Desktop::Luakit)
        return BusCall(BusName(desktop_), "/org/luakit", "org.gtk.Actions.Activate",
                       {"'message'", "@av [<'tabopen " + url + "'>]", "@a{sv} {}"});
    return RunBrowser(program_, {url}, environment_, kStartBound);
}

bool DesktopBrowser::Answered(const QString& url, std::size_t seen) {
    const QUrl page(url);
    const QString host = QStringLiteral("%1:%2").arg(page.host()).arg(page.port());
    const auto requested = [&] {
        const auto& requests = server_.Requests();
        for (std::size_t i = seen; i < requests.size(); ++i) {
            if (requests[i].host == host && requests[i].path == page.path())
                return true;
        }
        return false;
    };
    return (WaitUntil([&] { return requested() || !Running() || SandboxRefused(); },
                      kEffectBound) &&
            requested()) ||
           Fail("did not load " + url + " within " + Seconds(kEffectBound));
}

bool DesktopBrowser::Loaded(const DesktopVisit& visit, std::size_t seen) {
    if (!Answered(visit.url, seen))
        return false;
    // The title follows the page, and the history row takes it later still.
    const std::string url = (visit.recorded.isEmpty() ? visit.url : visit.recorded).toStdString();
    const std::string title = visit.title.toStdString();
    std::optional<HistoryPage> listed;
    const auto recorded = [&] {
        HRESULT end;
        const auto pages = ListHistory(&end);
        if (const auto found = pages.find(url); found != pages.end())
            listed = found->second;
        return listed && (title.empty() || listed->title == title);
    };
    // GNOME Web's history takes a page's title before the visit queued with
    // it, and a visit sets the title to the address: when its history thread
    // lags (on a busy machine), the title is lost, and a later visit may
    // record it. Its user's next visits are each a new chance.
    const bool titleMayBeLost = desktop_ == Desktop::GnomeWeb && !title.empty();
    std::uint64_t lastVisit = 0;
    const auto visitListed = [&] { return listed && listed->visited > lastVisit; };
    for (int visits = 1;; ++visits) {
        WaitUntil([&] { return recorded() || (titleMayBeLost && visitListed()) || !Running(); },
                  kEffectBound);
        if (recorded() || !titleMayBeLost || !visitListed() || !Running() ||
            visits == kGnomeWebVisits)
            break;
        // It keeps visit times in seconds: the next visit shows by a later one.
        lastVisit = listed->visited;
        WaitUntil([&] { return FileTimeNow() / kSecond > lastVisit / kSecond; }, 2s);
        seen = server_.Requests().size();
        const QString failure = Hand(visit.url);
        if (!failure.isEmpty())
            return Fail(failure);
        if (!Answered(visit.url, seen))
            return false;
    }
    if (!recorded())
        return Fail(
            QStringLiteral("did not record %1%2 in its history within %3 of its visit (%4)")
                .arg(QString::fromStdString(url),
                     title.empty() ? QString() : " with the title \"" + visit.title + '"',
                     Seconds(kEffectBound),
                     listed ? "it lists the title \"" + QString::fromStdString(listed->title) + '"'
                            : QStringLiteral("it lists no such page")));
    return true;
}

QString DesktopBrowser::AskToQuit() {
    switch (desktop_) {
        case Desktop::GnomeWeb:  // the application's own quit action
            return BusCall(BusName(desktop_), "/org/gnome/Epiphany", "org.gtk.Actions.Activate",
                           {"'quit'", "@av []", "@a{sv} {}"});
        case Desktop::Luakit:  // its command to close the last window
            return PressKeys("luakit", {"colon", "q", "Return"}, environment_);
        case Desktop::Falkon:
            return PressKeys("falkon", {"ctrl+q"}, environment_);
        case Desktop::Qutebrowser:  // handed to the running instance
            return RunBrowser(program_, {":quit"}, environment_, kStartBound);
        case Desktop::Konqueror:
            return BusCall(BusName(desktop_), "/MainApplication",
                           "org.qtproject.Qt.QCoreApplication.quit");
    }
    return "has no way to quit";
}

bool DesktopBrowser::Quit() {
    if (!Running())
        return Fail("was not running to quit");
    const QString failure = AskToQuit();
    if (!failure.isEmpty())
        return Fail("could not be asked to quit: " + failure);
    if (!run_->Wait(kEffectBound))
        return Fail("did not end within " + Seconds(kEffectBound) + " of being asked to quit");
    if (run_->ExitCode() != 0)
        return Fail(QStringLiteral("ended with %1 when asked to quit").arg(run_->ExitCode()));
    if (!BusNameFreed(BusName(desktop_), kStartBound))
        return Fail("ended, but " + BusName(desktop_) + " stayed on the bus for " +
                    Seconds(kStartBound));
    if (!StoresLetGo(kEffectBound))
        return Fail("ended, but a process of it still held its stores " + Seconds(kEffectBound) +
                    " later");
    // kded5 writes the cookies 3 minutes after a change, or when it quits,
    // but not on SIGTERM.
    if (kded_ && (!BusCall("org.kde.kded5", "/kded", "org.kde.kded5.quit").isEmpty() ||
                  !kded_->Wait(kEffectBound) || !BusNameFreed("org.kde.kded5", kStartBound)))
        return Fail("left kded5 running " + Seconds(kEffectBound) + " after asking it to quit");
    return true;
}

bool DesktopBrowser::SandboxRefused() {
    // What bubblewrap, WebKitGTK's sandbox, says when it cannot set up.
    return run_ && run_->Errors().contains("bwrap: ");
}

bool DesktopBrowser::SandboxMissing() {
    return !failure_.isEmpty() && SandboxRefused();
}

bool DesktopBrowser::Fail(const QString& what) {
    if (failure_.isEmpty()) {
        failure_ = QFileInfo(program_).fileName() + ' ' + what;
        if (run_)
            failure_ += ":\n" + QString::fromLocal8Bit(run_->Errors().right(2000));
    }
    return false;
}
