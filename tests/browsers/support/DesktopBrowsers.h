// Browsers that need a desktop: GNOME Web, luakit, Falkon and qutebrowser
// run on an X display and a session bus of the test program's own, each as
// one long-lived instance that more pages are opened in and that its user
// then quits, so that it writes its cookies and history as it does for them.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <optional>

#include "BrowserRun.h"
#include "PageServer.h"
#include "TempDataDir.h"

// An Xvfb display (one of :71 to :79) and a session bus that starts no
// service, for the whole test program. While it lives DISPLAY and
// DBUS_SESSION_BUS_ADDRESS point at them here too, so that the code under
// test asks the browsers' bus which of them runs.
class DesktopSession {
public:
    DesktopSession();  // throws std::runtime_error when either does not start
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // BrowserEnvironment(home) on this display and bus, with a runtime folder
    // in `home` and no sandbox, GPU or accessibility bus.
    QProcessEnvironment Environment(const QString& home) const;
    // Whether a client owns `name` on the bus.
    bool Owns(const QString& name) const;

private:
    QTemporaryDir dir_;
    QString display_;
    QString bus_;
    std::unique_ptr<BrowserRun> xvfb_;
    std::unique_ptr<BrowserRun> daemon_;
    std::optional<ScopedEnv> displayEnv_;
    std::optional<ScopedEnv> busEnv_;
};

enum class Desktop { GnomeWeb, Luakit, Falkon, Qutebrowser };

// The browser's full path, "" when it is not installed.
QString DesktopProgram(Desktop desktop);

// One run of a desktop browser on a temporary home, started on a page; it
// runs until Quit() or its destruction, which kills what is left of it.
class DesktopBrowser {
public:
    DesktopBrowser(Desktop desktop, const DesktopSession& session, const QString& home,
                   PageServer& server, const QString& url);
    DesktopBrowser(const DesktopBrowser&) = delete;
    DesktopBrowser& operator=(const DesktopBrowser&) = delete;

    // Opens `url` in the running instance; true once the server has answered
    // it and the browser had time to record the visit with its title.
    bool Open(const QString& url);
    // Ends it as its user does; true once it has ended by itself, its files
    // written.
    bool Quit();

    bool Running() const { return run_ && run_->Running(); }
    // What went wrong first, "" while all went well.
    const QString& Failure() const { return failure_; }

private:
    bool Fail(const QString& what);
    bool Loaded(const QString& url, std::size_t seen);

    const Desktop desktop_;
    const QString program_;
    const QProcessEnvironment environment_;
    PageServer& server_;
    std::unique_ptr<BrowserRun> run_;
    QString failure_;
};
