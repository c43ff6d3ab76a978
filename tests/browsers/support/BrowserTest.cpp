#include "BrowserTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

#include "BrowserRun.h"
#include "CacheWalk.h"
#include "PlatformStores.h"
#include "StoreSql.h"
#include "platform/comobj.h"
#include "platform/objbase.h"
#include "platform/sysutils.h"

namespace fs = std::filesystem;

namespace {

// Copies the folder `from` into `to`, links as links; what went wrong, ""
// when nothing did.
std::string CopyFolder(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    return error ? "cannot copy " + from.string() + " to " + to.string() + ": " + error.message()
                 : "";
}

}  // namespace

void BrowserTest::SetUpHome() {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    home_ = std::make_unique<TempDataDir>();
    server_ = std::make_unique<PageServer>();
    madeFrom_ = FileTimeNow();
}

void BrowserTest::CannotStart(const QString& failure) {
    cannotStart_ = failure;
}

void BrowserTest::KeepHome() {
    if (HasFatalFailure())
        return;
    madeUntil_ = FileTimeNow();
    auto kept = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(kept->isValid()) << kept->errorString();
    const std::string failure = CopyFolder(home_->Path(), kept->path().toStdString());
    ASSERT_EQ(failure, "");
    kept_ = std::move(kept);
}

void BrowserTest::TearDownTestSuite() {
    kept_.reset();
    server_.reset();
    home_.reset();
    CoUninitialize();
}

void BrowserTest::SetUp() {
    if (!cannotStart_.isEmpty()) {
        if (EveryBrowserRequired())
            FAIL() << "the browser cannot start here:\n" << cannotStart_;
        GTEST_SKIP() << "the browser cannot start here (ORVALLA_ALL_BROWSERS=1 fails instead):\n"
                     << cannotStart_;
    }
    ASSERT_TRUE(kept_) << "the suite's set-up made no profile";
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(home_->Path(), error)) {
        if (!error)
            fs::remove_all(entry.path(), error);
    }
    ASSERT_FALSE(error) << "cannot empty " << home_->Path() << ": " << error.message();
    ASSERT_EQ(CopyFolder(kept_->path().toStdString(), home_->Path()), "");
    server_->ClearRequests();
}

// A walk commits the deletions the case still holds, and takes their
// failures, so that none reaches the next case's profile.
void BrowserTest::TearDown() {
    if (kept_)
        WalkCache([](const EntryBuffer&) {});
}

std::map<QString, QByteArray> BrowserTest::FolderBytes(const QString& folder) {
    std::map<QString, QByteArray> bytes;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(entry.filePath());
        bytes[entry.fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : "unread";
    }
    return bytes;
}

void BrowserTest::ExpectIntact(const QString& folder, std::initializer_list<const char*> stores) {
    for (const char* store : stores) {
        EXPECT_EQ(Sql((folder + '/' + store).toStdString(), "PRAGMA integrity_check"), "ok\n")
            << store;
    }
}

void BrowserTest::ExpectChangesRefused(const std::string& address, const std::string& refusal) {
    // Deleted from a reading of this profile, as the window deletes a row
    // it shows, not from the last case's.
    ASSERT_EQ(WalkCookies().count(address), 1u);
    EXPECT_TRUE(DeleteUrlCacheEntryA(address.c_str()));
    DWORD walked = 0;
    EXPECT_EQ(WalkCookies(&walked).count(address), 1u);
    EXPECT_EQ(walked, DWORD{ERROR_LOCK_VIOLATION});
    EXPECT_EQ(LastErrorDetail(), refusal);
    const HRESULT cleared = OpenHistory()->ClearHistory();
    EXPECT_EQ(cleared, HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
    EXPECT_EQ(OleErrorMessage(cleared), refusal);
    const auto pages = ListHistory();
    ASSERT_FALSE(pages.empty());
    const std::string page = pages.begin()->first;
    const HRESULT deleted =
        OpenHistory()->DeleteUrl(QString::fromStdString(page).toStdU16String().c_str(), 0);
    EXPECT_EQ(deleted, HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
    EXPECT_EQ(OleErrorMessage(deleted), refusal);
    EXPECT_EQ(ListHistory().count(page), 1u);
}
