#include "BrowserRun.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

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

bool RunEventLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using namespace std::chrono_literals;
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        const std::chrono::milliseconds left(timeout.count() - waited.elapsed());
        if (left <= 0ms)
            return false;
        RunEventLoop(std::min<std::chrono::milliseconds>(left, 50ms));
    }
    return true;
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
    if (Running())
        Kill(std::chrono::seconds(5));
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
    Kill(std::chrono::seconds(5));
    return false;
}

bool BrowserRun::Stop(std::chrono::milliseconds timeout) {
    Signal(SIGTERM);
    return Wait(timeout);
}

bool BrowserRun::Kill(std::chrono::milliseconds timeout) {
    Signal(SIGKILL);
    return process_.waitForFinished(static_cast<int>(timeout.count())) || !Running();
}

QString BrowserRun::RunToEnd(std::chrono::milliseconds timeout) {
    if (pid_ <= 0)
        return Failure("did not start (" + process_.errorString() + ")");
    if (!Wait(timeout))
        return Failure(QStringLiteral("did not end within %1 s").arg(timeout.count() / 1000.0));
    if (ExitCode() != 0)
        return Failure(QStringLiteral("exited with %1").arg(ExitCode()));
    return {};
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

QString BrowserRun::Failure(const QString& what) {
    const QString command = process_.program() + ' ' + process_.arguments().join(' ');
    const QByteArray printed = (Errors().right(3000) + '\n' + Output().right(1000)).trimmed();
    return command + ' ' + what +
           (printed.isEmpty() ? QStringLiteral("; it printed nothing")
                              : "; it printed:\n" + QString::fromLocal8Bit(printed));
}

QString RunBrowser(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment, std::chrono::milliseconds timeout,
                   QByteArray* output) {
    BrowserRun run(program, arguments, environment);
    const QString failure = run.RunToEnd(timeout);
    if (output)
        *output = run.Output();
    return failure;
}
