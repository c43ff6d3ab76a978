// Chromium's own profile, made by the real browser visiting a local server,
// read and changed through the platform calls; the browser then runs again
// and shows by the cookies it sends what is left. Each case starts from the
// profile as made.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <vector>

#include "BrowserRun.h"
#include "BrowserTest.h"
#include "HeadlessProfiles.h"
#include "PlatformStores.h"
#include "RunTool.h"
#include "StoreSql.h"
#include "platform/comobj.h"
#include "platform/cookiesource.h"
#include "platform/sysutils.h"

using namespace std::chrono_literals;

namespace {

class ChromiumTest : public BrowserTest {
protected:
    static void SetUpTestSuite() {
        SetUpHome();
        Server().SetPage("/a/one",
                         {.title = "A one",
                          .setCookies = {"one=1; Max-Age=86400; Path=/a",
                                         "two=2; Max-Age=172800; Path=/a", "session=1; Path=/a"}});
        Server().SetPage(
            "/b/one", {.title = "B one",
                       .setCookies = {"three=3; Max-Age=3600; Path=/b",
                                      "stale=1; Path=/b; Expires=Thu, 01 Jan 1998 00:00:00 GMT"}});
        Server().SetPage(
            "/",
            {.title = "Home",
             .setCookies = {"dom=1; Domain=b.localhost; Max-Age=7200; Path=/",
                            "host=1; Max-Age=7200; Path=/",
                            "part=1; Secure; Partitioned; SameSite=None; Max-Age=7200; Path=/"}});
        for (const char* path : {"/check", "/a/check", "/b/check"})
            Server().SetPage(path, {.title = "Check"});
        WriteBookmark(Url("a.localhost", "/a/one"));
        // The first run makes the profile.
        if (const QString failure = RunChromium(Home(), Url("a.localhost", "/a/one"));
            !failure.isEmpty())
            return CannotStart(failure);
        Visit("a.localhost", "/b/one");
        Visit("b.localhost", "/");
        KeepHome();
    }

    static std::string ProfileFile(const char* name) {
        return (ChromiumUserData(Home()) + "/Default/" + name).toStdString();
    }

    // One run of the browser that loads one page and ends.
    static void Visit(const char* host, const char* path) {
        const QString failure = RunChromium(Home(), Url(host, path));
        ASSERT_TRUE(failure.isEmpty()) << failure;
    }
    // A run that stays on the page until it is ended.
    static BrowserRun Start(const QStringList& more = {}) {
        return BrowserRun(FindChromium(),
                          ChromiumArguments(Home(), Url("b.localhost", "/check")) + more,
                          BrowserEnvironment(Home()));
    }

    static QByteArray ReadBookmarks() {
        QFile file(QString::fromStdString(ProfileFile("Bookmarks")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Headless Chromium has no way to make a bookmark, so the profile starts
    // with the file it would have written for one, which it then keeps.
    static void WriteBookmark(const QString& url) {
        ASSERT_TRUE(WriteFile(QString::fromStdString(ProfileFile("Bookmarks")),
                              QByteArray(R"({"roots": {"bookmark_bar": {"children": [{"id": "4",
            "name": "A one", "type": "url", "url": ")") +
                                  url.toUtf8() + R"("}], "id": "1",
            "name": "Bookmarks bar", "type": "folder"}, "other": {"children": [], "id": "2",
            "name": "Other bookmarks", "type": "folder"}, "synced": {"children": [], "id": "3",
            "name": "Mobile bookmarks", "type": "folder"}}, "version": 1})"));
    }
};

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
        EXPECT_GE(group.modified, madeFrom_);
        EXPECT_LE(group.modified, madeUntil_);
        EXPECT_NEAR(double(group.expires - group.modified), double(lifetime * kSecond),
                    double(kSecond));
    }

    std::map<std::string, std::string> titles;
    for (const auto& [url, page] : ListHistory()) {
        titles[url] = page.title;
        EXPECT_GE(page.visited, madeFrom_) << url;
        EXPECT_LE(page.visited, madeUntil_) << url;
    }
    const std::map<std::string, std::string> expected = {
        {PageUrl("a.localhost", "/a/one"), "A one"},
        {PageUrl("a.localhost", "/b/one"), "B one"},
        {PageUrl("b.localhost", "/"), "Home"}};
    EXPECT_EQ(titles, expected);
}

TEST_F(ChromiumTest, DeletesExactlyOneGroup) {
    const std::string address = "Cookie:chromium.Default@a.localhost /a";
    ASSERT_EQ(WalkCookies().count(address), 1u);
    EXPECT_FALSE(DeleteUrlCacheEntryA("Cookie:firefox.default@a.localhost /a"));
    EXPECT_TRUE(DeleteUrlCacheEntryA(address.c_str()));
    EXPECT_FALSE(DeleteUrlCacheEntryA(address.c_str()));
    // Its host and path have cookies outside the partition, which stay.
    EXPECT_TRUE(DeleteUrlCacheEntryA(
        "Cookie:chromium.Default@b.localhost / (partition http://b.localhost)"));
    EXPECT_EQ(WalkCookies().size(), 3u);

    Visit("a.localhost", "/a/check");
    Visit("a.localhost", "/b/check");
    Visit("b.localhost", "/check");
    EXPECT_EQ(Server().CookiesSent("a.localhost", "/a/check"), QList<QByteArray>{""});
    EXPECT_EQ(Server().CookiesSent("a.localhost", "/b/check"), QList<QByteArray>{"three=3"});
    const QList<QByteArray> sent = Server().CookiesSent("b.localhost", "/check");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0] == "dom=1; host=1" || sent[0] == "host=1; dom=1") << sent[0].constData();
}

// Only the kept site's cookies stay in Chromium's own file, which it reads
// again as its own.
TEST_F(ChromiumTest, DeleteAllKeepsOnlyTheKeptSitesCookies) {
    const ToolResult deleted = RunTool({"delete-cache", "--all", "--keep", "b.localhost"});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_EQ(Sql(ProfileFile("Cookies"), "SELECT host_key, name FROM cookies ORDER BY 2"),
              ".b.localhost|dom\nb.localhost|host\nb.localhost|part\n");
    Visit("a.localhost", "/a/check");
    EXPECT_EQ(Server().CookiesSent("a.localhost", "/a/check"), QList<QByteArray>{""});
    ExpectIntact(ChromiumUserData(Home()) + "/Default", {"Cookies", "History"});
}

TEST_F(ChromiumTest, RunningBrowserIsReadFromACopyAndNeverChanged) {
    const std::string history = ProfileFile("History");
    const std::string before =
        Sql(ProfileFile("Cookies"), "SELECT host_key, path, name FROM cookies ORDER BY 1, 2, 3");
    BrowserRun browser = Start({"--remote-debugging-port=0"});
    // Wait until it holds History locked, so that only a copy can be read.
    ASSERT_TRUE(RunEventLoopUntil(
        [&] { return Sql(history, "SELECT count(*) FROM urls").empty() || !browser.Running(); },
        15s));
    ASSERT_TRUE(browser.Running()) << browser.Failure("did not lock History within 15 s");

    EXPECT_EQ(WalkCookies().size(), 5u);
    COOKIE_ENTRY_SOURCE source;
    ASSERT_TRUE(GetCookieEntrySource("Cookie:chromium.Default@a.localhost /a", 20, &source))
        << LastErrorDetail();
    EXPECT_EQ(source.CookieCount, 2u);
    EXPECT_EQ(source.CookieNames, (std::vector<std::string>{"one", "two"}));
    EXPECT_FALSE(ListHistory().empty());
    const ToolResult all = RunTool({"delete-cache", "--all"});
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_NE(all.err.find("delete-cache: 0 of 5 groups deleted; Chromium (Default) is running: "
                           "its 5 groups are kept: close it first\n"),
              std::string::npos)
        << all.err;
    const ToolResult forgot = RunTool({"forget", "a.localhost"});
    EXPECT_EQ(forgot.err,
              "orvalla-stores: forget: 0 of 2 groups and 0 of 2 pages deleted; Chromium (Default) "
              "is running: its 2 groups and 2 pages are kept: close it first\n");
    const std::string sources = RunTool({"sources"}).out;
    const std::size_t line = sources.find("chromium.Default browser=Chromium");
    ASSERT_NE(line, std::string::npos) << sources;
    EXPECT_EQ(sources.substr(sources.find('\n', line) - 5, 6), " runs\n") << sources;
    ExpectChangesRefused("Cookie:chromium.Default@a.localhost /b",
                         "Chromium (Default) is running: close it first");

    ASSERT_TRUE(browser.Stop(30s)) << browser.Failure("did not end within 30 s of SIGTERM");
    EXPECT_EQ(browser.ExitCode(), 0);
    EXPECT_EQ(
        Sql(ProfileFile("Cookies"), "SELECT host_key, path, name FROM cookies ORDER BY 1, 2, 3"),
        before);
    ExpectIntact(ChromiumUserData(Home()) + "/Default", {"Cookies", "History"});
    EXPECT_EQ(WalkCookies().size(), 5u);
}

TEST_F(ChromiumTest, ClearedHistoryKeepsBookmarkedPagesAndOpensCleanly) {
    // A browser killed outright leaves its lock behind, naming a process
    // that is gone: the profile is closed.
    const QString lock = ChromiumUserData(Home()) + "/SingletonLock";
    BrowserRun killed = Start();
    RunEventLoopUntil([&] { return QFileInfo(lock).isSymLink() || !killed.Running(); }, 15s);
    ASSERT_TRUE(QFileInfo(lock).isSymLink()) << killed.Failure("made no SingletonLock within 15 s");
    ASSERT_TRUE(killed.Kill(5s)) << killed.Failure("did not end within 5 s of SIGKILL");

    // Cleared alone, it leaves the own store's page.
    ASSERT_EQ(RunTool({"add-history", "http://own.localhost/"}).exitCode, 0);
    const ToolResult cleared = RunTool({"clear-history", "--source", "chromium"});
    ASSERT_EQ(cleared.exitCode, 0) << cleared.err;
    EXPECT_EQ(ListHistory().count("http://own.localhost/"), 1u);
    const std::string history = ProfileFile("History");
    EXPECT_EQ(Sql(history, "SELECT url, visit_count, typed_count, last_visit_time FROM urls"),
              PageUrl("a.localhost", "/a/one") + "|0|0|0\n");
    EXPECT_EQ(Sql(history, "SELECT count(*) FROM visits"), "0\n");
    EXPECT_EQ(Sql(ProfileFile("Top Sites"), "SELECT count(*) FROM top_sites"), "0\n");

    Visit("b.localhost", "/check");
    ExpectIntact(ChromiumUserData(Home()) + "/Default", {"History", "Favicons", "Top Sites"});
    const auto pages = ListHistory();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages.count(PageUrl("b.localhost", "/check")), 1u);
    EXPECT_TRUE(ReadBookmarks().contains(Url("a.localhost", "/a/one").toUtf8()));
}

// Pages go with their visits, their rows and the icons only they show; a
// bookmarked page's icon stays with its bookmark. Chromium then opens the
// profile cleanly and does not show them again.
TEST_F(ChromiumTest, DeletedPagesGoAsChromiumRemovesThem) {
    const std::string marked = PageUrl("a.localhost", "/a/one");
    const std::string plain = PageUrl("a.localhost", "/b/one");
    const std::string icons =
        "INSERT INTO favicons (id, url) VALUES (77, 'i77'), (78, 'i78'); "
        "INSERT INTO favicon_bitmaps (icon_id) VALUES (77), (78); "
        "INSERT INTO icon_mapping (page_url, icon_id) VALUES ('" +
        plain + "', 77), ('" + marked + "', 78)";
    Sql(ProfileFile("Favicons"), icons.c_str(), true);
    std::vector<std::u16string> wide;
    for (const std::string& url : {marked, plain})
        wide.push_back(QString::fromStdString(url).toStdU16String());
    const LPCWSTR urls[] = {wide[0].c_str(), wide[1].c_str()};
    ASSERT_EQ(DeleteUrlHistoryEntries(urls, 2), S_OK);

    const std::string history = ProfileFile("History");
    const std::string gone = "SELECT count(*) FROM urls WHERE url IN ('" + marked + "', '" + plain +
                             "') UNION ALL SELECT count(*) FROM visits WHERE url NOT IN "
                             "(SELECT id FROM urls)";
    EXPECT_EQ(Sql(history, gone.c_str()), "0\n0\n");
    EXPECT_EQ(Sql(ProfileFile("Favicons"),
                  "SELECT id FROM favicons WHERE id > 76 UNION ALL SELECT icon_id FROM "
                  "favicon_bitmaps WHERE icon_id > 76 UNION ALL SELECT count(*) FROM icon_mapping "
                  "WHERE icon_id > 76"),
              "78\n78\n1\n");

    Visit("b.localhost", "/check");
    ExpectIntact(ChromiumUserData(Home()) + "/Default", {"History", "Favicons", "Top Sites"});
    const auto pages = ListHistory();
    EXPECT_EQ(pages.count(marked) + pages.count(plain), 0u);
    EXPECT_EQ(pages.count(PageUrl("b.localhost", "/check")), 1u);
    EXPECT_TRUE(ReadBookmarks().contains(marked.c_str()));
}

// A dry run changes no byte; then the site's cookies and its pages of every
// scheme with their visits go from Chromium's files, the Bookmarks file is
// untouched, and the other site keeps every row.
TEST_F(ChromiumTest, ForgetDeletesOneSitesCookiesAndPagesAndLeavesTheBookmark) {
    Sql(ProfileFile("History"),
        "INSERT INTO urls (url, title, visit_count, last_visit_time) VALUES "
        "('https://a.localhost/secure', 'Secure', 1, 13300000000000000); "
        "INSERT INTO visits (url, visit_time) VALUES (last_insert_rowid(), 13300000000000000)",
        true);
    ASSERT_NE(RunTool({"list-history"}).out.find(" https://a.localhost/secure title=Secure"),
              std::string::npos);
    const QString folder = ChromiumUserData(Home()) + "/Default";
    const auto before = FolderBytes(folder);
    const ToolResult dryRun = RunTool({"forget", "a.localhost", "--dry-run", "--format", "json"});
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_EQ(Lines(dryRun.out).size(), 2u + 3u) << dryRun.out;
    EXPECT_TRUE(FolderBytes(folder) == before);

    const ToolResult forgot = RunTool({"forget", "a.localhost", "--source", "chromium"});
    EXPECT_EQ(forgot.exitCode, 0) << forgot.err;
    EXPECT_EQ(Sql(ProfileFile("Cookies"), "SELECT host_key, name FROM cookies ORDER BY 1, 2"),
              ".b.localhost|dom\nb.localhost|host\nb.localhost|part\n");
    EXPECT_EQ(Sql(ProfileFile("History"),
                  "SELECT url FROM urls UNION ALL SELECT count(*) FROM visits WHERE url NOT IN "
                  "(SELECT id FROM urls)"),
              PageUrl("b.localhost", "/") + "\n0\n");
    EXPECT_EQ(ReadBookmarks(), before.at("Bookmarks"));
    ExpectIntact(folder, {"Cookies", "History", "Favicons"});
}

// Nothing a user data folder holds blocks the program or is read without
// bound, and each source that cannot be read is named, after every group
// there is: a Local State that never ends, one that is a pipe no one
// writes, and a profile whose name holds a terminal escape and a line end
// and whose cookies are damaged. That name is escaped, on the line of its
// failure.
TEST_F(ChromiumTest, HostileFoldersAreReportedWithoutBlocking) {
    const QString config = Home() + "/.config";
    ASSERT_TRUE(QDir().mkpath(config + "/google-chrome"));
    ASSERT_TRUE(QFile::link("/dev/zero", config + "/google-chrome/Local State"));
    ASSERT_TRUE(QDir().mkpath(config + "/vivaldi"));
    ASSERT_EQ(mkfifo((config + "/vivaldi/Local State").toUtf8().constData(), 0600), 0);
    const QString brave = config + "/BraveSoftware/Brave-Browser";
    ASSERT_TRUE(WriteFile(brave + "/Local State",
                          R"({"profile": {"info_cache": {"Evil\u001b[31m\nforged": {}}}})"));
    ASSERT_TRUE(WriteFile(brave + "/Evil\x1b[31m\nforged/Cookies", QByteArray(4096, 'x')));

    DWORD end = 0;
    EXPECT_EQ(WalkCookies(&end).size(), 5u);
    const std::string detail = LastErrorDetail();
    for (const QString& named :
         {config + "/google-chrome/Local State", config + "/vivaldi/Local State",
          QString("Brave (Evil\\x1b[31m\\nforged)")})
        EXPECT_NE(detail.find(named.toStdString()), std::string::npos) << detail;
    const ToolResult listed = RunTool({"list-cache"});
    EXPECT_NE(listed.err.find("Brave (Evil\\x1b[31m\\nforged)"), std::string::npos) << listed.err;
    EXPECT_EQ(listed.err.find('\x1b'), std::string::npos) << listed.err;
}

// Each channel of a Chromium-family browser keeps a user data folder of its
// own, and its rows name it.
TEST_F(ChromiumTest, OtherChannelsAreFoundInTheirOwnFolders) {
    const QString beta = Home() + "/.config/google-chrome-beta";
    ASSERT_TRUE(QDir().mkpath(beta + "/Default"));
    ASSERT_TRUE(QFile::copy(ChromiumUserData(Home()) + "/Local State", beta + "/Local State"));
    ASSERT_TRUE(
        QFile::copy(QString::fromStdString(ProfileFile("Cookies")), beta + "/Default/Cookies"));

    DWORD end = 0;
    const auto groups = WalkCookies(&end);
    EXPECT_EQ(groups.count("Cookie:chromium.Default@b.localhost /"), 1u);
    EXPECT_EQ(groups.count("Cookie:google-chrome-beta.Default@b.localhost /"), 1u);
}

// Two names that give one label ("@" becomes "_") are told apart by their
// folders, and the rows of one lead to that profile only.
TEST_F(ChromiumTest, ProfilesOfOneLabelAreToldApartAndDeletedAlone) {
    const QString beta = Home() + "/.config/google-chrome-beta";
    ASSERT_TRUE(WriteFile(beta + "/Local State",
                          R"({"profile": {"info_cache": {"work@home": {}, "work_home": {}}}})"));
    for (const QString& folder : {beta + "/work@home", beta + "/work_home"}) {
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(
            QFile::copy(QString::fromStdString(ProfileFile("Cookies")), folder + "/Cookies"));
    }
    std::vector<std::string> alike;
    for (const auto& [address, group] : WalkCookies()) {
        if (address.starts_with("Cookie:google-chrome-beta.work_home-") &&
            address.ends_with("@b.localhost /"))
            alike.push_back(address);
    }
    ASSERT_EQ(alike.size(), 2u);
    ASSERT_TRUE(DeleteUrlCacheEntryA(alike[0].c_str()));
    const auto after = WalkCookies();
    EXPECT_EQ(after.count(alike[0]), 0u);
    EXPECT_EQ(after.count(alike[1]), 1u);
}

}  // namespace
