// Firefox's own profile, made by the real browser visiting a local server,
// read and changed through the platform calls the window makes; the browser
// then runs again and shows by the cookies it sends, and by taking the
// profile, what is left. Each case starts from the profile as made.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <set>
#include <vector>

#include "BrowserRun.h"
#include "BrowserTest.h"
#include "ErrorBoxWatcher.h"
#include "FuncUnit.h"
#include "HeadlessProfiles.h"
#include "MainUnit.h"
#include "PlatformStores.h"
#include "RunTool.h"
#include "StoreSql.h"
#include "ToolTips.h"
#include "platform/comobj.h"
#include "platform/regional.h"
#include "platform/sysutils.h"
#include "platform/wininet.h"

using namespace std::chrono_literals;

namespace {

const std::string kCookie = "Cookie:firefox.default-esr@";

class FirefoxTest : public BrowserTest {
protected:
    static void SetUpTestSuite() {
        SetUpHome();
        // A host cookie on two paths, a domain cookie, one that expires
        // during the run, one in the page's own partition, and one of
        // another host; the last page has no title.
        Server().SetPage(
            "/one", {.title = "Page One",
                     .setCookies = {"a=1; Max-Age=86400; Path=/", "b=2; Max-Age=172800; Path=/shop",
                                    "d=4; Max-Age=7200; Domain=a.localhost; Path=/",
                                    "e=5; Max-Age=1; Path=/old",
                                    "p=9; Max-Age=3600; Secure; Partitioned; "
                                    "SameSite=None; Path=/"},
                     .next = Url("www.a.localhost", "/two")});
        Server().SetPage("/two", {.title = "Page Two",
                                  .setCookies = {"c=3; Max-Age=600; Path=/"},
                                  .next = Url("b.localhost", "/three")});
        Server().SetPage("/three", {.close = true});
        for (const char* path : {"/shop/check", "/after"})
            Server().SetPage(path, {.title = "Check", .close = true});
        Server().SetPage("/stay", {.title = "Stay"});

        // The first start takes a bookmark of the second page from a file,
        // as an import does.
        const QString bookmarks = Home() + "/bookmarks.html";
        ASSERT_TRUE(
            WriteFile(bookmarks, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><A HREF=\"" +
                                     Url("www.a.localhost", "/two").toUtf8() +
                                     "\">Marked Two</A>\n</DL><p>\n"));
        const QString failure =
            MakeFirefoxProfile(Home(),
                               {{"browser.places.importBookmarksHTML", "true"},
                                {"browser.bookmarks.file", '"' + bookmarks.toUtf8() + '"'}},
                               folder_);
        if (!failure.isEmpty())
            return CannotStart(failure);
        Visit("a.localhost", "/one");
        // Every start would import the file again, replacing the bookmarks,
        // and a run ending before the import did would leave none: the two
        // prefs that import it, written last, go after the first start.
        QFile userJs(folder_ + "/user.js");
        ASSERT_TRUE(userJs.open(QIODevice::ReadOnly)) << userJs.errorString();
        const QByteArray prefs = userJs.readAll();
        userJs.close();
        ASSERT_TRUE(
            WriteFile(userJs.fileName(),
                      prefs.left(prefs.indexOf("user_pref(\"browser.places.importBookmarksHTML"))));
        KeepHome();
    }

    static std::string File(const char* name) { return (folder_ + "/" + name).toStdString(); }

    // Firefox starts on the page and goes on as the pages say until one
    // closes it.
    static void Visit(const char* host, const char* path) {
        const QString failure = RunFirefox(Home(), folder_, Url(host, path));
        ASSERT_TRUE(failure.isEmpty()) << failure;
    }

    // Every entry of the profile's folder, the folder itself included, with
    // its size and its last change.
    static std::vector<std::string> FolderState() {
        std::vector<std::string> state;
        for (const QFileInfo& entry : QDir(folder_).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                                  QDir::System | QDir::NoDotDot)) {
            state.push_back(entry.fileName().toStdString() + " " + std::to_string(entry.size()) +
                            " " + entry.lastModified().toString(Qt::ISODateWithMs).toStdString());
        }
        return state;
    }

    static std::map<QString, QByteArray> FolderBytes() { return BrowserTest::FolderBytes(folder_); }

    static void ExpectIntact() {
        BrowserTest::ExpectIntact(folder_, {"cookies.sqlite", "places.sqlite", "favicons.sqlite"});
    }

    static inline QString folder_;
};

TEST_F(FirefoxTest, ListsEveryCookieGroupAndVisitedPage) {
    // The one-second cookie has expired before the listing below.
    const std::string old = kCookie + "a.localhost /old";
    const std::uint64_t expiry = WalkCookies()[old].expires;
    ASSERT_TRUE(RunEventLoopUntil([expiry] { return FileTimeNow() > expiry; }, 5s))
        << "the one-second cookie Firefox stored did not expire within 5 s";

    // Expiry is the group's latest, counted from when it was set; the
    // partitioned cookie is apart from the host's own on the same path.
    const std::map<std::string, std::uint64_t> lifetimes = {
        {kCookie + "a.localhost /", 86400},
        {kCookie + "a.localhost /shop", 172800},
        {kCookie + ".a.localhost /", 7200},
        {old, 1},
        {kCookie + "a.localhost / (partitionKey=(http,a.localhost))", 3600},
        {kCookie + "www.a.localhost /", 600}};
    // Reading the closed profile writes nothing into its folder.
    const auto before = FolderState();
    const auto cookies = WalkCookies();
    ASSERT_EQ(cookies.size(), lifetimes.size());
    for (const auto& [address, lifetime] : lifetimes) {
        SCOPED_TRACE(address);
        ASSERT_EQ(cookies.count(address), 1u);
        const CacheCookie& cookie = cookies.at(address);
        EXPECT_EQ(cookie.hits, 0u);
        EXPECT_GE(cookie.modified, madeFrom_);
        EXPECT_LE(cookie.modified, madeUntil_);
        EXPECT_NEAR(double(cookie.expires - cookie.modified), double(lifetime * kSecond),
                    double(kSecond / 100));
    }
    // Firefox keeps a cookie that has expired; so does the list.
    EXPECT_LT(cookies.at(old).expires, FileTimeNow());

    const auto pages = ListHistory();
    std::map<std::string, std::string> titles;
    for (const auto& [url, page] : pages) {
        titles[url] = page.title;
        EXPECT_GE(page.visited, madeFrom_) << url;
        EXPECT_LE(page.visited, madeUntil_) << url;
        EXPECT_EQ(page.updated, page.visited) << url;
        EXPECT_EQ(page.expires, 0u) << url;
    }
    const std::map<std::string, std::string> expected = {
        {PageUrl("a.localhost", "/one"), "Page One"},
        {PageUrl("www.a.localhost", "/two"), "Page Two"},
        {PageUrl("b.localhost", "/three"), ""}};
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(FolderState(), before);
}

// The window shows every group and page as the platform calls give them and
// deletes the checked group alone; orvalla-stores lists the same.
TEST_F(FirefoxTest, TheWindowAndOrvallaStoresShowTheProfile) {
    using Rows = std::map<std::string, std::vector<std::string>>;
    Rows groups;
    for (const auto& [address, cookie] : WalkCookies()) {
        groups[address] = {"0", FileTimeToText(QuadToFileTime(cookie.modified)),
                           FileTimeToText(QuadToFileTime(cookie.expires))};
    }
    Rows pages;
    for (const auto& [url, page] : ListHistory())
        pages[url] = {page.title, DateTimeToStr(FileTimeToDateTime(QuadToFileTime(page.visited)))};
    const std::string gone = kCookie + "www.a.localhost /";
    const ErrorBoxWatcher errors;
    {
        TMainForm form;
        // The rows by address; the one to go is checked, the others not.
        const auto cookieRows = [&form, &gone] {
            Rows rows;
            for (int i = 0; i < form.lvCookies->Count(); ++i) {
                TListItem item = form.lvCookies->Items(i);
                rows[std::string(item.SubItem(3))] = {std::string(item.SubItem(0)),
                                                      std::string(item.SubItem(1)),
                                                      std::string(item.SubItem(2))};
                item.SetChecked(item.SubItem(3) == gone);
            }
            return rows;
        };
        EXPECT_EQ(cookieRows(), groups);
        // A row tells its profile and its cookies, read from Firefox's file.
        for (int i = 0; i < form.lvCookies->Count(); ++i) {
            const TListItem item = form.lvCookies->Items(i);
            if (item.SubItem(3) == kCookie + "a.localhost /shop") {
                EXPECT_EQ(item.Index().data(Qt::ToolTipRole).toString().toStdString(),
                          "Firefox, profile default-esr\n1 cookie: b");
            }
        }
        form.Click(form.Button8);
        Rows listed;
        for (int row = 1; row < form.StringGrid1->RowCount(); ++row) {
            listed[form.StringGrid1->Cells(2, row)] = {form.StringGrid1->Cells(1, row),
                                                       form.StringGrid1->Cells(0, row)};
        }
        EXPECT_EQ(listed, pages);
        EXPECT_EQ(ToolTipAt(form.StringGrid1, 0), "Firefox, profile default-esr");
        form.Click(form.btnDelete);
        groups.erase(gone);
        EXPECT_EQ(cookieRows(), groups);
    }
    // The window keeps the history open for the program's life; other cases
    // follow in this one.
    UrlHistory = nullptr;
    EXPECT_TRUE(errors.Texts().empty());

    const std::string cache = RunTool({"list-cache"}).out;
    for (const auto& [address, row] : groups)
        EXPECT_NE(cache.find(address), std::string::npos) << address;
    EXPECT_EQ(cache.find(gone), std::string::npos);
    const std::string history = RunTool({"list-history"}).out;
    for (const auto& [url, row] : pages)
        EXPECT_NE(history.find(" source=firefox.default-esr " + url), std::string::npos) << url;
}

TEST_F(FirefoxTest, DeletingAnEntryDeletesExactlyItsCookies) {
    const std::string address = kCookie + "a.localhost /";
    ASSERT_EQ(WalkCookies().count(address), 1u);
    ASSERT_TRUE(DeleteUrlCacheEntry(address.c_str()));
    EXPECT_FALSE(DeleteUrlCacheEntry(address.c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_EQ(WalkCookies().count(address), 0u);

    // The partitioned cookie of that host and path, its domain cookie and
    // its other path's cookie are all still sent.
    Visit("a.localhost", "/shop/check");
    const QList<QByteArray> sent = Server().CookiesSent("a.localhost", "/shop/check");
    ASSERT_FALSE(sent.isEmpty()) << "Firefox did not ask for /shop/check";
    for (const QByteArray& header : sent) {
        std::set<std::string> cookies;
        for (const QByteArray& cookie : header.split(';'))
            cookies.insert(cookie.trimmed().toStdString());
        EXPECT_EQ(cookies, (std::set<std::string>{"b=2", "d=4", "p=9"}));
    }
}

TEST_F(FirefoxTest, WhileFirefoxRunsItIsListedAndLeftAlone) {
    BrowserRun firefox(FindFirefox(),
                       {"--headless", "-profile", folder_, Url("b.localhost", "/stay")},
                       BrowserEnvironment(Home()));
    const auto asked = [] { return !Server().CookiesSent("b.localhost", "/stay").isEmpty(); };
    RunEventLoopUntil([&] { return asked() || !firefox.Running(); }, 60s);
    ASSERT_TRUE(asked() && firefox.Running())
        << firefox.Failure("did not ask for /stay within 60 s and run on");

    const std::string domain = kCookie + ".a.localhost /";
    EXPECT_EQ(WalkCookies().count(domain), 1u);
    // The private copies of a run live no longer than the run, and every
    // run removes those that a killed one left, whether it copies or not.
    const QString temporary = Home() + "/tmp";
    const auto listedBesideLeftover = [&] {
        EXPECT_TRUE(WriteFile(temporary + "/orvalla-copy-999999999-Ab12Cd/store", "x"));
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporary.toUtf8());
        const std::string listed = RunTool({"list-cache"}).out;
        tmpdir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir);
        EXPECT_EQ(QDir(temporary).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList());
        return listed;
    };
    EXPECT_NE(listedBesideLeftover().find(domain), std::string::npos);
    EXPECT_EQ(ListHistory().count(PageUrl("a.localhost", "/one")), 1u);
    ExpectChangesRefused(domain, "Firefox (default-esr) is running: close it first");

    // A refusal says what was done and what was kept; sources tells why.
    const ToolResult all = RunTool({"delete-cache", "--all", "--site", "a.localhost"});
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_NE(all.err.find("delete-cache: 0 of "), std::string::npos) << all.err;
    EXPECT_NE(all.err.find(" groups deleted; Firefox (default-esr) is running: its "),
              std::string::npos);
    EXPECT_NE(all.err.find(" kept: close it first\n"), std::string::npos);
    EXPECT_EQ(WalkCookies().count(domain), 1u);
    const ToolResult forgot = RunTool({"forget", "a.localhost"});
    EXPECT_EQ(forgot.exitCode, 1);
    EXPECT_NE(forgot.err.find(" groups and 0 of 2 pages deleted; Firefox (default-esr) is "
                              "running: its "),
              std::string::npos)
        << forgot.err;
    const std::string source =
        "firefox.default-esr browser=Firefox folder=" + folder_.toStdString();
    EXPECT_NE(RunTool({"sources"}).out.find(source), std::string::npos);
    EXPECT_NE(RunTool({"sources"}).out.find("places.sqlite,"), std::string::npos);
    EXPECT_NE(RunTool({"sources", "--source"}).exitCode, 0);

    ASSERT_TRUE(firefox.Stop(60s)) << firefox.Failure("did not end within 60 s of SIGTERM");
    EXPECT_NE(listedBesideLeftover().find(domain), std::string::npos);
    EXPECT_EQ(ListHistory().count(PageUrl("a.localhost", "/one")), 1u);
    ExpectIntact();
}

// Nothing is changed while Firefox may run: while its lock cannot be asked
// (a FIFO in its place), nor while a process of the user holds one of its
// stores open, as a Firefox run from another session does.
TEST_F(FirefoxTest, WhileFirefoxMayRunNothingIsChanged) {
    const std::string domain = kCookie + ".a.localhost /";
    const std::string lock = File(".parentlock");
    QFile::remove(QString::fromStdString(lock));
    ASSERT_EQ(mkfifo(lock.c_str(), 0600), 0);
    ExpectChangesRefused(
        domain, "cannot tell whether Firefox (default-esr) is running: its lock \"" + lock +
                    "\" cannot be asked");
    ASSERT_TRUE(QFile::remove(QString::fromStdString(lock)));

    const QString places =
        QFileInfo(QString::fromStdString(File("places.sqlite"))).canonicalFilePath();
    BrowserRun holder("/bin/bash", {"-c", "exec 3<\"$0\"; exec sleep 60", places},
                      QProcessEnvironment::systemEnvironment());
    const QString held = "/proc/" + QString::number(holder.Pid()) + "/fd/3";
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return QFileInfo(held).canonicalFilePath() == places; }, 10s))
        << holder.Failure("did not hold places.sqlite open within 10 s");
    ExpectChangesRefused(domain, "Firefox (default-esr) is running: close it first");
}

TEST_F(FirefoxTest, ClearingKeepsBookmarksAndFirefoxTakesTheProfileBack) {
    const std::string two = PageUrl("www.a.localhost", "/two");
    // The sites' root icons go with the sites, but the bookmarked page's.
    const char* rootIcons = "SELECT icon_url FROM moz_icons WHERE root = 1";
    for (const char* host : {"a.localhost", "www.a.localhost"}) {
        const std::string icon =
            "INSERT INTO moz_icons (icon_url, fixed_icon_url_hash, root) "
            "VALUES ('" +
            PageUrl(host, "/favicon.ico") + "', 0, 1)";
        Sql(File("favicons.sqlite"), icon.c_str(), true);
    }
    ASSERT_EQ(OpenHistory()->ClearHistory(), S_OK);
    EXPECT_EQ(Sql(File("favicons.sqlite"), rootIcons),
              PageUrl("www.a.localhost", "/favicon.ico") + "\n");
    EXPECT_TRUE(ListHistory().empty());
    ExpectIntact();
    const std::string bookmark =
        "SELECT b.title, p.visit_count FROM moz_bookmarks b JOIN moz_places p "
        "ON p.id = b.fk WHERE p.url = '" +
        two + "'";
    EXPECT_EQ(Sql(File("places.sqlite"), bookmark.c_str()), "Marked Two|0\n");

    // Firefox opens the cleared store as its own, and records in it again.
    Visit("b.localhost", "/after");
    EXPECT_FALSE(QFile::exists(folder_ + "/places.sqlite.corrupt"));
    const auto pages = ListHistory();
    EXPECT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages.count(PageUrl("b.localhost", "/after")), 1u);
    EXPECT_EQ(Sql(File("places.sqlite"), bookmark.c_str()), "Marked Two|0\n");
}

// A page goes with its visits and its icon, a bookmarked one keeps its
// bookmark and title, unvisited; Firefox then takes the profile as its own
// and does not show them again.
TEST_F(FirefoxTest, DeletedPagesGoAsFirefoxRemovesThem) {
    const std::string one = PageUrl("a.localhost", "/one");
    const std::string two = PageUrl("www.a.localhost", "/two");
    const std::string icon =
        "INSERT INTO moz_icons (id, icon_url, fixed_icon_url_hash, root) "
        "VALUES (77, '" +
        one +
        "i', 0, 0); INSERT INTO moz_pages_w_icons "
        "(id, page_url, page_url_hash) VALUES (77, '" +
        one +
        "', 0); "
        "INSERT INTO moz_icons_to_pages (page_id, icon_id) VALUES (77, 77)";
    Sql(File("favicons.sqlite"), icon.c_str(), true);
    const std::u16string wideOne = QString::fromStdString(one).toStdU16String();
    ASSERT_EQ(OpenHistory()->DeleteUrl(wideOne.c_str(), 0), S_OK);
    const std::u16string wideTwo = QString::fromStdString(two).toStdU16String();
    const LPCWSTR urls[] = {wideTwo.c_str()};
    ASSERT_EQ(DeleteUrlHistoryEntries(urls, 1), S_OK);

    const std::string pages = "SELECT url, visit_count FROM moz_places p WHERE url IN ('" + one +
                              "', '" + two +
                              "') OR id IN (SELECT place_id FROM moz_historyvisits) ORDER BY url";
    EXPECT_EQ(Sql(File("places.sqlite"), pages.c_str()),
              PageUrl("b.localhost", "/three") + "|1\n" + two + "|0\n");
    const std::string bookmark =
        "SELECT b.title FROM moz_bookmarks b JOIN moz_places p ON "
        "p.id = b.fk WHERE p.url = '" +
        two + "'";
    EXPECT_EQ(Sql(File("places.sqlite"), bookmark.c_str()), "Marked Two\n");
    EXPECT_EQ(Sql(File("favicons.sqlite"),
                  "SELECT count(*) FROM moz_icons WHERE id = 77 UNION ALL "
                  "SELECT count(*) FROM moz_icons_to_pages WHERE page_id = 77"),
              "0\n0\n");
    ExpectIntact();
    // Gone already, it is in no history.
    const HRESULT again = OpenHistory()->DeleteUrl(wideOne.c_str(), 0);
    EXPECT_EQ(again, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OleErrorMessage(again), "\"" + one + "\" is in no history");

    Visit("b.localhost", "/after");
    EXPECT_FALSE(QFile::exists(folder_ + "/places.sqlite.corrupt"));
    const auto listed = ListHistory();
    EXPECT_EQ(listed.count(one) + listed.count(two), 0u);
    EXPECT_EQ(listed.count(PageUrl("b.localhost", "/after")), 1u);
}

// A second profile whose stores are damaged, and an install whose list of
// profiles is a pipe that no one writes, hide nothing of the first: the
// walk and the listing give all there is, then end naming every failure,
// a change goes on with the rest, and nothing waits on the pipes.
TEST_F(FirefoxTest, EveryDamagedSourceIsReportedAfterTheOthers) {
    const QString broken = Home() + "/.config/mozilla/firefox/broken";
    for (const char* store : {"/cookies.sqlite", "/places.sqlite"})
        ASSERT_TRUE(WriteFile(broken + store, QByteArray(4096, 'x')));
    ASSERT_EQ(mkfifo((broken + "/.parentlock").toUtf8().constData(), 0600), 0);
    ASSERT_TRUE(WriteFile(Home() + "/.config/mozilla/firefox/profiles.ini",
                          "\n[Profile9]\nName=broken\nIsRelative=1\nPath=broken\n", true));
    const QString pipe = Home() + "/.mozilla/firefox/profiles.ini";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(pipe).path()));
    ASSERT_EQ(mkfifo(pipe.toUtf8().constData(), 0600), 0);

    DWORD walked = 0;
    EXPECT_EQ(WalkCookies(&walked).count(kCookie + ".a.localhost /"), 1u);
    EXPECT_EQ(walked, DWORD{ERROR_FILE_INVALID});
    const std::string detail = LastErrorDetail();
    for (const std::string& named : {pipe.toStdString(), std::string("Firefox (broken)")})
        EXPECT_NE(detail.find(named), std::string::npos) << detail;
    HRESULT listed = S_OK;
    EXPECT_EQ(ListHistory(&listed).count(PageUrl("a.localhost", "/one")), 1u);
    EXPECT_EQ(listed, HRESULT_FROM_WIN32(ERROR_FILE_INVALID));
    EXPECT_NE(OleErrorMessage(listed).find("Firefox (broken)"), std::string::npos);
    // What can be read is forgotten all the same.
    const ToolResult forgot = RunTool({"forget", "a.localhost"});
    EXPECT_EQ(forgot.exitCode, 1);
    EXPECT_NE(forgot.err.find("Firefox (broken)"), std::string::npos) << forgot.err;
    EXPECT_EQ(Sql(File("cookies.sqlite"), "SELECT count(*) FROM moz_cookies"), "0\n");
}

// A store that is a link to a file outside its profile is listed, but a
// deletion leaves that file alone and says why.
TEST_F(FirefoxTest, AStoreLinkedFromElsewhereIsNeverChanged) {
    const QString elsewhere = Home() + "/elsewhere.sqlite";
    ASSERT_TRUE(QFile::copy(folder_ + "/cookies.sqlite", elsewhere));
    const QString linked = Home() + "/.config/mozilla/firefox/linked";
    ASSERT_TRUE(QDir().mkpath(linked));
    ASSERT_TRUE(QFile::link(elsewhere, linked + "/cookies.sqlite"));
    ASSERT_TRUE(WriteFile(Home() + "/.config/mozilla/firefox/profiles.ini",
                          "\n[Profile8]\nName=linked\nIsRelative=1\nPath=linked\n", true));

    const std::string address = "Cookie:firefox.linked@.a.localhost /";
    DWORD walked = 0;
    EXPECT_EQ(WalkCookies(&walked).count(address), 1u);
    EXPECT_TRUE(DeleteUrlCacheEntryA(address.c_str()));
    EXPECT_EQ(WalkCookies(&walked).count(address), 1u);
    EXPECT_NE(LastErrorDetail().find("Firefox (linked): the store \"" + linked.toStdString() +
                                     "/cookies.sqlite\" lies outside the profile's folder"),
              std::string::npos)
        << LastErrorDetail();
    EXPECT_EQ(Sql(elsewhere.toStdString(), "SELECT count(*) FROM moz_cookies WHERE name = 'd'"),
              "1\n");
}

// The filters find Firefox's groups and pages by site and by browser, and
// JSON Lines carry only the times Firefox keeps.
TEST_F(FirefoxTest, OrvallaStoresFiltersTheProfileAndListsItAsJson) {
    const auto json = [](const std::vector<std::string>& args) {
        std::vector<QJsonObject> objects;
        for (const std::string& line : Lines(RunTool(args).out))
            objects.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        return objects;
    };
    const auto www = json(
        {"list-cache", "--source", "firefox", "--site", "WWW.a.localhost", "--format", "json"});
    ASSERT_EQ(www.size(), 1u);
    EXPECT_EQ(www[0]["source"].toString(), "firefox.default-esr");
    EXPECT_EQ(www[0]["address"].toString().toStdString(), kCookie + "www.a.localhost /");
    EXPECT_EQ(www[0]["host"].toString(), "www.a.localhost");
    EXPECT_EQ(www[0]["path"].toString(), "/");
    EXPECT_TRUE(www[0].contains("modified") && www[0].contains("expires"));
    EXPECT_EQ(Lines(RunTool({"list-cache", "--site", "a.localhost"}).out).size(), 6u);
    EXPECT_TRUE(RunTool({"list-cache", "--source", "chromium"}).out.empty());

    const auto pages = json({"list-history", "--site", "b.localhost", "--format", "json"});
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0]["url"].toString().toStdString(), PageUrl("b.localhost", "/three"));
    EXPECT_TRUE(pages[0].contains("visited"));
    EXPECT_FALSE(pages[0].contains("expires"));
}

// A dry run lists exactly what goes and changes no byte of the profile;
// then every group but the kept sites' goes from Firefox's own file.
TEST_F(FirefoxTest, DeleteAllKeepsOnlyTheKeptSitesCookies) {
    ASSERT_TRUE(WriteFile(QString(qgetenv("XDG_CONFIG_HOME")) + "/orvalla/keep-sites",
                          "# signed in\nwww.a.localhost\n"));
    const auto before = FolderBytes();
    const ToolResult dryRun =
        RunTool({"delete-cache", "--all", "--keep", "b.localhost", "--dry-run"});
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_EQ(Lines(dryRun.out).size(), 5u) << dryRun.out;
    EXPECT_EQ(dryRun.out.find("www.a.localhost"), std::string::npos);
    EXPECT_EQ(RunTool({"clear-history", "--dry-run"}).out, RunTool({"list-history"}).out);
    EXPECT_TRUE(FolderBytes() == before);

    const ToolResult deleted = RunTool({"delete-cache", "--all", "--keep", "b.localhost"});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_NE(deleted.err.find("keeps 2 sites"), std::string::npos) << deleted.err;
    EXPECT_EQ(Sql(File("cookies.sqlite"), "SELECT host, name FROM moz_cookies"),
              "www.a.localhost|c\n");
    ExpectIntact();
}

// A dry run changes no byte; then the site's cookies and its pages of every
// scheme with their visits go from Firefox's files, and only from them:
// the bookmarked page keeps its bookmark, the other sites keep every row.
TEST_F(FirefoxTest, ForgetDeletesOneSitesCookiesAndPagesAndKeepsItsBookmark) {
    const std::string two = PageUrl("www.a.localhost", "/two");
    const std::string secure =
        "INSERT INTO moz_places (url, title, visit_count, last_visit_date, guid) VALUES "
        "('https://www.a.localhost/secure', 'Secure', 1, 1700000000000000, 'orvallaTest1'); "
        "INSERT INTO moz_historyvisits (place_id, visit_date, visit_type) "
        "VALUES (last_insert_rowid(), 1700000000000000, 1)";
    Sql(File("places.sqlite"), secure.c_str(), true);
    ASSERT_EQ(RunTool({"add-history", two}).exitCode, 0);
    // Each row of every history as "SOURCE URL".
    const auto rows = [] {
        std::set<std::string> rows;
        for (const std::string& line : Lines(RunTool({"list-history", "--format", "json"}).out)) {
            const QJsonObject row =
                QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
            rows.insert((row["source"].toString() + " " + row["url"].toString()).toStdString());
        }
        return rows;
    };
    std::set<std::string> kept = rows();
    for (const std::string& url : {std::string("https://www.a.localhost/secure"), two})
        ASSERT_EQ(kept.erase("firefox.default-esr " + url), 1u) << url;
    const char* cookies = "SELECT host, path, name FROM moz_cookies ORDER BY 1, 2, 3";
    std::string others = Sql(File("cookies.sqlite"), cookies);
    const std::size_t www = others.find("www.a.localhost|/|c\n");
    ASSERT_NE(www, std::string::npos) << others;
    others.erase(www, 20);
    const auto before = FolderBytes();
    const ToolResult dryRun =
        RunTool({"forget", "WWW.a.localhost", "--source", "firefox", "--dry-run"});
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_EQ(Lines(dryRun.out).size(), 1u + 2u) << dryRun.out;
    EXPECT_TRUE(FolderBytes() == before);

    const ToolResult forgot = RunTool({"forget", "www.a.localhost", "--source", "firefox"});
    EXPECT_EQ(forgot.exitCode, 0) << forgot.err;
    EXPECT_EQ(Sql(File("cookies.sqlite"), cookies), others);
    const std::string site =
        "SELECT url, visit_count FROM moz_places WHERE url LIKE '%www.a.localhost%' UNION ALL "
        "SELECT count(*), 0 FROM moz_historyvisits WHERE place_id IN "
        "(SELECT id FROM moz_places WHERE url LIKE '%www.a.localhost%')";
    EXPECT_EQ(Sql(File("places.sqlite"), site.c_str()), two + "|0\n0|0\n");
    const std::string bookmark =
        "SELECT b.title FROM moz_bookmarks b JOIN moz_places p ON p.id = b.fk WHERE p.url = '" +
        two + "'";
    EXPECT_EQ(Sql(File("places.sqlite"), bookmark.c_str()), "Marked Two\n");
    // The own store's row of the page was not chosen, and stays.
    EXPECT_EQ(rows(), kept);
    ExpectIntact();
}

// The browsers built from Firefox keep their profiles in folders of their
// own, and their rows name them.
TEST_F(FirefoxTest, ProfilesOfTheBrowsersBuiltFromFirefoxAreFound) {
    const QString root = Home() + "/.librewolf";
    ASSERT_TRUE(QDir().mkpath(root + "/copy"));
    for (const char* store : {"/cookies.sqlite", "/places.sqlite"})
        ASSERT_TRUE(QFile::copy(folder_ + store, root + "/copy" + store));
    ASSERT_TRUE(WriteFile(root + "/profiles.ini",
                          "[Profile0]\nName=default-release\nIsRelative=1\nPath=copy\n"));

    DWORD walked = 0;
    const auto cookies = WalkCookies(&walked);
    EXPECT_EQ(cookies.count(kCookie + ".a.localhost /"), 1u);
    EXPECT_EQ(cookies.count("Cookie:librewolf.default-release@.a.localhost /"), 1u);
}

}  // namespace
