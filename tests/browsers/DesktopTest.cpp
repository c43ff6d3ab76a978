// GNOME Web, luakit, Falkon, qutebrowser and Konqueror, each making its own
// profile on the test's display and session bus, read and changed through
// the platform calls; each browser then runs again and shows by the cookies
// it sends and the visits it records what is left.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "DesktopBrowsers.h"
#include "PlatformStores.h"
#include "StoreSql.h"
#include "TempDataDir.h"
#include "platform/comobj.h"
#include "platform/objbase.h"
#include "platform/sysutils.h"

namespace {

struct Case {
    Desktop desktop;
    const char* name;
    const char* label;
    const char* who;
    // WebKitGTK and Konqueror keep no time a cookie was set.
    bool keepsSetTimes;
    // Konqueror's stores are only listed, and it keeps a redirect that led
    // to a page as a page of its own.
    bool changeable = true;
    // The history store in the home, and the count of the rows that hold
    // page %1 or a visit of a page no longer there.
    const char* history = nullptr;
    const char* pageRows = nullptr;
};

const Case kCases[] = {
    {Desktop::GnomeWeb, "GnomeWeb", "epiphany.default", "GNOME Web (default)", false, true,
     "/.local/share/epiphany/ephy-history.db",
     "SELECT (SELECT count(*) FROM urls WHERE url = '%1') + (SELECT count(*) FROM visits WHERE "
     "url NOT IN (SELECT id FROM urls))"},
    {Desktop::Luakit, "Luakit", "luakit.default", "luakit (default)", false, true,
     "/.local/share/luakit/history.db", "SELECT count(*) FROM history WHERE uri = '%1'"},
    {Desktop::Falkon, "Falkon", "falkon.default", "Falkon (default)", true, true,
     "/.config/falkon/profiles/default/browsedata.db",
     "SELECT count(*) FROM history WHERE url = '%1'"},
    {Desktop::Qutebrowser, "Qutebrowser", "qutebrowser.default", "qutebrowser (default)", true,
     true, "/.local/share/qutebrowser/history.sqlite",
     "SELECT (SELECT count(*) FROM History WHERE url = '%1') + (SELECT count(*) FROM "
     "CompletionHistory WHERE url = '%1')"},
    {Desktop::Konqueror, "Konqueror", "konqueror.default", "Konqueror (default)", false, false},
};

std::u16string Wide(const std::string& text) {
    return QString::fromStdString(text).toStdU16String();
}

void PrintTo(const Case& browser, std::ostream* out) {
    *out << browser.name;
}

class DesktopTest : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        server_ = std::make_unique<PageServer>();
        server_->SetPage("/a/one", {.title = "A one",
                                    .setCookies = {"one=1; Max-Age=86400; Path=/a",
                                                   "two=2; Max-Age=172800; Path=/a"}});
        server_->SetPage("/b/one", {.title = "B one", .setCookies = {"three=3; Max-Age=3600"}});
        server_->SetPage("/moved", {.redirect = "/b/one"});
        for (const char* path : {"/a/check", "/b/check", "/after"})
            server_->SetPage(path, {.title = "Check"});
    }
    static void TearDownTestSuite() {
        server_.reset();
        CoUninitialize();
    }

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "no display: CTest runs this test on one of its own";
        if (DesktopProgram(GetParam().desktop).isEmpty())
            GTEST_SKIP() << GetParam().name << " is not installed";
        home_ = std::make_unique<TempDataDir>();
        // Where the browsers, given this home, keep their data.
        dataHome_.emplace("XDG_DATA_HOME", (home_->Path() + "/.local/share").c_str());
    }

    static std::string Url(const char* host, const char* path) {
        return server_->Url(host, path).toStdString();
    }
    std::string Address(const char* hostAndPath) const {
        return std::string("Cookie:") + GetParam().label + "@" + hostAndPath;
    }

    static DesktopVisit Page(const char* host, const char* path, const char* title = "",
                             const char* recordedPath = nullptr) {
        return {QString::fromStdString(Url(host, path)), title,
                recordedPath ? QString::fromStdString(Url(host, recordedPath)) : QString()};
    }

    std::unique_ptr<DesktopBrowser> Start(const DesktopVisit& first) {
        auto browser = std::make_unique<DesktopBrowser>(
            GetParam().desktop, QString::fromStdString(home_->Path()), *server_, first);
        EXPECT_TRUE(browser->Failure().isEmpty()) << browser->Failure().toStdString();
        return browser;
    }
    // A browser that cannot start here for want of what its sandbox needs
    // is skipped, unless the run asks for every browser.
    void Visit(const DesktopVisit& first, const DesktopVisit& second) {
        DesktopBrowser browser(GetParam().desktop, QString::fromStdString(home_->Path()), *server_,
                               first);
        const std::string failure = browser.Failure().toStdString();
        if (browser.SandboxMissing()) {
            const std::string why = std::string(GetParam().name) +
                                    " cannot start here, its sandbox stops it:\n" + failure;
            if (!EveryBrowserRequired())
                GTEST_SKIP() << why;
            FAIL() << why << "\n(ORVALLA_ALL_BROWSERS=1 asks for every browser)";
        }
        ASSERT_TRUE(failure.empty()) << failure;
        EXPECT_TRUE(browser.Open(second)) << browser.Failure().toStdString();
        EXPECT_TRUE(browser.Quit()) << browser.Failure().toStdString();
    }

    static inline std::unique_ptr<PageServer> server_;
    std::unique_ptr<TempDataDir> home_;
    std::optional<ScopedEnv> dataHome_;
};

TEST_P(DesktopTest, ListsDeletesAndClearsAsTheBrowserDoes) {
    const Case& browser = GetParam();
    // The stores keep seconds at best.
    const std::uint64_t started = FileTimeNow() - kSecond;
    Visit(Page("a.localhost", "/a/one", "A one"), Page("b.localhost", "/moved", "B one", "/b/one"));
    const std::uint64_t finished = FileTimeNow() + kSecond;
    if (IsSkipped())
        return;
    ASSERT_FALSE(HasFailure());

    const std::string a = Address("a.localhost /a");
    const std::string b = Address("b.localhost /b");
    const auto groups = WalkCookies();
    for (const auto& [address, lifetime] : {std::pair{a, 172800}, {b, 3600}}) {
        SCOPED_TRACE(address);
        ASSERT_EQ(groups.count(address), 1u);
        const CacheCookie& group = groups.at(address);
        EXPECT_GE(group.expires, started + lifetime * kSecond);
        EXPECT_LE(group.expires, finished + lifetime * kSecond);
        if (browser.keepsSetTimes) {
            EXPECT_GE(group.modified, started);
            EXPECT_LE(group.modified, finished);
        } else {
            EXPECT_EQ(group.modified, 0u);
        }
    }
    const auto pages = ListHistory();
    ASSERT_EQ(pages.size(), browser.changeable ? 2u : 3u);
    for (const auto& [url, title] : {std::pair{Url("a.localhost", "/a/one"), "A one"},
                                     {Url("b.localhost", "/b/one"), "B one"}}) {
        SCOPED_TRACE(url);
        ASSERT_EQ(pages.count(url), 1u);
        EXPECT_EQ(pages.at(url).title, title);
        EXPECT_GE(pages.at(url).visited, started);
        EXPECT_LE(pages.at(url).visited, finished);
    }

    if (!browser.changeable) {
        EXPECT_TRUE(DeleteUrlCacheEntryA(a.c_str()));
        DWORD walked = 0;
        EXPECT_EQ(WalkCookies(&walked).count(a), 1u);
        EXPECT_EQ(walked, DWORD{ERROR_ACCESS_DENIED});
        EXPECT_NE(LastErrorDetail().find("delete them in Konqueror itself"), std::string::npos);
        EXPECT_EQ(OpenHistory()->ClearHistory(), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        EXPECT_EQ(OpenHistory()->DeleteUrl(Wide(Url("a.localhost", "/a/one")).c_str(), 0),
                  HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        EXPECT_EQ(ListHistory().size(), pages.size());
        return;
    }

    // One group and one page go; run again, the browser sends none of the
    // group's cookies but still the other's, and shows the page no more.
    // While it runs, it refuses every change, and its stores are read all
    // the same.
    ASSERT_TRUE(DeleteUrlCacheEntryA(a.c_str()));
    EXPECT_EQ(WalkCookies().count(a), 0u);
    const std::string page = Url("a.localhost", "/a/one");
    const std::string history = home_->Path() + browser.history;
    const std::string pageRows = QString(browser.pageRows).arg(page.c_str()).toStdString();
    EXPECT_NE(Sql(history, pageRows.c_str()), "0\n");
    const HRESULT deleted = OpenHistory()->DeleteUrl(Wide(page).c_str(), 0);
    ASSERT_EQ(deleted, S_OK) << OleErrorMessage(deleted);
    EXPECT_EQ(Sql(history, pageRows.c_str()), "0\n");
    EXPECT_EQ(ListHistory().count(Url("b.localhost", "/b/one")), 1u);
    server_->ClearRequests();
    {
        const auto again = Start(Page("a.localhost", "/a/check"));
        ASSERT_TRUE(again->Open(Page("b.localhost", "/b/check"))) << again->Failure().toStdString();
        const std::string refusal = std::string(browser.who) + " is running: close it first";
        EXPECT_TRUE(DeleteUrlCacheEntryA(b.c_str()));
        DWORD walked = 0;
        EXPECT_EQ(WalkCookies(&walked).count(b), 1u);
        EXPECT_EQ(walked, DWORD{ERROR_LOCK_VIOLATION});
        EXPECT_EQ(LastErrorDetail(), refusal);
        EXPECT_EQ(ListHistory().count(Url("b.localhost", "/b/one")), 1u);
        const HRESULT cleared = OpenHistory()->ClearHistory();
        EXPECT_EQ(cleared, HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
        EXPECT_EQ(OleErrorMessage(cleared), refusal);
        const std::u16string other = Wide(Url("b.localhost", "/b/one"));
        EXPECT_EQ(OpenHistory()->DeleteUrl(other.c_str(), 0),
                  HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
        {
            // From a session with no bus of its own, the browser's processes
            // holding its stores open tell that it runs.
            const std::string noBus = "unix:path=" + home_->Path() + "/no-bus";
            const ScopedEnv otherSession("DBUS_SESSION_BUS_ADDRESS", noBus.c_str());
            const HRESULT refused = OpenHistory()->ClearHistory();
            EXPECT_EQ(refused, HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
            EXPECT_EQ(OleErrorMessage(refused), refusal);
        }
        EXPECT_TRUE(again->Quit()) << again->Failure().toStdString();
    }
    EXPECT_EQ(ListHistory().count(page), 0u);
    EXPECT_EQ(ListHistory().count(Url("b.localhost", "/b/one")), 1u);
    EXPECT_EQ(server_->CookiesSent("a.localhost", "/a/check"), QList<QByteArray>{""});
    EXPECT_EQ(server_->CookiesSent("b.localhost", "/b/check"), QList<QByteArray>{"three=3"});
    EXPECT_EQ(WalkCookies().count(b), 1u);

    // Cleared, the history takes the browser's next visit.
    ASSERT_EQ(OpenHistory()->ClearHistory(), S_OK);
    EXPECT_TRUE(ListHistory().empty());
    Visit(Page("b.localhost", "/after"), Page("b.localhost", "/b/check"));
    EXPECT_EQ(ListHistory().count(Url("b.localhost", "/after")), 1u);
}

INSTANTIATE_TEST_SUITE_P(Browsers, DesktopTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
