// "Check All", "Uncheck All", "Refresh" and "Delete Cookies".
#include <QTest>

#include "WindowFixture.h"

class CookieCommands : public WindowFixture {
protected:
    void SeedFive() {
        for (const char* host : {"a.example", "b.example", "c.example", "d.example", "e.example"}) {
            AddEntry(std::string("Cookie:u@") + host + "/");
        }
    }
    void Check(std::initializer_list<int> rows) {
        for (int row : rows)
            form_->lvCookies->Items(row).SetChecked(true);
    }
    std::vector<bool> CheckMarks() const {
        std::vector<bool> marks;
        for (int i = 0; i < form_->lvCookies->Count(); ++i) {
            marks.push_back(form_->lvCookies->Items(i).Checked());
        }
        return marks;
    }
};

TEST_F(CookieCommands, CheckAllThenUncheckAll) {
    for (const char* host : {"a", "b", "c"})
        AddEntry(std::string("Cookie:u@") + host + "/");
    TMainForm& form = Create();
    QTest::mouseClick(form.btnCheck, Qt::LeftButton);
    EXPECT_EQ(CheckMarks(), (std::vector<bool>{true, true, true}));
    QTest::mouseClick(form.btnUncheck, Qt::LeftButton);
    EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, false, false}));
    EXPECT_THROW(form.btnCheckClick(form.lvCookies), Exception);
}

TEST_F(CookieCommands, RefreshUnchecksAndShowsTheCacheAnew) {
    SeedFive();
    TMainForm& form = Create();
    Check({1, 3});
    AddEntry("Cookie:u@f.example/");
    QTest::mouseClick(form.btnRefresh, Qt::LeftButton);
    EXPECT_EQ(form.lvCookies->Count(), 6);
    EXPECT_EQ(form.edCookieCount->text(), "6");
    EXPECT_EQ(CheckMarks(), std::vector<bool>(6, false));
    EXPECT_TRUE(form.lvCookies->Items(0).Selected());
    EXPECT_TRUE(form.lvCookies->updatesEnabled());
    EXPECT_EQ(Captions(0).back(), "f.example");
}

TEST_F(CookieCommands, DeleteRemovesExactlyTheCheckedEntries) {
    SeedFive();
    // Addresses that differ from a checked one only by case or by a trailing
    // "/" are other entries.
    AddEntry("Cookie:u@B.example/");
    AddEntry("Cookie:u@b.example");
    TMainForm& form = Create();
    Check({1, 3});
    QTest::mouseClick(form.btnDelete, Qt::LeftButton);

    EXPECT_FALSE(CacheHas("Cookie:u@b.example/"));
    EXPECT_FALSE(CacheHas("Cookie:u@d.example/"));
    EXPECT_TRUE(CacheHas("Cookie:u@B.example/"));
    EXPECT_TRUE(CacheHas("Cookie:u@b.example"));
    EXPECT_EQ(Captions(0), (std::vector<std::string>{"a.example", "c.example", "e.example",
                                                     "B.example", "b.example"}));
    EXPECT_EQ(CheckMarks(), std::vector<bool>(5, false));
    EXPECT_EQ(form.lvCookies->ItemFocused(), form.lvCookies->Items(0));
    EXPECT_TRUE(form.lvCookies->Items(0).Selected());
    EXPECT_EQ(form.edCookieCount->text(), "5");
}

TEST_F(CookieCommands, DeleteWithNothingCheckedOnlyRebuilds) {
    SeedFive();
    TMainForm& form = Create();
    form.Click(form.btnDelete);
    EXPECT_EQ(form.lvCookies->Count(), 5);
}
