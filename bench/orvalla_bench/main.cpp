// Times the program's own paths against their floors on a generated data set
// and prints one line per workload:
//     NAME: program X ms, floor Y ms, ratio Z
// with the medians of the runs.
//
//     orvalla_bench [RUNS [NAME...]]
//
// RUNS defaults to 5; naming workloads runs only those (for profiling).
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <sqlite3.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Floors.h"
#include "MainUnit.h"
#include "Measure.h"
#include "Seed.h"
#include "Startup.h"
#include "TempDataHome.h"
#include "Workloads.h"
#include "platform/objbase.h"
#include "platform/regional.h"
#include "platform/vcl/Application.h"

namespace {

constexpr int kCacheEntries = 100'000;
constexpr int kCookies = 10'000;
constexpr int kHistoryEntries = 20'000;
constexpr int kHttpEntries = 15'000;
constexpr int kDefaultRuns = 5;

// An error box would wait for a click that never comes: it is answered, its
// text kept, and the benchmark stops at the next check.
class ErrorBoxGuard {
public:
    ErrorBoxGuard() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                error_ = box->text().toStdString();
                box->reject();
            }
        });
        timer_.start(100);
    }
    void Check() const {
        if (!error_.empty())
            throw std::runtime_error("the window showed an error: " + error_);
    }

private:
    QTimer timer_;
    std::string error_;
};

// The workloads asked for on the command line; none named means all.
class Selection {
public:
    Selection(int argc, char* argv[]) : names_(argv + std::min(argc, 2), argv + argc) {}
    bool Has(const std::string& name) const {
        return names_.empty() || std::find(names_.begin(), names_.end(), name) != names_.end();
    }

private:
    std::vector<std::string> names_;
};

void Require(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error("check failed: " + what);
}

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Progress(const std::string& what) {
    std::fprintf(stderr, "... %s\n", what.c_str());
}

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "unknown CPU";
}

std::string FileSystemOf(const std::string& path) {
    struct statfs info {};
    if (statfs(path.c_str(), &info) != 0)
        return "unknown";
    switch (info.f_type) {
        case 0x01021994:
            return "tmpfs";
        case 0xEF53:
            return "ext2/3/4";
        case 0x58465342:
            return "xfs";
        case 0x9123683E:
            return "btrfs";
        case 0x794C7630:
            return "overlayfs";
        default:
            return "type " + std::to_string(info.f_type);
    }
}

void PrintFacts(int runs, const TempDataHome& temp) {
    const char* zone = std::getenv("TZ");
    Print("machine: " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " CPUs (nproc), " +
          CpuModel());
    Print("software: Qt " + std::string(qVersion()) + ", SQLite " + sqlite3_libversion() +
          ", build " + ORVALLA_BUILD_TYPE + ", locale " + FormatSettings().LocaleName + ", TZ " +
          (zone ? zone : "(system)"));
    Print("stores: " + temp.Root() + " (" + FileSystemOf(temp.Root()) + "); cache " +
          std::to_string(kCacheEntries) + " entries, " + std::to_string(kCookies) +
          " cookies; history " + std::to_string(kHistoryEntries) + " entries, " +
          std::to_string(kHttpEntries) + " http");
    Print("times: medians of " + std::to_string(runs) + " runs, in milliseconds");
}

void Reseed(const CacheSeed& seed, const std::vector<std::string>& urls) {
    for (const std::string& url : urls)
        CommitCookie(seed.cookies[static_cast<std::size_t>(seed.cookieAt.at(url))]);
}

QSize ListSize(const TMainForm& form) {
    return form.lvCookies->size();
}

// Prints the walk's line, and then the same times against what reading
// every entry costs (the program cannot read less).
void MeasureWalk(TMainForm& form, int runs) {
    Samples samples;
    Samples everyEntry;
    for (int run = 0; run < runs; ++run) {
        samples.program.push_back(WalkRun(form));
        Require(form.lvCookies->Count() == kCookies, "the walk lists every cookie");
        const std::vector<RowTexts> rows = CookieRows(form);
        samples.floor.push_back(WalkFloor(rows, ListSize(form)));
        everyEntry.floor.push_back(WalkEveryEntryFloor(rows, ListSize(form)));
    }
    everyEntry.program = samples.program;
    Print(FiguresLine("walk", samples));
    Print(FiguresLine("walk-every-entry", everyEntry));
}

Samples MeasureOrdering(TMainForm& form, int column, int runs) {
    form.Click(form.btnRefresh);
    const std::vector<RowTexts> cacheOrder = CookieRows(form);
    Samples samples;
    std::vector<QString> floorOrder;
    for (int run = 0; run < runs; ++run) {
        samples.program.push_back(OrderingRun(form, column));
        samples.floor.push_back(OrderingFloor(cacheOrder, column, ListSize(form), floorOrder));
        Require(FullAddresses(form) == floorOrder, "the header click orders as its floor");
    }
    return samples;
}

Samples MeasureDelete(TMainForm& form, const CacheSeed& seed, int runs) {
    Samples samples;
    std::vector<std::string> deleted;
    std::vector<RowTexts> kept;
    for (int run = 0; run < runs; ++run) {
        CheckpointUrlCache();
        samples.program.push_back(DeleteRun(form, deleted, kept));
        Require(form.lvCookies->Count() == kCookies - static_cast<int>(deleted.size()),
                "the rebuilt list lacks exactly the deleted rows");
        Reseed(seed, deleted);
        CheckpointUrlCache();
        samples.floor.push_back(DeleteFloor(deleted, kept, ListSize(form)));
        Reseed(seed, deleted);
    }
    return samples;
}

// On the History page, where its "Refresh" button is.
Samples MeasureHistory(TMainForm& form, int runs) {
    form.PageControl1->SetActivePage(form.TabSheet2);
    SettleEvents();
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        samples.program.push_back(HistoryRun(form));
        Require(form.Edit1->text() == QString::number(kHttpEntries), "the grid lists every page");
        samples.floor.push_back(HistoryFloor(HistoryRows(form), form.StringGrid1->size()));
    }
    return samples;
}

void MeasureStartup(const TempDataHome& temp, int runs) {
    std::vector<double> seededMs, emptyMs, seededMiB, emptyMiB;
    for (int run = 0; run < runs; ++run) {
        const std::string report = temp.Root() + "/probe-report";
        const StartupRun seeded = RunStartup(temp.Home("seeded"), report);
        const StartupRun empty = RunStartup(temp.Home("empty"), report);
        seededMs.push_back(seeded.ms);
        seededMiB.push_back(seeded.peakMiB);
        emptyMs.push_back(empty.ms);
        emptyMiB.push_back(empty.peakMiB);
    }
    char line[200];
    std::snprintf(line, sizeof line, "startup: program %.1f ms, floor 0 ms, ratio 0 (no floor)",
                  Median(seededMs));
    Print(line);
    std::snprintf(line, sizeof line, "startup-empty: program %.1f ms (empty stores, for reference)",
                  Median(emptyMs));
    Print(line);
    std::snprintf(line, sizeof line, "startup-peak-memory: seeded %.1f MiB, empty %.1f MiB",
                  Median(seededMiB), Median(emptyMiB));
    Print(line);
}

void MeasureWindow(const CacheSeed& seed, int runs, const Selection& only) {
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    Application.Title = "Veltrane  - Orvalla";
    const ErrorBoxGuard errors;
    {
        Progress("building the window");
        TMainForm form;
        form.show();
        SettleEvents();
        errors.Check();

        if (only.Has("walk")) {
            Progress("walk");
            MeasureWalk(form, runs);
        }
        const std::pair<const char*, int> orderings[] = {
            {"ordering-modified", 2}, {"ordering-hits", 1}, {"ordering-address", 0}};
        for (const auto& [name, column] : orderings) {
            if (only.Has(name)) {
                Progress(name);
                Print(FiguresLine(name, MeasureOrdering(form, column, runs)));
            }
        }
        if (only.Has("delete")) {
            Progress("delete");
            Print(FiguresLine("delete", MeasureDelete(form, seed, runs)));
        }
        if (only.Has("history")) {
            Progress("history");
            Print(FiguresLine("history", MeasureHistory(form, runs)));
        }
        errors.Check();
    }
    UrlHistory = nullptr;
    if (comInitialized)
        CoUninitialize();
}

int Run(int runs, const Selection& only) {
    const TempDataHome temp;
    temp.Use("seeded");
    PrintFacts(runs, temp);

    Progress("seeding the stores");
    const CacheSeed seed = SeedUrlCache(kCacheEntries, kCookies);
    SeedHistory(kHistoryEntries, kHttpEntries);

    MeasureWindow(seed, runs, only);
    if (only.Has("startup")) {
        Progress("startup");
        MeasureStartup(temp, runs);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Widgets without a display, like the probe; the same for every run.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    if (runs < 1) {
        std::fprintf(stderr, "usage: orvalla_bench [RUNS [NAME...]]\n");
        return 2;
    }
    try {
        return Run(runs, Selection(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvalla_bench: %s\n", error.what());
        return 1;
    }
}
