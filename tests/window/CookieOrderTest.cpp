// Ordering the cookie list by a click on a column header.
#include <QHeaderView>
#include <QTest>

#include "ScopedLocale.h"
#include "WindowFixture.h"

class CookieOrder : public WindowFixture {
protected:
    void ClickHeader(int column) {
        if (!form_->isVisible())
            ShowAndActivate();
        QHeaderView* header = form_->lvCookies->header();
        const QPoint centre(
            header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
};

TEST_F(CookieOrder, HitsOrderAsUnsignedNumbersBothWays) {
    AddEntry("Cookie:u@two/", COOKIE_CACHE_ENTRY, 2);
    AddEntry("Cookie:u@big/", COOKIE_CACHE_ENTRY, 0x80000001u);
    AddEntry("Cookie:u@ten/", COOKIE_CACHE_ENTRY, 10);
    AddEntry("Cookie:u@max/", COOKIE_CACHE_ENTRY, 0xFFFFFFFFu);
    AddEntry("Cookie:u@two-again/", COOKIE_CACHE_ENTRY, 2);
    Create();
    ClickHeader(1);
    EXPECT_EQ(Captions(1), (std::vector<std::string>{"2", "2", "10", "2147483649", "4294967295"}));
    ClickHeader(1);
    EXPECT_EQ(Captions(1), (std::vector<std::string>{"4294967295", "2147483649", "10", "2", "2"}));
    ClickHeader(0);
    EXPECT_EQ(Captions(0), (std::vector<std::string>{"big", "max", "ten", "two", "two-again"}));
    EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(CookieOrder, AddressesFollowTheLocaleNotTheCharacterCodes) {
    AddEntry("Cookie:u@b.example/");
    AddEntry("Cookie:u@B.example/");
    AddEntry("Cookie:u@a.example/");
    AddEntry("Cookie:u@\xC3\xA9.example/");  // é sorts with the e's, not after z
    AddEntry("Cookie:u@z.example/");
    Create();
    ClickHeader(0);
    const std::vector<std::string> order = Captions(0);
    EXPECT_EQ(order.front(), "a.example");
    EXPECT_EQ(order.back(), "z.example");
    EXPECT_LT(std::find(order.begin(), order.end(), "\xC3\xA9.example") - order.begin(), 4);
    EXPECT_NE(std::find(order.begin(), order.end(), "B.example") - order.begin(),
              std::find(order.begin(), order.end(), "b.example") - order.begin());
    ClickHeader(4);
    EXPECT_EQ(Captions(4).front(), "Cookie:u@a.example/");
}

TEST_F(CookieOrder, DatesOrderByTimeNotByText) {
    AddEntry("Cookie:u@tenth/", COOKIE_CACHE_ENTRY, 0, Utc(2026, 1, 10, 9), Utc(2027, 5, 1));
    AddEntry("Cookie:u@fallback/", COOKIE_CACHE_ENTRY, 0, FILETIME{}, FILETIME{});
    AddEntry("Cookie:u@second/", COOKIE_CACHE_ENTRY, 0, Utc(2026, 1, 2, 9), Utc(2026, 5, 1));
    Create();
    ClickHeader(2);
    EXPECT_EQ(Captions(0), (std::vector<std::string>{"fallback", "second", "tenth"}));
    ClickHeader(3);
    EXPECT_EQ(Captions(0), (std::vector<std::string>{"fallback", "second", "tenth"}));
    ClickHeader(3);
    EXPECT_EQ(Captions(0), (std::vector<std::string>{"tenth", "second", "fallback"}));
    EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(CookieOrder, DatesOrderInAGermanLocaleWithTheFallbackText) {
    const ScopedLocale german("de_DE.UTF-8");
    AddEntry("Cookie:u@tenth/", COOKIE_CACHE_ENTRY, 0, Utc(2026, 1, 10, 9));
    AddEntry("Cookie:u@fallback/", COOKIE_CACHE_ENTRY, 0, FILETIME{});
    AddEntry("Cookie:u@second/", COOKIE_CACHE_ENTRY, 0, Utc(2026, 2, 1, 9));
    Create();
    EXPECT_EQ(Captions(2)[0], "10.01.2026 09:00:00");
    ClickHeader(2);
    EXPECT_EQ(Captions(0), (std::vector<std::string>{"fallback", "tenth", "second"}));
    EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(CookieOrder, AnUnreadableDateStopsTheSortAndKeepsTheRows) {
    AddEntry("Cookie:u@b/", COOKIE_CACHE_ENTRY, 0, Utc(2026, 1, 10, 9));
    AddEntry("Cookie:u@a/", COOKIE_CACHE_ENTRY, 0, Utc(2026, 1, 2, 9));
    TMainForm& form = Create();
    // The rows were made with United States settings; the user then changed
    // them, so the texts no longer read as dates.
    const ScopedLocale german("de_DE.UTF-8");
    ClickHeader(2);
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0].rfind("'1/", 0), 0u) << ErrorTexts()[0];
    EXPECT_NE(ErrorTexts()[0].find("' is not a valid date and time."), std::string::npos);
    EXPECT_EQ(Captions(0), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(form.lvCookies->Count(), 2);
}

TEST_F(CookieOrder, TheFirstClickAfterARefreshFlipsTheColumnInUse) {
    AddEntry("Cookie:u@one/", COOKIE_CACHE_ENTRY, 1);
    AddEntry("Cookie:u@three/", COOKIE_CACHE_ENTRY, 3);
    AddEntry("Cookie:u@two/", COOKIE_CACHE_ENTRY, 2);
    TMainForm& form = Create();
    ClickHeader(1);
    EXPECT_EQ(Captions(1), (std::vector<std::string>{"1", "2", "3"}));
    form.Click(form.btnRefresh);
    EXPECT_EQ(Captions(1), (std::vector<std::string>{"1", "3", "2"}));
    ClickHeader(1);
    EXPECT_EQ(Captions(1), (std::vector<std::string>{"3", "2", "1"}));
}
