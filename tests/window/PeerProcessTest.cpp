// The window beside another program that opens, changes and closes the stores
// over and over, as a browser does: the window lives on, keeps every entry
// the other program added, and deletes only what its user checked.
#include <QProcess>
#include <QTest>

#include <set>

#include "WindowFixture.h"
#include "platform/codepage.h"
#include "platform/urlhist.h"

namespace {

constexpr int kRounds = 200;
constexpr const char* kCookieTemplate = "Cookie:peer@template.example/";
constexpr const char* kPageTemplate = "http://peer.example/";

std::string Seed(int i) {
    return "seed" + std::to_string(i) + ".example";
}

}  // namespace

class PeerProcess : public WindowFixture {
protected:
    // Checks the row showing `caption`, if there is one, and deletes it.
    bool DeleteRow(const std::string& caption) {
        const std::vector<std::string> captions = Captions(0);
        for (std::size_t row = 0; row < captions.size(); ++row) {
            if (captions[row] != caption)
                continue;
            form_->lvCookies->Items(static_cast<int>(row)).SetChecked(true);
            QTest::mouseClick(form_->btnDelete, Qt::LeftButton);
            return true;
        }
        return false;
    }
    std::set<std::string> HistoryUrls() const {
        std::set<std::string> urls;
        for (int row = 1; row < form_->StringGrid1->RowCount(); ++row)
            urls.insert(form_->StringGrid1->Cells(2, row));
        return urls;
    }
};

TEST_F(PeerProcess, TheWindowOutlivesAnotherProgramOpeningItsStoresAndLosesNothing) {
    std::set<std::string> cookies = {"template.example"};
    AddEntry(kCookieTemplate);
    for (int i = 0; i < kRounds; ++i) {
        AddEntry("Cookie:u@" + Seed(i) + "/");
        cookies.insert(Seed(i));
    }
    std::set<std::string> pages = {kPageTemplate, "http://own.example/"};
    for (const std::string& page : pages) {
        const std::u16string url = AnsiToWide(page);
        URLHISTORY_ENTRY visit;
        visit.pwcsUrl = url.c_str();
        ASSERT_EQ(AddUrlHistoryEntry(visit), S_OK);
    }
    TMainForm& form = Create();
    ShowAndActivate();

    const std::string stores = dataDir_.StoreDir();
    QProcess peer;
    peer.start(ORVALLA_STORE_PEER,
               {QString::fromStdString(stores + "/urlcache.sqlite"), kCookieTemplate,
                QString::fromStdString(stores + "/history.sqlite"), kPageTemplate});
    ASSERT_TRUE(peer.waitForStarted()) << peer.errorString().toStdString();
    // Each round of the peer runs while the window goes on with its own.
    for (int round = 0; round < kRounds; ++round) {
        peer.write("\n");
        ASSERT_TRUE(peer.waitForBytesWritten()) << peer.readAllStandardError().toStdString();
        QTest::mouseClick(form.btnRefresh, Qt::LeftButton);
        if (round % 2 == 0) {
            ASSERT_TRUE(DeleteRow(Seed(round))) << Seed(round);
            cookies.erase(Seed(round));
        }
        QTest::mouseClick(form.Button8, Qt::LeftButton);
    }
    peer.closeWriteChannel();
    ASSERT_TRUE(peer.waitForFinished());
    ASSERT_EQ(peer.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(peer.exitCode(), 0) << peer.readAllStandardError().toStdString();

    for (int i = 0; i < kRounds; ++i) {
        cookies.insert("template.example/keep-" + std::to_string(i));
        pages.insert(kPageTemplate + ("keep-" + std::to_string(i)));
    }
    QTest::mouseClick(form.btnRefresh, Qt::LeftButton);
    const std::vector<std::string> listed = Captions(0);
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), cookies);
    EXPECT_EQ(listed.size(), cookies.size());
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    EXPECT_EQ(HistoryUrls(), pages);
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts().front();
}
