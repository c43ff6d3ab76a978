// Browsers that need a desktop: GNOME Web, luakit, Falkon, qutebrowser and
// Konqueror run on the test program's X display and session bus, each as one
// long-lived instance that more pages are opened in and that its user
// then quits, so that it writes its cookies and history as it does for them.
// Every wait is for an effect (the server answered, the history lists the
// page's title, the process ended), bounded, and its failure says which.
#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <memory>

#include "BrowserRun.h"
#include "PageServer.h"

// BrowserEnvironment(home) on the display and the session bus the test
// program runs on (CTest starts it under xvfb-run and a bus that starts no
// service), with a runtime folder in `home` and no QtWebEngine sandbox, GPU
// or accessibility bus.
QProcessEnvironment DesktopEnvironment(const QString& home);

enum class Desktop { GnomeWeb, Luakit, Falkon, Qutebrowser, Konqueror };

// The browser's full path, "" when it is not installed.
QString DesktopProgram(Desktop desktop);

// A page to open, and how the browser's history is to record it: the page
// a redirect leads to (`url` itself when "") under that page's title (any
// when "").
struct DesktopVisit {
    QString url;
    QString title;
    QString recorded = {};
};

// One run of a desktop browser on a temporary home, started on a page; it
// runs until Quit() or its destruction, which kills what is left of it.
class DesktopBrowser {
public:
    DesktopBrowser(Desktop desktop, const QString& home, PageServer& server,
                   const DesktopVisit& first);
    DesktopBrowser(const DesktopBrowser&) = delete;
    DesktopBrowser& operator=(const DesktopBrowser&) = delete;

    // Opens the page in the running instance; true once the server has
    // answered it and the history, read as Orvalla reads a running browser's
    // files, lists the page under its title.
    bool Open(const DesktopVisit& visit);
    // Ends it as its user does; true once it has ended by itself, its files
    // written and its name on the bus free for its next run.
    bool Quit();

    bool Running() const { return run_ && run_->Running(); }
    // What went wrong first, "" while all went well.
    const QString& Failure() const { return failure_; }
    // Whether it failed because it cannot start where the test runs for want
    // of what its sandbox needs (no real root mount in a chroot, no user
    // namespaces in a container), as its own output says.
    bool SandboxMissing();

private:
    bool Fail(const QString& what);
    // Whether its output says that its sandbox refused to start.
    bool SandboxRefused();
    // Hands `url` to the running instance; a failure message, "" when
    // handed.
    QString Hand(const QString& url);
    // Whether the server answered `url` after its first `seen` requests.
    bool Answered(const QString& url, std::size_t seen);
    bool Loaded(const DesktopVisit& visit, std::size_t seen);
    // Asks it to quit as its user does; a failure message, "" when asked.
    QString AskToQuit();

    const Desktop desktop_;
    const QString program_;
    const QProcessEnvironment environment_;
    PageServer& server_;
    std::unique_ptr<BrowserRun> run_;
    std::unique_ptr<BrowserRun> kded_;  // Konqueror's cookie jar
    QString failure_;
};
