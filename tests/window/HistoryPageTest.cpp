// The "History" page: listing the visited http pages and clearing them.
#include <QApplication>
#include <QTest>

#include <filesystem>

#include "PlainObjects.h"
#include "StoreFaults.h"
#include "ToolTips.h"
#include "WindowFixture.h"
#include "platform/codepage.h"
#include "platform/objbase.h"

class HistoryPage : public WindowFixture {
protected:
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < form_->StringGrid1->RowCount(); ++row) {
            texts.push_back(form_->StringGrid1->Cells(column, row));
        }
        return texts;
    }
    // The text at a cell as the view has it once the grid has told it of
    // its rows; row 0 is the header.
    QString Shown(int column, int row) const {
        QApplication::processEvents();
        const QAbstractItemModel* model = form_->StringGrid1->model();
        return row == 0 ? model->headerData(column, Qt::Horizontal).toString()
                        : model->data(model->index(row - 1, column)).toString();
    }
    void Forget(const std::string& url) const {
        Elsewhere(HistoryPath(), "DELETE FROM history WHERE url = '" + url + "'");
    }
};

TEST_F(HistoryPage, ListsOnlyTheHttpPagesWithTheirTimesAndTitles) {
    Visit("http://www.example.com/", "Example Domain");
    Visit("https://secure.example.com/", "Secure");
    Visit("http://cafe.example/", "Caf\xC3\xA9 Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC",
          Utc(2026, 3, 11, 12, 30, 1));
    Visit("file:///home/anna/notes.html", "Notes");
    Visit("http://old.example/", "Old", Utc(1979, 6, 1));
    TMainForm& form = Create();

    TStringGrid* grid = form.StringGrid1;
    EXPECT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(grid->ColCount(), 3);
    EXPECT_EQ(grid->FixedRows(), 1);
    EXPECT_EQ(form.Edit1->text(), "3");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Last Visited", "3/2/2026 9:15:00 AM",
                                                   "3/11/2026 12:30:00 PM", "12/30/1899"}));
    EXPECT_EQ(Column(1)[2], "Caf\xC3\xA9 Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC");
    EXPECT_EQ(Shown(1, 2), QString::fromUtf8("Café Zürich 東京"));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Url", "http://www.example.com/",
                                                   "http://cafe.example/", "http://old.example/"}));
    // The last two columns hold their texts beyond the three the grid shows.
    EXPECT_EQ(Column(3),
              (std::vector<std::string>{"Last Updated", "3/3/2026 10:00:00 AM",
                                        "3/3/2026 10:00:00 AM", "3/3/2026 10:00:00 AM"}));
    EXPECT_EQ(Column(4)[0], "Expires");
    EXPECT_EQ(Column(4)[1], "4/1/2026");
    EXPECT_TRUE(Shown(3, 1).isEmpty());
    EXPECT_EQ(ToolTipAt(grid, 2), "Orvalla");
    EXPECT_TRUE(ErrorTexts().empty());
}

// The zone is read afresh when a walk or a listing starts, not at every
// time stamp: a zone that changed meanwhile shows at the next refresh.
TEST_F(HistoryPage, AZoneChangedMeanwhileShowsAtTheNextRefreshOfEitherPage) {
    AddEntry("Cookie:u@host/", COOKIE_CACHE_ENTRY, 1, Utc(2026, 7, 1, 13, 0, 0));
    Visit("http://www.example.com/", "Example", Utc(2026, 7, 1, 13, 0, 0));
    TMainForm& form = Create();
    EXPECT_EQ(Captions(2)[0], "7/1/2026 1:00:00 PM");
    EXPECT_EQ(Column(0)[1], "7/1/2026 1:00:00 PM");
    const ScopedEnv newYork("TZ", "America/New_York");
    form.Click(form.btnRefresh);
    form.Click(form.Button8);
    EXPECT_EQ(Captions(2)[0], "7/1/2026 9:00:00 AM");
    EXPECT_EQ(Column(0)[1], "7/1/2026 9:00:00 AM");
}

TEST_F(HistoryPage, RefreshFollowsTheStoreAsItShrinksAndEmpties) {
    for (int i = 1; i <= 5; ++i)
        Visit("http://site" + std::to_string(i) + ".example/", "Site");
    TMainForm& form = Create();
    EXPECT_EQ(form.StringGrid1->RowCount(), 6);
    EXPECT_EQ(form.Edit1->text(), "5");

    for (int i = 1; i <= 3; ++i)
        Forget("http://site" + std::to_string(i) + ".example/");
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    EXPECT_EQ(form.StringGrid1->RowCount(), 3);
    EXPECT_EQ(form.Edit1->text(), "2");
    EXPECT_EQ(form.StringGrid1->Cells(2, 1), "http://site4.example/");

    Forget("http://site4.example/");
    Forget("http://site5.example/");
    form.Click(form.Button8);
    EXPECT_EQ(form.StringGrid1->RowCount(), 2);
    EXPECT_EQ(form.StringGrid1->FixedRows(), 1);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Url", ""}));
    EXPECT_EQ(form.Edit1->text(), "0");
}

TEST_F(HistoryPage, AnEmptyHistoryShowsTheHeaderAndNoRows) {
    TMainForm& form = Create();
    EXPECT_EQ(form.StringGrid1->RowCount(), 2);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Last Visited", ""}));
    EXPECT_EQ(form.Edit1->text(), "0");
}

TEST_F(HistoryPage, ClearEmptiesStoreAndGridAndCountsZero) {
    Visit("http://a.example/", "A");
    Visit("http://b.example/", "B");
    TMainForm& form = Create();
    QTest::mouseClick(form.Button9, Qt::LeftButton);
    EXPECT_EQ(form.StringGrid1->ColCount(), 1);
    EXPECT_EQ(form.StringGrid1->RowCount(), 1);
    EXPECT_EQ(form.StringGrid1->FixedRows(), 0);
    EXPECT_EQ(form.StringGrid1->Cells(0, 0), "");
    EXPECT_EQ(form.Edit1->text(), "0");

    // Refreshing an empty history brings back the header row and columns.
    form.Click(form.Button8);
    EXPECT_EQ(form.StringGrid1->ColCount(), 3);
    EXPECT_EQ(form.StringGrid1->FixedRows(), 1);
    EXPECT_EQ(form.StringGrid1->ColWidths(2), 306);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Title", ""}));

    // Clearing again and then refreshing with new pages shows them whole.
    form.Click(form.Button9);
    Visit("http://new.example/", "New");
    form.Click(form.Button8);
    EXPECT_EQ(form.StringGrid1->RowCount(), 2);
    EXPECT_EQ(Shown(1, 0), "Title");
    EXPECT_EQ(Shown(2, 1), "http://new.example/");
    EXPECT_EQ(form.Edit1->text(), "1");
    EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(HistoryPage, AStoreThatCannotBeOpenedIsReportedAndTheWindowStillOpens) {
    AddEntry("Cookie:u@host/");
    std::filesystem::create_directories(dataDir_.StoreDir());
    WriteBytes(HistoryPath(), std::string(4096, 'x'));
    TMainForm& form = Create();
    ShowAndActivate();
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_NE(ErrorTexts()[0].find("history.sqlite"), std::string::npos) << ErrorTexts()[0];
    EXPECT_NE(ErrorTexts()[0].find("not a database"), std::string::npos);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.lvCookies->Count(), 1);
    EXPECT_EQ(form.StringGrid1->Cells(0, 0), "Last Visited");
    EXPECT_FALSE(UrlHistory);

    // Clearing first tries to list, and stops when that fails.
    EXPECT_THROW(form.Click(form.Button9), Exception);
}

TEST_F(HistoryPage, AnObjectWithoutTheHistoryInterfaceIsRefused) {
    TMainForm& form = Create();
    const ClassMaker history = CoReplaceClassMaker(CLSID_CUrlHistory, MakePlainObject);
    ASSERT_TRUE(history);
    QTest::mouseClick(form.Button8, Qt::LeftButton);
    CoReplaceClassMaker(CLSID_CUrlHistory, history);
    EXPECT_EQ(ErrorTexts(), (std::vector<std::string>{"Interface not supported."}));
    EXPECT_TRUE(UrlHistory);  // the store opened at start-up stays
}
