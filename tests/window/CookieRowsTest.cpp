// What each kind of cache entry turns into on the "Cookies" page.
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>

#include "ScopedLocale.h"
#include "WindowFixture.h"

using CookieRows = WindowFixture;

TEST_F(CookieRows, CaptionIsTheHostAndPathAfterTheFirstAt) {
    const std::string longHost = std::string(300, 'h');
    // "é" is two bytes: 259 of them fill 518 bytes, and the 260th character
    // must not be cut in half.
    std::string accented;
    for (int i = 0; i < 300; ++i)
        accented += "\xC3\xA9";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Cookie:anna@example.com/", "example.com"},
        {"Cookie:anna@example.com/path/", "example.com/path"},
        {"Cookie:anna@example.com/path//", "example.com/path/"},
        {"Cookie:anna@host@second/", "host@second"},
        {"no-at-sign/", "no-at-sign"},
        {"Cookie:ends-with-at@", ""},
        {"Cookie:u@" + longHost, std::string(260, 'h')},
        {"Cookie:u@" + accented, accented.substr(0, 520)},
    };
    for (const auto& [address, caption] : cases)
        AddEntry(address);
    TMainForm& form = Create();
    ASSERT_EQ(form.lvCookies->Count(), static_cast<int>(cases.size()));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TListItem item = form.lvCookies->Items(static_cast<int>(i));
        EXPECT_EQ(item.Caption(), cases[i].second) << cases[i].first;
        EXPECT_EQ(item.SubItem(3), cases[i].first);
    }
}

TEST_F(CookieRows, UnusualEntriesStillGiveRows) {
    const std::string huge = "Cookie:u@" + std::string(100 * 1024, 'a') + "/";
    const std::string notUtf8 = "Cookie:u@caf\xE9\xFF.example/";
    // Times just outside the DOS range, and the extremes, show the fallback text.
    AddEntry("", COOKIE_CACHE_ENTRY, 0, Utc(1979, 12, 31, 23, 59, 59), Utc(2108, 1, 1, 0, 0, 0));
    AddEntry(huge, COOKIE_CACHE_ENTRY, 0x80000000u);
    AddEntry(notUtf8, COOKIE_CACHE_ENTRY, 0xFFFFFFFFu, FILETIME{0, 0},
             FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu});
    TMainForm& form = Create();
    ASSERT_EQ(form.lvCookies->Count(), 3);
    EXPECT_EQ(Captions(0)[0], "");
    EXPECT_EQ(Captions(0)[1].size(), 260u);
    EXPECT_EQ(Captions(0)[2], "caf\xE9\xFF.example");
    EXPECT_EQ(Captions(1), (std::vector<std::string>{"0", "2147483648", "4294967295"}));
    for (int column : {2, 3}) {
        EXPECT_EQ(Captions(column)[0], "01/01/80 12:00:00 AM");
        EXPECT_EQ(Captions(column)[2], "01/01/80 12:00:00 AM");
    }
    EXPECT_EQ(Captions(4), (std::vector<std::string>{"", huge, notUtf8}));
}

TEST_F(CookieRows, TimesAreShownInTheUsersZoneAndFormat) {
    // 23:30:01 universal is the next day in Berlin, an odd second shown as
    // the even one before it.
    AddEntry("Cookie:u@zone/", COOKIE_CACHE_ENTRY, 1, Utc(2026, 7, 1, 23, 30, 1),
             Utc(2026, 6, 30, 22, 0, 0));
    const ScopedTimeZone berlin("Europe/Berlin");
    const ScopedLocale german("de_DE.UTF-8");
    Create();
    EXPECT_EQ(Captions(2)[0], "02.07.2026 01:30:00");
    EXPECT_EQ(Captions(3)[0], "01.07.2026");
}

TEST_F(CookieRows, ANewLocaleIsTakenUpWhenTheToolkitAnnouncesIt) {
    AddEntry("Cookie:u@host/", COOKIE_CACHE_ENTRY, 1, Utc(2026, 7, 1, 13, 0, 0));
    TMainForm& form = Create();
    EXPECT_EQ(Captions(2)[0], "7/1/2026 1:00:00 PM");
    const ScopedEnv german("LC_ALL", "de_DE.UTF-8");
    QEvent localeChange(QEvent::LocaleChange);
    QApplication::sendEvent(&form, &localeChange);
    form.Click(form.btnRefresh);
    EXPECT_EQ(Captions(2)[0], "01.07.2026 13:00:00");
}

// Orvalla's own entry, and a browser's group with how many cookies it holds
// and the first twenty names in order.
TEST_F(CookieRows, ARowsTipTellsItsSourceAndItsCookies) {
    AddEntry("Cookie:anna@example.com/");
    std::string cookies = "# KDE Cookie File v2\n[a.example]\n";
    for (int i = 23; i-- > 0;)
        cookies += "a.example \"\" \"/\" 1900000000 1 n" + std::to_string(100 + i) + " 0 v\n";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dataDir_.Path() + "/kcookiejar")));
    QFile file(QString::fromStdString(dataDir_.Path() + "/kcookiejar/cookies"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(cookies.data(), cookies.size()));
    file.close();
    TMainForm& form = Create();
    ASSERT_EQ(form.lvCookies->Count(), 2);
    const auto tip = [&form](int row) {
        return form.lvCookies->Items(row).Index(4).data(Qt::ToolTipRole).toString().toStdString();
    };
    EXPECT_EQ(tip(0), "Orvalla");
    EXPECT_EQ(tip(1),
              "Konqueror, profile default\n23 cookies: n100, n101, n102, n103, n104, n105, "
              "n106, n107, n108,\nn109, n110, n111, n112, n113, n114, n115, n116, n117, "
              "n118, n119 and 3 more");
}
