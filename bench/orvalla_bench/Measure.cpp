#include "Measure.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

double Timed(const std::function<void()>& step) {
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    step();
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Progress(const std::string& what) {
    std::fprintf(stderr, "... %s\n", what.c_str());
}

void Require(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error("check failed: " + what);
}

Bench::Bench(int runs, int argc, char* argv[])
    : runs_(runs), names_(argv + std::min(argc, 2), argv + argc) {}

bool Bench::Has(std::initializer_list<std::string_view> names) const {
    return names_.empty() || std::ranges::any_of(names, [this](std::string_view name) {
               return std::ranges::any_of(names_, [name](const std::string& asked) {
                   return asked == name || (asked == "browser" && name.starts_with("browser-"));
               });
           });
}

void Bench::Measure(const Run& program, const std::function<Shown()>& shown,
                    const std::vector<Floor>& floors, const std::function<void()>& reset) const {
    if (std::none_of(floors.begin(), floors.end(),
                     [this](const Floor& f) { return Has({f.name}); }))
        return;
    Progress(floors.front().name);
    std::vector<double> programMs;
    std::vector<std::vector<double>> floorMs(floors.size());
    for (int run = 0; run < runs_; ++run) {
        reset();
        programMs.push_back(program());
        const Shown now = shown ? shown() : Shown{};
        for (std::size_t i = 0; i < floors.size(); ++i) {
            reset();
            floorMs[i].push_back(floors[i].run(now));
        }
    }
    const double programMedian = Median(programMs);
    for (std::size_t i = 0; i < floors.size(); ++i) {
        const double floor = Median(floorMs[i]);
        const double ratio = programMedian / floor;
        const double target = floors[i].target;
        char line[300];
        std::snprintf(line, sizeof line, "%s: program %.1f ms, floor %.1f ms, ratio %.2f",
                      floors[i].name.c_str(), programMedian, floor, ratio);
        Print(line + (target > 0 ? ", target at most " + QString::number(target).toStdString() +
                                       (ratio <= target ? ": met" : ": MISSED")
                                 : std::string(" (reference)")));
    }
}

// A window that is never painted would leave the benchmark waiting for ever.
constexpr int kGiveUpAfterMs = 120'000;

double RunStartup(const QString& dataHome, std::vector<double>& peakMiB) {
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", dataHome);
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bool ended = false;
    const double elapsed = Timed([&] {
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
    peakMiB.push_back(output.mid(peak + 6).simplified().split(' ').value(0).toDouble() / 1024);
    return elapsed;
}

void MeasureStartup(const Bench& bench, const std::string& name, double target,
                    const std::function<double(std::vector<double>& peakMiB)>& start,
                    const QString& emptyDataHome, const Run& floors) {
    std::vector<double> peakMiB;
    std::vector<double> emptyPeakMiB;
    bench.Measure([&] { return start(peakMiB); }, nullptr,
                  {{name, target, [&](const Shown&) {
                        return RunStartup(emptyDataHome, emptyPeakMiB) + (floors ? floors() : 0);
                    }}});
    if (peakMiB.empty())
        return;
    char line[200];
    std::snprintf(line, sizeof line, "%s-peak-memory: %.1f MiB, with empty stores %.1f MiB",
                  name.c_str(), Median(peakMiB), Median(emptyPeakMiB));
    Print(line);
}
