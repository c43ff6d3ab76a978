// Runs a real browser for a test: its own process group, an environment
// whose HOME and XDG folders lie in the test's temporary directory, and a
// bounded wait during which Qt's event loop keeps running (the PageServer
// answers from it).
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>

// HOME=home, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_CACHE_HOME below it, and
// MOZ_CRASHREPORTER_DISABLE=1, on top of the test's own environment.
QProcessEnvironment BrowserEnvironment(const QString& home);

// Runs Qt's event loop for `duration` (the PageServer answers meanwhile)
// while a browser keeps running.
void RunEventLoop(std::chrono::milliseconds duration);

// Runs Qt's event loop until `done` holds, asking it every 50 ms, or until
// `timeout` passes; whether it holds.
bool RunEventLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// FILETIME ticks now (universal), to bracket the times a browser run
// writes.
std::uint64_t FileTimeNow();
constexpr std::uint64_t kSecond = 10000000;  // FILETIME ticks

// The browser's full path, "" when it is not installed.
QString FindBrowser(const QString& name);

// Whether this run asks for every browser (ORVALLA_ALL_BROWSERS=1, as CI
// sets): a browser that cannot start where it runs, for want of what its
// sandbox needs, then fails its test instead of skipping it.
bool EveryBrowserRequired();

class BrowserRun {
public:
    BrowserRun(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment);
    // Kills the browser's whole process group if it still runs.
    ~BrowserRun();
    BrowserRun(const BrowserRun&) = delete;
    BrowserRun& operator=(const BrowserRun&) = delete;

    // Runs the event loop until the browser ends or `timeout` passes; on
    // timeout kills its process group. True when it ended by itself.
    bool Wait(std::chrono::milliseconds timeout);
    // Asks the browser to end (SIGTERM to its process group), as a user's
    // closing does, and waits; kills it after `timeout`. True when it ended
    // by itself.
    bool Stop(std::chrono::milliseconds timeout);
    // Kills its process group outright, as a crash would end it, and waits
    // up to `timeout`; true when it has ended.
    bool Kill(std::chrono::milliseconds timeout);
    // Waits as Wait does; "" when the browser ended by itself with exit code
    // 0, else a Failure saying which of that did not happen.
    QString RunToEnd(std::chrono::milliseconds timeout);

    bool Running() const { return process_.state() != QProcess::NotRunning; }
    qint64 Pid() const { return pid_; }
    // Meaningful once it has ended: 0 after a normal exit.
    int ExitCode() const;
    // Everything it wrote so far to stdout, and to stderr.
    QByteArray Output();
    QByteArray Errors();
    // A failure message: the browser's command, `what` did not happen, and
    // the end of what it printed.
    QString Failure(const QString& what);

private:
    void Signal(int signal) const;

    QProcess process_;
    qint64 pid_ = 0;
    QByteArray output_;
    QByteArray errors_;
};

// Runs the browser to its end; RunToEnd's failure message, "" when it ran
// well. `output` receives what it printed (a --dump-dom page).
QString RunBrowser(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment, std::chrono::milliseconds timeout,
                   QByteArray* output = nullptr);
