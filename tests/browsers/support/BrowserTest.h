// The fixture of a real browser's tests: a temporary home (HOME and the XDG
// folders) holding the profile the browser made while the suite set up,
// put back as made before each case, so that the cases run in any order; a
// PageServer for the browser to visit; COM for the platform calls. One
// browser per test program: the state is the suite's.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "PageServer.h"
#include "TempDataDir.h"

// GoogleTest prints a QString, a browser's failure above all, as its text.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << text.toStdString();
}

class BrowserTest : public ::testing::Test {
protected:
    // The suite's SetUpTestSuite: SetUpHome, then make the profile in Home()
    // (CannotStart when the browser's first run fails), then KeepHome.
    static void SetUpHome();
    // The browser cannot start here, as `failure` shows in its own words:
    // its cases are skipped saying so, or fail when EveryBrowserRequired().
    static void CannotStart(const QString& failure);
    // Unless the set-up failed, every case starts from the home as it is now.
    static void KeepHome();
    static void TearDownTestSuite();

    void SetUp() override;
    void TearDown() override;

    static QString Home() { return QString::fromStdString(home_->Path()); }
    static PageServer& Server() { return *server_; }
    static QString Url(const QString& host, const QString& path) {
        return server_->Url(host, path);
    }
    // The same as the history lists it.
    static std::string PageUrl(const QString& host, const QString& path) {
        return Url(host, path).toStdString();
    }

    // The bytes of every file in `folder`, by name.
    static std::map<QString, QByteArray> FolderBytes(const QString& folder);
    // Each of the stores in `folder` passes SQLite's integrity check.
    static void ExpectIntact(const QString& folder, std::initializer_list<const char*> stores);
    // While the browser runs, each change is refused with `refusal`: the
    // deletion of `address` is taken, but the walk after it still lists it
    // and ends saying why; clearing the history and deleting a page of it
    // say so at once, and the page is still listed.
    static void ExpectChangesRefused(const std::string& address, const std::string& refusal);

    // FILETIME ticks around the making of the profile: every time it holds
    // lies between them.
    static inline std::uint64_t madeFrom_ = 0;
    static inline std::uint64_t madeUntil_ = 0;

private:
    static inline std::unique_ptr<TempDataDir> home_;
    static inline std::unique_ptr<PageServer> server_;
    static inline std::unique_ptr<QTemporaryDir> kept_;
    static inline QString cannotStart_;
};
