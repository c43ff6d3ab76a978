// Builds the real window on a temporary data set, with United States regional
// settings and universal time unless a test says otherwise.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ErrorBoxWatcher.h"
#include "MainUnit.h"
#include "TempDataDir.h"
#include "platform/regional.h"
#include "platform/sysutils.h"
#include "platform/wininet.h"

class WindowFixture : public ::testing::Test {
protected:
    WindowFixture();
    ~WindowFixture() override;

    // A FILETIME for a universal date and time.
    static FILETIME Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    // Adds a cache entry the way a browser would.
    static void AddEntry(const std::string& address, DWORD type = COOKIE_CACHE_ENTRY,
                         DWORD hits = 0, FILETIME modified = Utc(2026, 1, 2, 3, 4, 6),
                         FILETIME expires = Utc(2027, 1, 2, 3, 4, 6));
    static bool CacheHas(const std::string& address);
    // Adds a visited page the way a browser would.
    static void Visit(const std::string& url, const std::string& title = "Page",
                      FILETIME visited = Utc(2026, 3, 2, 9, 15, 0));

    std::string CachePath() const { return dataDir_.StoreDir() + "/urlcache.sqlite"; }
    std::string HistoryPath() const { return dataDir_.StoreDir() + "/history.sqlite"; }

    // Creates the window (running FormCreate) with its error boxes answered.
    TMainForm& Create();
    // Shows and activates the window, running FormActivate.
    void ShowAndActivate();

    std::vector<std::string> ErrorTexts() const { return errors_->Texts(); }
    std::vector<std::string> Captions(int column) const;

    TempDataDir dataDir_;
    ScopedEnv timeZone_{"TZ", "UTC"};
    ScopedEnv locale_{"LC_ALL", "C"};
    std::unique_ptr<ErrorBoxWatcher> errors_ = std::make_unique<ErrorBoxWatcher>();
    std::unique_ptr<TMainForm> form_;
};
