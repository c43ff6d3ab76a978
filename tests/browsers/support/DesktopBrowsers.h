// Browsers that need a desktop: GNOME Web, luakit, Falkon, qutebrowser and
// Konqueror run on the test program's X display and session bus, each as one
// long-lived instance that more pages are opened in and that its user
// then quits, so that it writes its cookies and history as it does for them.
#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <memory>

#include "BrowserRun.h"
#include "PageServer.h"

// BrowserEnvironment(home) on the display and the session bus the test
// program runs on (CTest starts it under xvfb-run and a bus that starts no
// service), with a runtime folder in `home` and no sandbox, GPU or
// accessibility bus.
QProcessEnvironment DesktopEnvironment(const QString& home);

enum class Desktop { GnomeWeb, Luakit, Falkon, Qutebrowser, Konqueror };

// The browser's full path, "" when it is not installed.
QString DesktopProgram(Desktop desktop);

// One run of a desktop browser on a temporary home, started on a page; it
// runs until Quit() or its destruction, which kills what is left of it.
class DesktopBrowser {
public:
    DesktopBrowser(Desktop desktop, const QString& home, PageServer& server, const QString& url);
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
    std::unique_ptr<BrowserRun> kded_;  // Konqueror's cookie jar
    QString failure_;
};
