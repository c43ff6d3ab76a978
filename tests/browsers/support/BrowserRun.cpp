#include "BrowserRun.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>

#include <signal.h>
#include <unistd.h>

QProcessEnvironment BrowserEnvironment(const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/.config");
    environment.insert("XDG_DATA_HOME", home + "/.local/share");
    environment.insert("XDG_CACHE_HOME", home + "/.cache");
    environment.insert("MOZ_CRASHREPORTER_DISABLE", "1");
    return environment;
}

std::uint64_t FileTimeNow() {
    constexpr qint64 kMsecsFrom1601To1970 = 11644473600000LL;
    return static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch() + kMsecsFrom1601To1970) *
           10000;
}

QString FindBrowser(const QString& name) {
    return QStandardPaths::findExecutable(name);
}

bool EveryBrowserRequired() {
    return qEnvironmentVariableIntValue("ORVALLA_ALL_BROWSERS") == 1;
}

void RunEventLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

BrowserRun::BrowserRun(const QString& program, const QStringList& arguments,
                       const QProcessEnvironment& environment) {
    process_.setProgram(program);
    process_.setArguments(arguments);
    process_.setProcessEnvironment(environment);
    // A group of its own, so that its helper processes end with it.
    process_.setChildProcessModifier([] { setsid(); });
    process_.start();
    if (process_.waitForStarted())
        pid_ = process_.processId();
}

BrowserRun::~BrowserRun() {
    if (Running()) {
        Signal(SIGKILL);
        process_.waitForFinished(5000);
    }
}

void BrowserRun::Signal(int signal) const {
    if (pid_ > 0)
        ::kill(-static_cast<pid_t>(pid_), signal);
}

bool BrowserRun::Wait(std::chrono::milliseconds timeout) {
    if (!Running())
        return pid_ > 0;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&process_, &QProcess::finished, &loop, &QEventLoop::quit);
    timer.start(timeout);
    loop.exec();
    if (!Running())
        return true;
    Signal(SIGKILL);
    process_.waitForFinished(5000);
    return false;
}

bool BrowserRun::Stop(std::chrono::milliseconds timeout) {
    Signal(SIGTERM);
    return Wait(timeout);
}

int BrowserRun::ExitCode() const {
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QByteArray BrowserRun::Output() {
    output_ += process_.readAllStandardOutput();
    return output_;
}

QByteArray BrowserRun::Errors() {
    errors_ += process_.readAllStandardError();
    return errors_;
}

QString RunBrowser(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment, std::chrono::milliseconds timeout,
                   QByteArray* output) {
    BrowserRun run(program, arguments, environment);
    if (run.Pid() <= 0)
        return QStringLiteral("%1 did not start").arg(program);
    const bool ended = run.Wait(timeout);
    if (output)
        *output = run.Output();
    const QString printed = QString::fromLocal8Bit(run.Errors().right(4000));
    const QString command = program + ' ' + arguments.join(' ');
    if (!ended)
        return QStringLiteral("%1 did not end within %2 ms:\n%3")
            .arg(command)
            .arg(timeout.count())
            .arg(printed);
    if (run.ExitCode() != 0)
        return QStringLiteral("%1 exited with %2:\n%3")
            .arg(command)
            .arg(run.ExitCode())
            .arg(printed);
    return {};
}
