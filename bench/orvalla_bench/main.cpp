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
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "BrowserProfiles.h"
#include "Floors.h"
#include "KonquerorFiles.h"
#include "MainUnit.h"
#include "Measure.h"
#include "Seed.h"
#include "SiteCleaning.h"
#include "StoresTool.h"
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
// One checked group in four of the browser's: 5,000 of its 20,000.
constexpr int kCheckEvery = 4;
// The sites of a keep list (each holds one host, 200 of the 20,000 groups a
// profile), and those forgotten at once (with about 2,500 of the 50,000
// pages a profile).
constexpr int kKeptSites = 100;
constexpr int kForgottenSites = 500;

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
    Require(temp.isValid(), "a temporary directory: " + temp.errorString().toStdString());
    const QDir root(temp.path());
    const char* const variables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR",
                                     "XDG_DATA_HOME"};
    const char* const folders[] = {"home",    "config", "cache", "runtime",  "seeded", "empty",
                                   "million", "long",   "short", "browsers", "kept"};
    for (std::size_t i = 0; i < std::size(folders); ++i) {
        Require(root.mkpath(folders[i]), "a folder " + root.filePath(folders[i]).toStdString());
        if (i < std::size(variables))
            setenv(variables[i], root.filePath(folders[i]).toLocal8Bit().constData(), 1);
    }
    // Qt accepts a runtime directory only when no one else may enter it.
    QFile::setPermissions(root.filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void PrintFacts(int runs, const QString& root) {
    const char* zone = std::getenv("TZ");
    std::printf(
        "machine: %ld CPUs (nproc), %s\nsoftware: Qt %s, SQLite %s, build %s, locale %s, TZ %s\n"
        "stores: %s (%s); cache %d entries, %d cookies; history %d entries, %d http\n"
        "times: medians of %d runs, in milliseconds\n",
        sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str(), qVersion(), sqlite3_libversion(),
        ORVALLA_BUILD_TYPE, FormatSettings().LocaleName.c_str(), zone ? zone : "(system)",
        qPrintable(root), qPrintable(QStorageInfo(root).fileSystemType()), kCacheEntries, kCookies,
        kHistoryEntries, kHttpEntries, runs);
}

// The stores of one of the data homes in the temporary directory.
void UseDataHome(const QDir& root, const char* name) {
    setenv("XDG_DATA_HOME", root.filePath(name).toLocal8Bit().constData(), 1);
}

// Made by the browsers themselves, then filled; the times of both are
// printed, as they make a good part of a run of the browser workloads.
BrowserProfiles MakeProfiles(const QDir& root) {
    Progress("making the browser profiles");
    BrowserProfiles profiles;
    const double madeMs = Timed([&] { profiles = MakeBrowserProfiles(root.filePath("browsers")); });
    Progress("filling the browser profiles");
    const double filledMs = Timed([&] {
        FillFirefoxProfile(profiles.firefox);
        FillChromiumProfile(profiles.chromium);
    });
    char line[300];
    std::snprintf(line, sizeof line,
                  "browsers: %s; each profile %d cookies in %d groups over %d hosts, %d visits "
                  "of %d pages, %d http; made in %.1f s, filled in %.1f s",
                  profiles.versions.c_str(), kBrowserCookies, kBrowserGroups, kBrowserHosts,
                  kBrowserVisits, kBrowserPages, kBrowserHttpPages, madeMs / 1000, filledMs / 1000);
    Print(line);
    return profiles;
}

// The keep list in the browsers' config folder, where the tool looks for
// it, while it lives: one site a line, under a comment.
class KeepListFile {
public:
    KeepListFile(const BrowserProfiles& profiles, const std::vector<std::string>& sites)
        : path_(profiles.home.toStdString() + "/.config/orvalla/keep-sites") {
        Require(QDir().mkpath(profiles.home + "/.config/orvalla"), "a folder for the keep list");
        std::ofstream list(path_);
        list << "# the sites whose cookies stay\n";
        for (const std::string& site : sites)
            list << site << "\n";
        Require(list.good(), "the keep list is written");
    }
    ~KeepListFile() { std::remove(path_.c_str()); }
    KeepListFile(const KeepListFile&) = delete;
    KeepListFile& operator=(const KeepListFile&) = delete;

private:
    const std::string path_;
};

// The tool cleaning both profiles by site, as a process of its own, each
// run from the files as filled and checked in them afterwards: the keep
// list (`delete-cache --all`), and forgetting sites once the tool has
// `forget`.
void MeasureSiteCleaning(const Bench& bench, const QDir& root, const BrowserProfiles& profiles) {
    if (!bench.Has({"keep-list", "forget-sites"}))
        return;
    std::vector<std::pair<std::string, std::string>> files;  // each with its copy
    for (const BrowserProfile* profile : {&profiles.firefox, &profiles.chromium}) {
        const std::string folder = profile->history.substr(0, profile->history.rfind('/') + 1);
        for (const std::string& file : {profile->cookies, profile->history,
                                        folder + "favicons.sqlite", folder + "Favicons"}) {
            if (!QFile::exists(QString::fromStdString(file)))
                continue;
            const std::string copy =
                root.filePath("kept").toStdString() + "/cleaning-" + std::to_string(files.size());
            KeepStore(file, copy);
            files.emplace_back(file, copy);
        }
    }
    const auto restore = [&] {
        for (const auto& [file, copy] : files)
            PutBackStore(file, copy);
    };
    const ContentsOfBoth filled = ReadContents(profiles);
    // Each run's time with its check, which is not timed.
    const auto checked = [&](const Run& run, const ContentsOfBoth& left, const std::string& what) {
        return [&profiles, run, expected = &left, what] {
            const double elapsed = run();
            CheckContents(profiles, *expected, what);
            return elapsed;
        };
    };
    const auto floor = [](const Run& run) { return [run](const Shown&) { return run(); }; };
    if (bench.Has({"keep-list"})) {
        const std::vector<std::string> sites = BrowserSites(kKeptSites);
        const SiteSet kept(sites);
        const ContentsOfBoth left = Expected(filled, kept, Goes::AllButSites, false);
        const KeepListFile list(profiles, sites);
        const auto tool = [&] {
            ToolOutput output;
            const double elapsed = RunStoresTool({"delete-cache", "--all"}, output);
            const std::string sites = std::to_string(kKeptSites) + " sites";
            Require(output.err.find("keeps " + sites + " (" + sites + " from the keep list") !=
                        std::string::npos,
                    "the tool keeps the list's sites, but said: " + output.err);
            return elapsed;
        };
        bench.Measure(checked(tool, left, "delete-cache --all"), nullptr,
                      {{"keep-list", 2,
                        floor(checked([&] { return KeepListFloor(profiles, kept); }, left,
                                      "the keep list's floor"))},
                       {"keep-list-by-host", 0,
                        floor(checked([&] { return KeepListByHostFloor(profiles, kept); }, left,
                                      "the keep list's floor by host"))}},
                      restore);
        restore();
    }
    if (bench.Has({"forget-sites"}) && StoresToolHas("forget")) {
        const std::vector<std::string> sites = BrowserSites(kForgottenSites);
        const ContentsOfBoth left = Expected(filled, SiteSet(sites), Goes::Sites, true);
        std::vector<std::string> args{"forget"};
        args.insert(args.end(), sites.begin(), sites.end());
        ToolOutput output;
        bench.Measure(checked([&] { return RunStoresTool(args, output); }, left, "forget"), nullptr,
                      {{"forget-sites", 2,
                        floor(checked([&] { return ForgetSitesFloor(profiles, sites); }, left,
                                      "the floor of forgetting sites"))}},
                      restore);
        restore();
    }
}

// The floors of the start-ups with the million-entry stores and with the
// browsers' profiles, checked against what the window listed of them.
struct StartupFloors {
    Run million;
    Run browsers;
};

// The window's workloads: each the program's path over its floors, the
// floors given what the window shows after the path.
class WindowWorkloads {
public:
    WindowWorkloads(const Bench& bench, const QDir& root, TMainForm& form)
        : bench_(bench), root_(root), form_(form) {}

    // On the seeded stores, then on stores of a few long texts.
    void Seeded(const CacheSeed& seed) {
        bench_.Measure([&] { return WalkRun(form_, kCookies); }, cookies_,
                       {{"walk", 2.2, std::bind_front(WalkFloor, Texts::Made)},
                        {"walk-cookie-scan", 0, std::bind_front(WalkFloor, Texts::Ready)}});
        for (const auto& [name, column] :
             {std::pair{"ordering-modified", 2}, std::pair{"ordering-hits", 1},
              std::pair{"ordering-address", 0}}) {
            std::vector<RowTexts> cacheOrder;
            bench_.Measure(
                [&] { return OrderingRun(form_, column, cacheOrder); }, cookies_,
                {{name, 3, std::bind_front(OrderingFloor, std::cref(cacheOrder), column)}});
        }
        // Every other row, deleted by each run and each floor from the whole
        // cache, its log emptied.
        std::vector<std::string> checked;
        const auto restore = [&] {
            for (const std::string& url : checked)
                CommitCookie(seed.at(url));
            CheckpointUrlCache();
        };
        bench_.Measure(
            [&] { return DeleteRun(form_, "", 2, kCookies / 2, checked); }, cookies_,
            {{"delete", 2, std::bind_front(DeleteFloor, std::cref(checked), Commits::EachRow)},
             {"delete-one-transaction", 0,
              std::bind_front(DeleteFloor, std::cref(checked), Commits::Once)}},
            restore);
        if (!checked.empty())
            restore();
        bench_.Measure([&] { return HistoryRun(form_, kHttpEntries); }, pages_,
                       {{"history", 2, std::bind_front(HistoryFloor, Texts::Made)},
                        {"history-ready-texts", 0, std::bind_front(HistoryFloor, Texts::Ready)}});
        // The same window work with huge texts and with short ones.
        if (!bench_.Has({"long-texts"}))
            return;
        for (const auto& [home, bytes] :
             {std::pair{"long", std::size_t{1} << 20}, std::pair{"short", std::size_t{100}}}) {
            UseDataHome(root_, home);
            SeedLongTexts(bytes);
        }
        const auto listing = [this](const char* home) {
            UseDataHome(root_, home);
            return LongTextsRun(form_);
        };
        bench_.Measure([&] { return listing("long"); }, nullptr,
                       {{"long-texts", 3, [&](const Shown&) { return listing("short"); }}});
    }

    // In the million-entry stores, seeded here.
    void Million(StartupFloors& floors) {
        if (!bench_.Has({"walk-million", "check-all", "startup-million"}))
            return;
        UseDataHome(root_, "million");
        Progress("seeding a million entries");
        SeedUrlCache(kMillionEntries, kMillionCookies);
        SeedHistory(kMillionHistory, kMillionHttp);
        bench_.Measure([&] { return WalkRun(form_, kMillionCookies); }, cookies_,
                       {{"walk-million", 2.2, std::bind_front(WalkFloor, Texts::Made)}});
        bench_.Measure([&] { return CheckAllRun(form_); }, cookies_,
                       {{"check-all", 3, CheckAllFloor}});
        if (bench_.Has({"startup-million"}))
            floors.million = Listed(kMillionCookies, kMillionHttp,
                                    [&root = root_](const Shown& cookies, const Shown& pages) {
                                        UseDataHome(root, "million");
                                        return WalkFloor(Texts::Made, cookies) +
                                               HistoryFloor(Texts::Made, pages);
                                    });
    }

    // With Orvalla's own stores empty, the browsers' profiles in view.
    void Browsers(const BrowserProfiles& profiles, StartupFloors& floors) {
        UseDataHome(root_, "empty");
        const BrowsersInView view(profiles);
        bench_.Measure(
            [&] { return WalkRun(form_, 2 * kBrowserGroups); }, cookies_,
            {{"browser-walk", 2, std::bind_front(BrowserWalkFloor, std::cref(profiles))}});
        bench_.Measure(
            [&] { return HistoryRun(form_, 2 * kBrowserHttpPages); }, pages_,
            {{"browser-history", 2, std::bind_front(BrowserHistoryFloor, std::cref(profiles))}});
        for (const auto& [name, browser] :
             {std::pair{"browser-delete-firefox", Browser::Firefox},
              std::pair{"browser-delete-chromium", Browser::Chromium}}) {
            if (!bench_.Has({name}))
                continue;
            const BrowserProfile& profile = profiles.Of(browser);
            // Each run and floor starts from the cookie file as filled.
            const std::string kept = root_.filePath("kept").toStdString() + "/" + name;
            KeepStore(profile.cookies, kept);
            std::vector<std::string> checked;
            bench_.Measure(
                [&] {
                    return DeleteRun(form_, "Cookie:" + profile.label + "@", kCheckEvery,
                                     kBrowserGroups / kCheckEvery, checked);
                },
                cookies_,
                {{name, 2,
                  std::bind_front(BrowserDeleteFloor, std::cref(profiles), browser,
                                  std::cref(checked))}},
                [&] { PutBackStore(profile.cookies, kept); });
            PutBackStore(profile.cookies, kept);
        }
        MeasureSiteCleaning(bench_, root_, profiles);
        if (bench_.Has({"browser-startup"}))
            floors.browsers = Listed(2 * kBrowserGroups, 2 * kBrowserHttpPages,
                                     [&profiles](const Shown& cookies, const Shown& pages) {
                                         return BrowserWalkFloor(profiles, cookies) +
                                                BrowserHistoryFloor(profiles, pages);
                                     });
    }

private:
    // Both pages listed, and the start-up's `floors` of what they show.
    template <typename Floors>
    Run Listed(int groups, int pages, Floors floors) {
        WalkRun(form_, groups);
        HistoryRun(form_, pages);
        return [floors, cookies = cookies_(), pageRows = pages_()] {
            return floors(cookies, pageRows);
        };
    }

    const Bench& bench_;
    const QDir& root_;
    TMainForm& form_;
    // What the list and the grid show.
    const std::function<Shown()> cookies_ = [this] {
        return Shown{CookieRows(form_), form_.lvCookies->size()};
    };
    const std::function<Shown()> pages_ = [this] {
        return Shown{HistoryRows(form_), form_.StringGrid1->size()};
    };
};

StartupFloors MeasureWindow(const Bench& bench, const QDir& root, const CacheSeed& seed,
                            const BrowserProfiles* browsers) {
    StartupFloors floors;
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    Application.Title = "Veltrane  - Orvalla";
    // An error box would wait for a click that never comes: it is answered,
    // its text kept, and the benchmark stops once the window is done.
    std::string error;
    QTimer errorBoxes;
    QObject::connect(&errorBoxes, &QTimer::timeout, [&error] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            error = box->text().toStdString();
            box->reject();
        }
    });
    errorBoxes.start(100);
    {
        Progress("building the window");
        TMainForm form;
        form.show();
        WindowWorkloads workloads(bench, root, form);
        workloads.Seeded(seed);
        if (browsers)
            workloads.Browsers(*browsers, floors);
        workloads.Million(floors);
    }
    Require(error.empty(), "the window showed no error, but \"" + error + "\"");
    UrlHistory = nullptr;
    if (comInitialized)
        CoUninitialize();
    return floors;
}

// Konqueror's two files just under the 64 MiB they are read up to, every
// cookie group and page shown: no floor, but a bound of time and memory.
constexpr qint64 kKonquerorFileBytes = qint64{63} << 20;
constexpr double kKonquerorMostMs = 3000;
constexpr double kKonquerorMostMB = 300;

void MeasureKonquerorStartup(const Bench& bench, const QString& dataHome) {
    Progress("writing Konqueror's files");
    WriteKonquerorFiles(dataHome, kKonquerorFileBytes);
    std::vector<double> times;
    std::vector<double> peakMiB;
    for (int run = 0; run < bench.Runs(); ++run)
        times.push_back(RunStartup(dataHome, peakMiB));
    const double ms = Median(times);
    const double mb = Median(peakMiB) * 1.048576;
    char line[200];
    std::snprintf(line, sizeof line,
                  "konqueror-startup: %.0f ms, peak %.1f MB, target under %.0f ms and %.0f MB: %s",
                  ms, mb, kKonquerorMostMs, kKonquerorMostMB,
                  ms < kKonquerorMostMs && mb < kKonquerorMostMB ? "met" : "MISSED");
    Print(line);
}

int RunAll(const QTemporaryDir& temp, const Bench& bench) {
    const QDir root(temp.path());
    CacheSeed seed;
    if (bench.Has({"walk", "ordering-modified", "ordering-hits", "ordering-address", "delete",
                   "history", "startup"})) {
        Progress("seeding the stores");
        seed = SeedUrlCache(kCacheEntries, kCookies);
        SeedHistory(kHistoryEntries, kHttpEntries);
    }
    std::optional<BrowserProfiles> browsers;
    if (bench.Has({"browser-walk", "browser-history", "browser-delete-firefox",
                   "browser-delete-chromium", "browser-startup", "keep-list", "forget-sites"}))
        browsers = MakeProfiles(root);
    const StartupFloors floors = MeasureWindow(bench, root, seed, browsers ? &*browsers : nullptr);
    // Start-ups with the seeded stores (beside one with empty stores, for
    // reading), with the million-entry stores, and finding the two profiles.
    const QString empty = root.filePath("empty");
    MeasureStartup(
        bench, "startup", 0,
        [&](auto& peaks) { return RunStartup(root.filePath("seeded"), peaks); }, empty, nullptr);
    MeasureStartup(
        bench, "startup-million", 2,
        [&](auto& peaks) { return RunStartup(root.filePath("million"), peaks); }, empty,
        floors.million);
    if (browsers) {
        MeasureStartup(
            bench, "browser-startup", 2,
            [&](auto& peaks) {
                const BrowsersInView view(*browsers);
                return RunStartup(empty, peaks);
            },
            empty, floors.browsers);
    }
    if (bench.Has({"konqueror-startup"}))
        MeasureKonquerorStartup(bench, root.filePath("konqueror"));
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
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
        PrintFacts(runs, temp.path());
        return RunAll(temp, Bench(runs, argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvalla_bench: %s\n", error.what());
        return 1;
    }
}
