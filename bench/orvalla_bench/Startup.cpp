#include "Startup.h"

#include <QProcess>

#include <cstdio>
#include <stdexcept>
#include <vector>

// A window that is never painted would leave the benchmark waiting for ever.
constexpr int kGiveUpAfterMs = 120'000;

StartupRun RunStartup(const QString& dataHome) {
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", dataHome);
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    bool ended = false;
    StartupRun run;
    run.ms = Timed([&] {
        probe.start(ORVALLA_STARTUP_PROBE, {});
        ended = probe.waitForFinished(kGiveUpAfterMs);
    });
    if (!ended || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        throw std::runtime_error(
            "the start-up probe did not end well: " + probe.errorString().toStdString() +
            ", exit code " + std::to_string(probe.exitCode()));
    const QByteArray output = probe.readAllStandardOutput();
    const qsizetype peak = output.indexOf("VmHWM:");
    Require(peak >= 0, "the start-up probe reports its peak memory");
    run.peakMiB = output.mid(peak + 6).simplified().split(' ').value(0).toDouble() / 1024;
    return run;
}

void MeasureStartup(const Bench& bench, const std::string& name, double target,
                    const std::function<StartupRun()>& start, const QString& emptyDataHome,
                    const Run& floors) {
    std::vector<double> peakMiB;
    std::vector<double> emptyPeakMiB;
    const auto started = [](const StartupRun& run, std::vector<double>& peaks) {
        peaks.push_back(run.peakMiB);
        return run.ms;
    };
    bench.Measure([&] { return started(start(), peakMiB); }, nullptr,
                  {{name, target, [&](const Shown&) {
                        return started(RunStartup(emptyDataHome), emptyPeakMiB) +
                               (floors ? floors() : 0);
                    }}});
    if (peakMiB.empty())
        return;
    char line[200];
    std::snprintf(line, sizeof line, "%s-peak-memory: %.1f MiB, with empty stores %.1f MiB",
                  name.c_str(), Median(peakMiB), Median(emptyPeakMiB));
    Print(line);
}
