// Chromium's own profile, made by the real browser visiting a local server,
// read and changed through the platform calls; the browser then runs again
// and shows by the cookies it sends what is left.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

#include "BrowserRun.h"
#include "PageServer.h"
#include "PlatformStores.h"
#include "RunTool.h"
#include "StoreSql.h"
#include "TempDataDir.h"
#include "platform/comobj.h"
#include "platform/objbase.h"
#include "platform/sysutils.h"

using namespace std::chrono_literals;

namespace {

class ChromiumTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        home_ = std::make_unique<TempDataDir>();
        server_ = std::make_unique<PageServer>();
        server_->SetPage("/a/one",
                         {.title = "A one",
                          .setCookies = {"one=1; Max-Age=86400; Path=/a",
                                         "two=2; Max-Age=172800; Path=/a", "session=1; Path=/a"}});
        server_->SetPage(
            "/b/one", {.title = "B one",
                       .setCookies = {"three=3; Max-Age=3600; Path=/b",
                                      "stale=1; Path=/b; Expires=Thu, 01 Jan 1998 00:00:00 GMT"}});
        server_->SetPage(
            "/",
            {.title = "Home",
             .setCookies = {"dom=1; Domain=b.localhost; Max-Age=7200; Path=/",
                            "host=1; Max-Age=7200; Path=/",
                            "part=1; Secure; Partitioned; SameSite=None; Max-Age=7200; Path=/"}});
        server_->SetPage("/check", {.title = "Check"});
        for (const char* path : {"/a/check", "/b/check"})
            server_->SetPage(path, {.title = "Check"});
        WriteBookmark(Url("a.localhost", "/a/one"));
        started_ = FileTimeNow();
        for (const auto& [host, path] : {std::pair{"a.localhost", "/a/one"},
                                         {"a.localhost", "/b/one"},
                                         {"b.localhost", "/"}}) {
            Visit(host, path);
        }
        finished_ = FileTimeNow();
    }
    static void TearDownTestSuite() {
        server_.reset();
        home_.reset();
        CoUninitialize();
    }

    static QString UserDataDir() {
        return QString::fromStdString(home_->Path()) + "/.config/chromium";
    }
    static std::string ProfileFile(const char* name) {
        return UserDataDir().toStdString() + "/Default/" + name;
    }

    static QStringList Arguments(const QString& url) {
        return {"--headless=new",
                "--no-sandbox",
                "--password-store=basic",
                "--no-first-run",
                "--disable-background-networking",
                "--disable-component-update",
                "--user-data-dir=" + UserDataDir(),
                url};
    }

    // One run of the browser that loads one page and ends.
    static void Visit(const QString& host, const QString& path) {
        const QString chromium = FindBrowser("chromium");
        ASSERT_FALSE(chromium.isEmpty()) << "chromium is not installed";
        QStringList arguments = Arguments(server_->Url(host, path));
        arguments.insert(arguments.size() - 1, "--dump-dom");
        const QString failure = RunBrowser(
            chromium, arguments, BrowserEnvironment(QString::fromStdString(home_->Path())), 90s);
        ASSERT_EQ(failure.toStdString(), "");
    }

    static std::string Url(const char* host, const char* path) {
        return server_->Url(host, path).toStdString();
    }

    static QByteArray ReadBookmarks() {
        QFile file(QString::fromStdString(ProfileFile("Bookmarks")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Headless Chromium has no way to make a bookmark, so the profile starts
    // with the file it would have written for one, which it then keeps.
    static void WriteBookmark(const std::string& url) {
        ASSERT_TRUE(WriteFile(QString::fromStdString(ProfileFile("Bookmarks")),
                              QByteArray(R"({"roots": {"bookmark_bar": {"children": [{"id": "4",
            "name": "A one", "type": "url", "url": ")") +
                                  url.c_str() + R"("}], "id": "1",
            "name": "Bookmarks bar", "type": "folder"}, "other": {"children": [], "id": "2",
            "name": "Other bookmarks", "type": "folder"}, "synced": {"children": [], "id": "3",
            "name": "Mobile bookmarks", "type": "folder"}}, "version": 1})"));
    }

    static inline std::unique_ptr<TempDataDir> home_;
    static inline std::unique_ptr<PageServer> server_;
    static inline std::uint64_t started_ = 0;
    static inline std::uint64_t finished_ = 0;
};

// The tests run in this order, each on what the one before left.
TEST_F(ChromiumTest, ListsCookieGroupsAndVisitedPages) {
    // Session cookies are never written, an expired one is dropped; the
    // domain cookie keeps its dot, and a partitioned one is a group of its
    // own. Expiry is the group's latest.
    const std::map<std::string, std::uint64_t> lifetimes = {
        {"Cookie:chromium.Default@a.localhost /a", 172800},
        {"Cookie:chromium.Default@a.localhost /b", 3600},
        {"Cookie:chromium.Default@.b.localhost /", 7200},
        {"Cookie:chromium.Default@b.localhost /", 7200},
        {"Cookie:chromium.Default@b.localhost / (partition http://b.localhost)", 7200}};
    const auto groups = WalkCookies();
    ASSERT_EQ(groups.size(), lifetimes.size());
    for (const auto& [address, lifetime] : lifetimes) {
        SCOPED_TRACE(address);
        ASSERT_EQ(groups.count(address), 1u);
        const auto& group = groups.at(address);
        EXPECT_GE(group.modified, started_);
        EXPECT_LE(group.modified, finished_);
        EXPECT_NEAR(double(group.expires - group.modified), double(lifetime * kSecond),
                    double(kSecond));
    }

    std::map<std::string, std::string> titles;
    for (const auto& [url, page] : ListHistory()) {
        titles[url] = page.title;
        EXPECT_GE(page.visited, started_) << url;
        EXPECT_LE(page.visited, finished_) << url;
    }
    const std::map<std::string, std::string> expected = {{Url("a.localhost", "/a/one"), "A one"},
                                                         {Url("a.localhost", "/b/one"), "B one"},
                                                         {Url("b.localhost", "/"), "Home"}};
    EXPECT_EQ(titles, expected);
}

TEST_F(ChromiumTest, DeletesExactlyOneGroup) {
    const std::string address = "Cookie:chromium.Default@a.localhost /a";
    EXPECT_FALSE(DeleteUrlCacheEntryA("Cookie:firefox.default@a.localhost /a"));
    EXPECT_TRUE(DeleteUrlCacheEntryA(address.c_str()));
    EXPECT_FALSE(DeleteUrlCacheEntryA(address.c_str()));
    // Its host and path have cookies outside the partition, which stay.
    EXPECT_TRUE(DeleteUrlCacheEntryA(
        "Cookie:chromium.Default@b.localhost / (partition http://b.localhost)"));
    EXPECT_EQ(WalkCookies().size(), 3u);

    server_->ClearRequests();
    Visit("a.localhost", "/a/check");
    Visit("a.localhost", "/b/check");
    Visit("b.localhost", "/check");
    EXPECT_EQ(server_->CookiesSent("a.localhost", "/a/check"), QList<QByteArray>{""});
    EXPECT_EQ(server_->CookiesSent("a.localhost", "/b/check"), QList<QByteArray>{"three=3"});
    const QList<QByteArray> sent = server_->CookiesSent("b.localhost", "/check");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0] == "dom=1; host=1" || sent[0] == "host=1; dom=1") << sent[0].constData();
}

TEST_F(ChromiumTest, RunningBrowserIsReadFromACopyAndNeverChanged) {
    const std::string history = ProfileFile("History");
    const std::string before =
        Sql(ProfileFile("Cookies"), "SELECT host_key, path, name FROM cookies ORDER BY 1, 2, 3");
    const QStringList arguments = Arguments(server_->Url("b.localhost", "/check"))
                                  << "--remote-debugging-port=0";
    BrowserRun browser(FindBrowser("chromium"), arguments,
                       BrowserEnvironment(QString::fromStdString(home_->Path())));
    // Wait until it holds History locked, so that only a copy can be read.
    bool locked = false;
    for (int i = 0; i < 150 && !locked && browser.Running(); ++i) {
        RunEventLoop(100ms);
        locked = Sql(history, "SELECT count(*) FROM urls").empty();
    }
    ASSERT_TRUE(locked) << browser.Errors().constData();

    EXPECT_EQ(WalkCookies().size(), 3u);
    EXPECT_FALSE(ListHistory().empty());
    const std::string refusal = "Chromium (Default) is running: close it first";
    EXPECT_TRUE(DeleteUrlCacheEntryA("Cookie:chromium.Default@a.localhost /b"));
    DWORD walked = 0;
    EXPECT_EQ(WalkCookies(&walked).size(), 3u);
    EXPECT_EQ(walked, DWORD{ERROR_LOCK_VIOLATION});
    EXPECT_EQ(LastErrorDetail(), refusal);
    const HRESULT cleared = OpenHistory()->ClearHistory();
    EXPECT_EQ(cleared, HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
    EXPECT_EQ(OleErrorMessage(cleared), refusal);

    EXPECT_TRUE(browser.Stop(30s));
    EXPECT_EQ(browser.ExitCode(), 0);
    EXPECT_EQ(
        Sql(ProfileFile("Cookies"), "SELECT host_key, path, name FROM cookies ORDER BY 1, 2, 3"),
        before);
    for (const char* file : {"Cookies", "History"})
        EXPECT_EQ(Sql(ProfileFile(file), "PRAGMA integrity_check"), "ok\n") << file;
    EXPECT_EQ(WalkCookies().size(), 3u);
}

TEST_F(ChromiumTest, ClearedHistoryKeepsBookmarkedPagesAndOpensCleanly) {
    // A browser killed outright leaves its lock behind, naming a process
    // that is gone: the profile is closed.
    const QString lock = UserDataDir() + "/SingletonLock";
    {
        BrowserRun killed(FindBrowser("chromium"), Arguments(server_->Url("b.localhost", "/check")),
                          BrowserEnvironment(QString::fromStdString(home_->Path())));
        for (int i = 0; i < 150 && !QFileInfo(lock).isSymLink(); ++i)
            RunEventLoop(100ms);
    }
    ASSERT_TRUE(QFileInfo(lock).isSymLink());

    ASSERT_EQ(OpenHistory()->ClearHistory(), S_OK);
    EXPECT_TRUE(ListHistory().empty());
    const std::string history = ProfileFile("History");
    EXPECT_EQ(Sql(history, "SELECT url, visit_count, typed_count, last_visit_time FROM urls"),
              Url("a.localhost", "/a/one") + "|0|0|0\n");
    EXPECT_EQ(Sql(history, "SELECT count(*) FROM visits"), "0\n");
    EXPECT_EQ(Sql(ProfileFile("Top Sites"), "SELECT count(*) FROM top_sites"), "0\n");

    Visit("b.localhost", "/check");
    for (const char* file : {"History", "Favicons", "Top Sites"})
        EXPECT_EQ(Sql(ProfileFile(file), "PRAGMA integrity_check"), "ok\n") << file;
    const auto pages = ListHistory();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages.begin()->first, Url("b.localhost", "/check"));
    EXPECT_TRUE(ReadBookmarks().contains(Url("a.localhost", "/a/one").c_str()));
}

// Nothing a user data folder holds blocks the program or is read without
// bound, and each source that cannot be read is named, after every group
// there is: a Local State that never ends, one that is a pipe no one
// writes, and a profile whose name holds a terminal escape and whose
// cookies are damaged. orvalla-stores escapes that name.
TEST_F(ChromiumTest, HostileFoldersAreReportedWithoutBlocking) {
    const QString config = QString::fromStdString(home_->Path()) + "/.config";
    ASSERT_TRUE(QDir().mkpath(config + "/google-chrome"));
    ASSERT_TRUE(QFile::link("/dev/zero", config + "/google-chrome/Local State"));
    ASSERT_TRUE(QDir().mkpath(config + "/vivaldi"));
    ASSERT_EQ(mkfifo((config + "/vivaldi/Local State").toUtf8().constData(), 0600), 0);
    const QString brave = config + "/BraveSoftware/Brave-Browser";
    ASSERT_TRUE(WriteFile(brave + "/Local State",
                          R"({"profile": {"info_cache": {"Evil\u001b[31m": {}}}})"));
    ASSERT_TRUE(WriteFile(brave + "/Evil\x1b[31m/Cookies", QByteArray(4096, 'x')));

    DWORD end = 0;
    EXPECT_EQ(WalkCookies(&end).size(), 3u);
    const std::string detail = LastErrorDetail();
    for (const QString& named : {config + "/google-chrome/Local State",
                                 config + "/vivaldi/Local State", QString("Brave (Evil\x1b[31m)")})
        EXPECT_NE(detail.find(named.toStdString()), std::string::npos) << detail;
    const ToolResult listed = RunTool({"list-cache"});
    EXPECT_NE(listed.err.find("Brave (Evil"), std::string::npos) << listed.err;
    EXPECT_EQ(listed.err.find('\x1b'), std::string::npos) << listed.err;
}

// Each channel of a Chromium-family browser keeps a user data folder of its
// own, and its rows name it.
TEST_F(ChromiumTest, OtherChannelsAreFoundInTheirOwnFolders) {
    const QString beta = QString::fromStdString(home_->Path()) + "/.config/google-chrome-beta";
    ASSERT_TRUE(QDir().mkpath(beta + "/Default"));
    ASSERT_TRUE(QFile::copy(UserDataDir() + "/Local State", beta + "/Local State"));
    ASSERT_TRUE(
        QFile::copy(QString::fromStdString(ProfileFile("Cookies")), beta + "/Default/Cookies"));

    DWORD end = 0;
    const auto groups = WalkCookies(&end);
    EXPECT_EQ(groups.count("Cookie:chromium.Default@b.localhost /"), 1u);
    EXPECT_EQ(groups.count("Cookie:google-chrome-beta.Default@b.localhost /"), 1u);
}

}  // namespace
