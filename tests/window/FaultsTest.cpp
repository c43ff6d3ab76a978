// The window when its stores fail: it says which store failed and why, it
// keeps running with what it could read, and nothing goes from a store but
// what the user asked to delete.
#include <QTest>

#include <algorithm>
#include <filesystem>

#include "StoreFaults.h"
#include "StorePeer.h"
#include "ThreadStore.h"
#include "WindowFixture.h"
#include "platform/urlhist.h"

class Faults : public WindowFixture {
protected:
    static void AddAll(const std::vector<std::string>& addresses) {
        for (const std::string& address : addresses)
            AddEntry(address);
    }
    // Ends the window and every connection it had, so that the files can be
    // compared byte for byte.
    void CloseWindow() {
        form_.reset();
        UrlHistory = nullptr;
        CloseThreadStore();
    }

    // The one error box shown since the last call, which must name `path`
    // and say `cause`.
    void ExpectOneErrorBox(const std::string& path, const std::string& cause) {
        const std::vector<std::string> texts = ErrorTexts();
        ASSERT_EQ(texts.size(), shownBefore_ + 1) << (texts.empty() ? "" : texts.back());
        shownBefore_ = texts.size();
        EXPECT_NE(texts.back().find("store \"" + path + "\" cannot be"), std::string::npos)
            << texts.back();
        EXPECT_NE(texts.back().find(cause), std::string::npos) << texts.back();
    }
    void ExpectNoNewErrorBox() { EXPECT_EQ(ErrorTexts().size(), shownBefore_); }

    std::vector<std::string> Grid(int column) const {
        std::vector<std::string> cells;
        for (int row = 1; row < form_->StringGrid1->RowCount(); ++row)
            cells.push_back(form_->StringGrid1->Cells(column, row));
        return cells;
    }

    std::size_t shownBefore_ = 0;
};

TEST_F(Faults, DamagedCacheShowsTheRowsBeforeTheDamageAndIsNeverWritten) {
    const std::vector<std::string> addresses = CookieAddresses(120);
    AddAll(addresses);
    CloseThreadStore();
    const RowRange damaged = DamageMiddlePageOf(CachePath(), "url_cache_entries");
    const std::string bytes = ReadBytes(CachePath());

    TMainForm& form = Create();
    ShowAndActivate();
    ExpectOneErrorBox(CachePath(), "malformed");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.lvCookies->Count(), damaged.first);
    EXPECT_EQ(form.edCookieCount->text().toStdString(), std::to_string(damaged.first));

    // Deleting a row read before the damage is refused (and, as every refused
    // deletion, not reported); the rebuild meets the damage again.
    form.lvCookies->Items(0).SetChecked(true);
    QTest::mouseClick(form.btnDelete, Qt::LeftButton);
    ExpectOneErrorBox(CachePath(), "malformed");
    EXPECT_EQ(Captions(4)[0], addresses[0]);
    CloseWindow();
    EXPECT_TRUE(ReadBytes(CachePath()) == bytes) << "a damaged store was written to";
}

TEST_F(Faults, CacheCutInHalfIsReportedAndTheWindowStillOpens) {
    AddAll(CookieAddresses(60));
    CloseThreadStore();
    const std::string good = ReadBytes(CachePath());
    WriteBytes(CachePath(), good.substr(0, good.size() / 2));
    Visit("http://visited.example/");

    TMainForm& form = Create();
    ShowAndActivate();
    ExpectOneErrorBox(CachePath(), "malformed");
    EXPECT_EQ(form.lvCookies->Count(), 0);
    EXPECT_FALSE(form.btnDelete->isEnabled());
    // The failed walk ended the window's creation before the history listing.
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    ExpectNoNewErrorBox();
    EXPECT_EQ(Grid(2), std::vector<std::string>{"http://visited.example/"});
    CloseWindow();
    EXPECT_EQ(ReadBytes(CachePath()).size(), good.size() / 2);
}

TEST_F(Faults, ReadOnlyDirectoryListsBothStoresAndRefusesTheClearing) {
    const std::vector<std::string> addresses = CookieAddresses(3);
    AddAll(addresses);
    CloseThreadStore();
    Visit("http://a.example/");
    Visit("http://b.example/");
    {
        UserPermissions asUser;
        ScopedMode readOnly(dataDir_.StoreDir(), 0500);
        TMainForm& form = Create();
        ShowAndActivate();
        ExpectNoNewErrorBox();
        EXPECT_EQ(Captions(4), addresses);
        EXPECT_EQ(Grid(2), (std::vector<std::string>{"http://a.example/", "http://b.example/"}));

        form.lvCookies->Items(1).SetChecked(true);
        QTest::mouseClick(form.btnDelete, Qt::LeftButton);
        ExpectNoNewErrorBox();  // a refused deletion shows as the row that stays
        EXPECT_EQ(Captions(4), addresses);

        QTest::mouseClick(form.Button9, Qt::LeftButton);
        ExpectOneErrorBox(HistoryPath(), "for reading only");
        EXPECT_EQ(Grid(2), (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
        EXPECT_EQ(form.Edit1->text(), "2");
    }
    CloseWindow();
    EXPECT_TRUE(CacheHas(addresses[1]));
}

TEST_F(Faults, CacheLockedByAnotherProcessIsReportedUntilReleased) {
    const std::vector<std::string> addresses = CookieAddresses(3);
    AddAll(addresses);
    CloseThreadStore();
    Visit("http://a.example/");
    StorePeer peer({"lock", CachePath(), "exclusive"});
    ASSERT_TRUE(peer.Ready()) << peer.FirstReport();

    TMainForm& form = Create();
    ShowAndActivate();
    ExpectOneErrorBox(CachePath(), "database is locked");
    EXPECT_EQ(form.lvCookies->Count(), 0);
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    EXPECT_EQ(Grid(2), std::vector<std::string>{"http://a.example/"});

    EXPECT_EQ(peer.Stop(), "done");
    QTest::mouseClick(form.btnRefresh, Qt::LeftButton);
    ExpectNoNewErrorBox();
    EXPECT_EQ(Captions(4), addresses);
}

TEST_F(Faults, HistoryLockedByAnotherProcessIsReportedWhileTheCookiesList) {
    AddAll(CookieAddresses(2));
    Visit("http://a.example/");
    StorePeer peer({"lock", HistoryPath(), "exclusive"});
    ASSERT_TRUE(peer.Ready()) << peer.FirstReport();

    TMainForm& form = Create();
    ShowAndActivate();
    ExpectOneErrorBox(HistoryPath(), "database is locked");
    EXPECT_EQ(form.lvCookies->Count(), 2);

    EXPECT_EQ(peer.Stop(), "done");
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    ExpectNoNewErrorBox();
    EXPECT_EQ(Grid(2), std::vector<std::string>{"http://a.example/"});
}

TEST_F(Faults, StoresDeletedWhileTheWindowRunsAreFollowedToTheirNewFiles) {
    AddAll(CookieAddresses(3));
    Visit("http://old.example/");
    TMainForm& form = Create();
    ShowAndActivate();
    ASSERT_EQ(form.lvCookies->Count(), 3);

    // The browser starts both stores afresh while the window shows the old.
    RemoveStoreFiles(CachePath());
    RemoveStoreFiles(HistoryPath());
    AddEntry("Cookie:u@new.example/");
    Visit("http://new.example/");

    form.lvCookies->Items(0).SetChecked(true);
    QTest::mouseClick(form.btnDelete, Qt::LeftButton);
    EXPECT_EQ(Captions(0), std::vector<std::string>{"new.example"});

    // The clearing goes to the history that is there now, not the one gone.
    QTest::mouseClick(form.Button9, Qt::LeftButton);
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    EXPECT_EQ(form.Edit1->text(), "0");
    EXPECT_EQ(Grid(2), std::vector<std::string>{""});
    ExpectNoNewErrorBox();
}

TEST_F(Faults, FullDiskFailsTheClearingAndLosesNothing) {
    AddAll(CookieAddresses(2));
    Visit("http://a.example/");
    TMainForm& form = Create();
    ShowAndActivate();
    // The refused clearing shows what is left, this page included.
    Visit("http://b.example/");
    {
        FileSizeLimit full(FileSize(HistoryPath() + "-wal"));
        QTest::mouseClick(form.Button9, Qt::LeftButton);
        ExpectOneErrorBox(HistoryPath(), "File too large");
        form.lvCookies->Items(0).SetChecked(true);
        QTest::mouseClick(form.btnDelete, Qt::LeftButton);
    }
    EXPECT_EQ(form.lvCookies->Count(), 2);
    EXPECT_EQ(Grid(2), (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
    EXPECT_EQ(form.Edit1->text(), "2");
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    EXPECT_EQ(Grid(2), (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
    ExpectNoNewErrorBox();
}

// However many profiles fail, the box shows the first ten and counts the rest.
TEST_F(Faults, ManyDamagedProfilesShowTheFirstTenAndCountTheRest) {
    for (int i = 0; i < 12; ++i) {
        const std::string folder =
            dataDir_.Path() + "/.config/falkon/profiles/" + std::to_string(i);
        std::filesystem::create_directories(folder);
        WriteBytes(folder + "/Cookies", std::string(4096, 'x'));
    }
    Create();
    ShowAndActivate();
    ASSERT_EQ(ErrorTexts().size(), 1u);
    const std::string text = ErrorTexts()[0];
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10) << text;
    EXPECT_TRUE(text.starts_with("Falkon (") && text.ends_with("\nand 2 more.")) << text;
}
