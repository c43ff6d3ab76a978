#include "BrowserWorkloads.h"

#include "BrowserFill.h"
#include "BrowserFloors.h"
#include "MainUnit.h"
#include "Startup.h"
#include "Workloads.h"

namespace {

// The most each ratio may be, on any machine of this kind.
constexpr double kBrowserTarget = 2;

// One checked group in four of the browser's: 5,000 of its 20,000.
constexpr int kCheckEvery = 4;

void ShowPage(TMainForm& form, QWidget* page) {
    form.PageControl1->SetActivePage(page);
    SettleEvents();
}

Samples MeasureWalk(TMainForm& form, const BrowserProfiles& profiles, int runs) {
    ShowPage(form, form.TabSheet1);
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        samples.program.push_back(WalkRun(form));
        Require(form.lvCookies->Count() == 2 * kBrowserGroups, "the walk lists every group");
        samples.floor.push_back(
            BrowserWalkFloor(profiles, CookieRows(form), form.lvCookies->size()));
    }
    return samples;
}

Samples MeasureHistory(TMainForm& form, const BrowserProfiles& profiles, int runs) {
    ShowPage(form, form.TabSheet2);
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        samples.program.push_back(HistoryRun(form));
        Require(form.Edit1->text() == QString::number(2 * kBrowserHttpPages),
                "the grid lists every http page");
        samples.floor.push_back(
            BrowserHistoryFloor(profiles, HistoryRows(form), form.StringGrid1->size()));
    }
    return samples;
}

Samples MeasureDelete(TMainForm& form, const BrowserProfiles& profiles, Browser browser,
                      const KeptStore& kept, int runs) {
    ShowPage(form, form.TabSheet1);
    const std::string prefix =
        "Cookie:" + (browser == Browser::Firefox ? profiles.firefoxLabel : profiles.chromiumLabel) +
        "@";
    Samples samples;
    std::vector<std::string> deleted;
    std::vector<RowTexts> notChecked;
    for (int run = 0; run < runs; ++run) {
        kept.PutBack();
        const RowPick check = [&prefix, row = 0](const std::string& address) mutable {
            return address.rfind(prefix, 0) == 0 && row++ % kCheckEvery == 0;
        };
        samples.program.push_back(DeleteRun(form, check, deleted, notChecked));
        Require(deleted.size() == kBrowserGroups / kCheckEvery, "a quarter of the groups checked");
        Require(form.lvCookies->Count() == 2 * kBrowserGroups - static_cast<int>(deleted.size()),
                "the rebuilt list lacks exactly the deleted rows");
        const std::vector<RowTexts> rebuilt = CookieRows(form);
        kept.PutBack();
        samples.floor.push_back(
            BrowserDeleteFloor(profiles, browser, deleted, rebuilt, form.lvCookies->size()));
    }
    kept.PutBack();
    return samples;
}

}  // namespace

BrowserFloorTimes MeasureBrowsers(TMainForm& form, const BrowserProfiles& profiles,
                                  const QString& keptDir, int runs, const Selection& only) {
    const BrowsersInView view(profiles);
    BrowserFloorTimes floors;
    // The start-up's floor is theirs: they run for it too.
    const struct {
        const char* name;
        Samples (*measure)(TMainForm&, const BrowserProfiles&, int);
        double* floor;
    } listings[] = {{"browser-walk", MeasureWalk, &floors.walk},
                    {"browser-history", MeasureHistory, &floors.history}};
    for (const auto& [name, measure, floor] : listings) {
        if (!only.HasAny({name, "browser-startup"}))
            continue;
        Progress(name);
        const Samples samples = measure(form, profiles, runs);
        *floor = Median(samples.floor);
        if (only.Has(name))
            Print(FiguresLine(name, samples, kBrowserTarget));
    }
    const struct {
        const char* name;
        Browser browser;
        const std::string& cookies;
    } deletions[] = {{"browser-delete-firefox", Browser::Firefox, profiles.firefoxCookies},
                     {"browser-delete-chromium", Browser::Chromium, profiles.chromiumCookies}};
    for (const auto& [name, browser, cookies] : deletions) {
        if (!only.Has(name))
            continue;
        Progress(name);
        const KeptStore kept(cookies, (keptDir + "/" + name).toStdString());
        Print(
            FiguresLine(name, MeasureDelete(form, profiles, browser, kept, runs), kBrowserTarget));
    }
    return floors;
}

void MeasureBrowserStartup(const BrowserProfiles& profiles, const QString& emptyDataHome, int runs,
                           const BrowserFloorTimes& floors) {
    const auto start = [&profiles, &emptyDataHome] {
        const BrowsersInView view(profiles);
        return RunStartup(emptyDataHome);
    };
    MeasureStartupAgainst("browser-startup", start, floors.walk + floors.history, emptyDataHome,
                          runs, kBrowserTarget);
}
