#include "Startup.h"

#include <QProcess>

#include <cstdio>
#include <stdexcept>

#include "Measure.h"

namespace {

// A window that is never painted would leave the benchmark waiting for ever.
constexpr int kGiveUpAfterMs = 120'000;

double PeakMiBReported(const QByteArray& output) {
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').value(0).toDouble() / 1024;
    }
    throw std::runtime_error("the start-up probe did not report its peak memory");
}

}  // namespace

StartupRun RunStartup(const QString& dataHome) {
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", dataHome);
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    const Stopwatch watch;
    probe.start(ORVALLA_STARTUP_PROBE, {});
    const bool ended = probe.waitForFinished(kGiveUpAfterMs);
    StartupRun run;
    run.ms = watch.ElapsedMs();
    if (!ended || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        throw std::runtime_error(
            "the start-up probe did not end well: " + probe.errorString().toStdString() +
            ", exit code " + std::to_string(probe.exitCode()));
    run.peakMiB = PeakMiBReported(probe.readAllStandardOutput());
    return run;
}

void MeasureStartupAgainst(const std::string& name, const std::function<StartupRun()>& start,
                           double floors, const QString& emptyDataHome, int runs, double target) {
    Samples samples;
    std::vector<double> peakMiB;
    for (int run = 0; run < runs; ++run) {
        const StartupRun started = start();
        samples.program.push_back(started.ms);
        peakMiB.push_back(started.peakMiB);
        samples.floor.push_back(floors + RunStartup(emptyDataHome).ms);
    }
    Print(FiguresLine(name, samples, target));
    char line[100];
    std::snprintf(line, sizeof line, "-peak-memory: %.1f MiB", Median(peakMiB));
    Print(name + line);
}
