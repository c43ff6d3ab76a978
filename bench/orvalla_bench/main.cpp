// Times the program's own paths against their floors on a generated data set
// and prints one line per workload:
//     NAME: program X ms, floor Y ms, ratio Z, target at most T: met
// with the medians of the runs.
//
//     orvalla_bench [RUNS [NAME...]]
//
// RUNS defaults to 5; naming workloads runs only those (for profiling), and
// "browser" names the five on the real browsers' profiles.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BrowserFill.h"
#include "BrowserProfiles.h"
#include "BrowserWorkloads.h"
#include "Floors.h"
#include "MainUnit.h"
#include "Measure.h"
#include "Scale.h"
#include "Seed.h"
#include "Startup.h"
#include "Workloads.h"
#include "platform/objbase.h"
#include "platform/regional.h"
#include "platform/vcl/Application.h"

namespace {

constexpr int kCacheEntries = 100'000;
constexpr int kCookies = 10'000;
constexpr int kHistoryEntries = 20'000;
constexpr int kHttpEntries = 15'000;
constexpr int kMillionEntries = 1'000'000;
constexpr int kMillionCookies = 100'000;
constexpr int kMillionHistory = 200'000;
constexpr int kMillionHttp = 150'000;
constexpr std::size_t kLongText = 1 << 20;
constexpr std::size_t kShortText = 100;
constexpr int kDefaultRuns = 5;

// The most each ratio may be, on any machine of this kind.
constexpr double kWalkTarget = 2.2;
constexpr double kOrderingTarget = 3;
constexpr double kDeleteTarget = 2;
constexpr double kHistoryTarget = 2;
constexpr double kCheckAllTarget = 3;
constexpr double kLongTextsTarget = 3;
constexpr double kStartupMillionTarget = 2;

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

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "unknown CPU";
}

// HOME and the XDG directories go into the temporary directory before Qt
// starts, so that nothing this process or a start-up probe reads or writes
// is the user's own; the seeded data home is this process's, an empty one is
// for start-ups beside it. HOME and the config folder hold no browser
// profile: the browsers get a home of their own, which only the browser
// workloads show the program.
void UseTemporaryHome(const QTemporaryDir& temp) {
    if (!temp.isValid())
        throw std::runtime_error("cannot create a temporary directory: " +
                                 temp.errorString().toStdString());
    const QDir root(temp.path());
    const std::pair<const char*, const char*> directories[] = {{"HOME", "home"},
                                                               {"XDG_CONFIG_HOME", "config"},
                                                               {"XDG_CACHE_HOME", "cache"},
                                                               {"XDG_RUNTIME_DIR", "runtime"},
                                                               {"XDG_DATA_HOME", "seeded"},
                                                               {nullptr, "empty"},
                                                               {nullptr, "million"},
                                                               {nullptr, "long"},
                                                               {nullptr, "short"},
                                                               {nullptr, "browsers"},
                                                               {nullptr, "kept"}};
    for (const auto& [variable, name] : directories) {
        if (!root.mkpath(name))
            throw std::runtime_error("cannot create " + root.filePath(name).toStdString());
        if (variable)
            setenv(variable, root.filePath(name).toLocal8Bit().constData(), 1);
    }
    // Qt accepts a runtime directory only when no one else may enter it.
    QFile::setPermissions(root.filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void PrintFacts(int runs, const QString& root) {
    const char* zone = std::getenv("TZ");
    Print("machine: " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " CPUs (nproc), " +
          CpuModel());
    Print("software: Qt " + std::string(qVersion()) + ", SQLite " + sqlite3_libversion() +
          ", build " + ORVALLA_BUILD_TYPE + ", locale " + FormatSettings().LocaleName + ", TZ " +
          (zone ? zone : "(system)"));
    Print("stores: " + root.toStdString() + " (" +
          QStorageInfo(root).fileSystemType().toStdString() + "); cache " +
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

// Prints the walk's line, and then the same times against a scan of the
// cookie rows alone with the texts ready, which the program cannot do.
void MeasureWalk(TMainForm& form, int runs) {
    Samples samples;
    Samples cookieScan;
    for (int run = 0; run < runs; ++run) {
        samples.program.push_back(WalkRun(form));
        Require(form.lvCookies->Count() == kCookies, "the walk lists every cookie");
        const std::vector<RowTexts> rows = CookieRows(form);
        samples.floor.push_back(WalkFloor(rows, ListSize(form)));
        cookieScan.floor.push_back(WalkCookieScanFloor(rows, ListSize(form)));
    }
    cookieScan.program = samples.program;
    Print(FiguresLine("walk", samples, kWalkTarget));
    Print(FiguresLine("walk-cookie-scan", cookieScan));
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

// Prints the deletion's line, and then the same times against deleting in
// one transaction, which the program may not do.
void MeasureDelete(TMainForm& form, const CacheSeed& seed, int runs) {
    Samples samples;
    Samples oneTransaction;
    std::vector<std::string> deleted;
    std::vector<RowTexts> kept;
    for (int run = 0; run < runs; ++run) {
        CheckpointUrlCache();
        // Every other row.
        samples.program.push_back(DeleteRun(
            form, [row = 0](const std::string&) mutable { return row++ % 2 == 0; }, deleted, kept));
        Require(form.lvCookies->Count() == kCookies - static_cast<int>(deleted.size()),
                "the rebuilt list lacks exactly the deleted rows");
        Reseed(seed, deleted);
        CheckpointUrlCache();
        samples.floor.push_back(DeleteFloor(deleted, kept, ListSize(form), Commits::EachRow));
        Reseed(seed, deleted);
        CheckpointUrlCache();
        oneTransaction.floor.push_back(DeleteFloor(deleted, kept, ListSize(form), Commits::Once));
        Reseed(seed, deleted);
    }
    oneTransaction.program = samples.program;
    Print(FiguresLine("delete", samples, kDeleteTarget));
    Print(FiguresLine("delete-one-transaction", oneTransaction));
}

// On the History page, where its "Refresh" button is. Prints the listing's
// line, and then the same times against a floor whose texts are ready.
void MeasureHistory(TMainForm& form, int runs) {
    form.PageControl1->SetActivePage(form.TabSheet2);
    SettleEvents();
    Samples samples;
    Samples readyTexts;
    for (int run = 0; run < runs; ++run) {
        samples.program.push_back(HistoryRun(form));
        Require(form.Edit1->text() == QString::number(kHttpEntries), "the grid lists every page");
        const std::vector<RowTexts> rows = HistoryRows(form);
        samples.floor.push_back(HistoryFloor(rows, form.StringGrid1->size(), Texts::Made));
        readyTexts.floor.push_back(HistoryFloor(rows, form.StringGrid1->size(), Texts::Ready));
    }
    readyTexts.program = samples.program;
    Print(FiguresLine("history", samples, kHistoryTarget));
    Print(FiguresLine("history-ready-texts", readyTexts));
}

void MeasureStartup(const QDir& root, int runs) {
    std::vector<double> seededMs, emptyMs, seededMiB, emptyMiB;
    for (int run = 0; run < runs; ++run) {
        const StartupRun seeded = RunStartup(root.filePath("seeded"));
        const StartupRun empty = RunStartup(root.filePath("empty"));
        seededMs.push_back(seeded.ms);
        seededMiB.push_back(seeded.peakMiB);
        emptyMs.push_back(empty.ms);
        emptyMiB.push_back(empty.peakMiB);
    }
    char line[200];
    std::snprintf(line, sizeof line, "startup: program %.1f ms (no floor)", Median(seededMs));
    Print(line);
    std::snprintf(line, sizeof line, "startup-empty: program %.1f ms (empty stores, for reference)",
                  Median(emptyMs));
    Print(line);
    std::snprintf(line, sizeof line, "startup-peak-memory: seeded %.1f MiB, empty %.1f MiB",
                  Median(seededMiB), Median(emptyMiB));
    Print(line);
}

// The stores of one of the data homes in the temporary directory.
void UseDataHome(const QDir& root, const char* name) {
    setenv("XDG_DATA_HOME", root.filePath(name).toLocal8Bit().constData(), 1);
}

// The floors a million-entry start-up is measured against, from the window
// phase.
struct MillionFloors {
    double walk = 0;
    double history = 0;
};

bool AnyMillion(const Selection& only) {
    return only.Has("walk-million") || only.Has("check-all") || only.Has("startup-million");
}

// In the million-entry stores: the walk, the first "Check All", and the
// history floor the start-up needs.
MillionFloors MeasureMillion(TMainForm& form, const QDir& root, int runs, const Selection& only) {
    UseDataHome(root, "million");
    Progress("seeding a million entries");
    SeedUrlCache(kMillionEntries, kMillionCookies);
    SeedHistory(kMillionHistory, kMillionHttp);
    form.PageControl1->SetActivePage(form.TabSheet1);
    SettleEvents();

    Samples walk;
    Samples checkAll;
    for (int run = 0; run < runs; ++run) {
        walk.program.push_back(WalkRun(form));
        Require(form.lvCookies->Count() == kMillionCookies, "the walk lists every cookie");
        const std::vector<RowTexts> rows = CookieRows(form);
        walk.floor.push_back(WalkFloor(rows, ListSize(form)));
        if (only.Has("check-all")) {
            checkAll.program.push_back(CheckAllRun(form));
            Require(form.lvCookies->Items(kMillionCookies - 1).Checked(), "every row is checked");
            checkAll.floor.push_back(CheckAllFloor(rows, ListSize(form)));
        }
    }
    if (only.Has("walk-million"))
        Print(FiguresLine("walk-million", walk, kWalkTarget));
    if (only.Has("check-all"))
        Print(FiguresLine("check-all", checkAll, kCheckAllTarget));

    MillionFloors floors{Median(walk.floor), 0};
    if (only.Has("startup-million")) {
        form.PageControl1->SetActivePage(form.TabSheet2);
        HistoryRun(form);
        const std::vector<RowTexts> pages = HistoryRows(form);
        std::vector<double> history;
        for (int run = 0; run < runs; ++run)
            history.push_back(HistoryFloor(pages, form.StringGrid1->size(), Texts::Made));
        floors.history = Median(history);
    }
    return floors;
}

// The same window work with huge texts and with short ones.
void MeasureLongTexts(TMainForm& form, const QDir& root, int runs) {
    UseDataHome(root, "long");
    SeedLongTexts(kLongText);
    UseDataHome(root, "short");
    SeedLongTexts(kShortText);
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        UseDataHome(root, "long");
        samples.program.push_back(LongTextsRun(form));
        Require(form.lvCookies->Count() == 3 && form.Edit1->text() == "1",
                "the long texts are listed");
        UseDataHome(root, "short");
        samples.floor.push_back(LongTextsRun(form));
    }
    Print(FiguresLine("long-texts", samples, kLongTextsTarget));
}

// Start-ups with the million-entry stores, against the walk's and the
// history's floors on them plus a start-up with empty stores.
void MeasureStartupMillion(const QDir& root, int runs, const MillionFloors& floors) {
    MeasureStartupAgainst(
        "startup-million", [&root] { return RunStartup(root.filePath("million")); },
        floors.walk + floors.history, root.filePath("empty"), runs, kStartupMillionTarget);
}

bool AnyBrowser(const Selection& only) {
    return only.HasAny({"browser-walk", "browser-history", "browser-delete-firefox",
                        "browser-delete-chromium", "browser-startup"});
}

// The workloads on the stores seeded at the start.
bool AnySeeded(const Selection& only) {
    return only.HasAny({"walk", "ordering-modified", "ordering-hits", "ordering-address", "delete",
                        "history", "startup"});
}

// Made by the browsers themselves, then filled; the times of both are
// printed, as they make a good part of a run of the browser workloads.
BrowserProfiles MakeProfiles(const QDir& root) {
    Progress("making the browser profiles");
    const Stopwatch making;
    const BrowserProfiles profiles = MakeBrowserProfiles(root.filePath("browsers"));
    const double madeMs = making.ElapsedMs();
    Progress("filling the browser profiles");
    const Stopwatch filling;
    FillFirefoxProfile(profiles.firefoxCookies, profiles.firefoxPlaces);
    FillChromiumProfile(profiles.chromiumCookies, profiles.chromiumHistory);
    char line[300];
    std::snprintf(line, sizeof line,
                  "browsers: %s; each profile %d cookies in %d groups over %d hosts, %d visits "
                  "of %d pages, %d http; made in %.1f s, filled in %.1f s",
                  profiles.versions.c_str(), kBrowserCookies, kBrowserGroups, kBrowserHosts,
                  kBrowserVisits, kBrowserPages, kBrowserHttpPages, madeMs / 1000,
                  filling.ElapsedMs() / 1000);
    Print(line);
    return profiles;
}

// The floors the start-ups are measured against, from the window phase.
struct WindowFloors {
    MillionFloors million;
    BrowserFloorTimes browsers;
};

WindowFloors MeasureWindow(const CacheSeed& seed, const QDir& root, int runs, const Selection& only,
                           const BrowserProfiles* browsers) {
    WindowFloors floors;
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
                Print(FiguresLine(name, MeasureOrdering(form, column, runs), kOrderingTarget));
            }
        }
        if (only.Has("delete")) {
            Progress("delete");
            MeasureDelete(form, seed, runs);
        }
        if (only.Has("history")) {
            Progress("history");
            MeasureHistory(form, runs);
        }
        if (only.Has("long-texts")) {
            Progress("long-texts");
            MeasureLongTexts(form, root, runs);
        }
        if (browsers) {
            UseDataHome(root, "empty");
            floors.browsers = MeasureBrowsers(form, *browsers, root.filePath("kept"), runs, only);
        }
        if (AnyMillion(only))
            floors.million = MeasureMillion(form, root, runs, only);
        errors.Check();
    }
    UrlHistory = nullptr;
    if (comInitialized)
        CoUninitialize();
    return floors;
}

int Run(const QTemporaryDir& temp, int runs, const Selection& only) {
    PrintFacts(runs, temp.path());

    CacheSeed seed;
    if (AnySeeded(only)) {
        Progress("seeding the stores");
        seed = SeedUrlCache(kCacheEntries, kCookies);
        SeedHistory(kHistoryEntries, kHttpEntries);
    }
    const QDir root(temp.path());
    std::optional<BrowserProfiles> browsers;
    if (AnyBrowser(only))
        browsers = MakeProfiles(root);

    const WindowFloors floors =
        MeasureWindow(seed, root, runs, only, browsers ? &*browsers : nullptr);
    if (only.Has("startup")) {
        Progress("startup");
        MeasureStartup(root, runs);
    }
    if (only.Has("startup-million")) {
        Progress("startup-million");
        MeasureStartupMillion(root, runs, floors.million);
    }
    if (only.Has("browser-startup")) {
        Progress("browser-startup");
        MeasureBrowserStartup(*browsers, root.filePath("empty"), runs, floors.browsers);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    if (runs < 1) {
        std::fprintf(stderr, "usage: orvalla_bench [RUNS [NAME...]]\n");
        return 2;
    }
    // Widgets without a display, like the probe, and the United States
    // settings the floors write their dates in; the same for every run.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    try {
        const QTemporaryDir temp(QDir::tempPath() + "/orvalla-bench-XXXXXX");
        UseTemporaryHome(temp);
        QApplication app(argc, argv);
        return Run(temp, runs, Selection(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvalla_bench: %s\n", error.what());
        return 1;
    }
}
