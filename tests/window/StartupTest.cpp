// The window as it opens: layout, start-up sequence, activation, errors.
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QTabBar>
#include <QTest>

#include <filesystem>

#include "StoreFaults.h"
#include "WindowFixture.h"

using Startup = WindowFixture;

TEST_F(Startup, EmptyCacheOpensOnCookiesPageWithRowButtonsDisabled) {
    TMainForm& form = Create();
    ShowAndActivate();
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet1);
    EXPECT_EQ(form.lvCookies->Count(), 0);
    EXPECT_EQ(form.edCookieCount->text(), "0");
    EXPECT_FALSE(form.btnCheck->isEnabled());
    EXPECT_FALSE(form.btnUncheck->isEnabled());
    EXPECT_FALSE(form.btnDelete->isEnabled());
    EXPECT_TRUE(form.btnRefresh->isEnabled());
    EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(Startup, SeededCacheGivesOneRowPerCookieInCacheOrder) {
    AddEntry("Cookie:anna@example.com/", COOKIE_CACHE_ENTRY, 3);
    AddEntry("http://example.com/index.html", NORMAL_CACHE_ENTRY);
    AddEntry("Visited: anna@http://example.com/", URLHISTORY_CACHE_ENTRY);
    AddEntry("Cookie:anna@shop.example.org/cart/", COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY, 12,
             Utc(2026, 3, 10, 0, 0, 0), Utc(2026, 3, 10, 15, 4, 5));
    TMainForm& form = Create();

    EXPECT_EQ(Captions(0), (std::vector<std::string>{"example.com", "shop.example.org/cart"}));
    EXPECT_EQ(Captions(1), (std::vector<std::string>{"3", "12"}));
    EXPECT_EQ(Captions(2), (std::vector<std::string>{"1/2/2026 3:04:06 AM", "3/10/2026"}));
    EXPECT_EQ(Captions(3),
              (std::vector<std::string>{"1/2/2027 3:04:06 AM", "3/10/2026 3:04:04 PM"}));
    EXPECT_EQ(Captions(4), (std::vector<std::string>{"Cookie:anna@example.com/",
                                                     "Cookie:anna@shop.example.org/cart/"}));
    EXPECT_EQ(form.edCookieCount->text(), "2");
    EXPECT_TRUE(form.btnCheck->isEnabled());
    EXPECT_TRUE(form.btnUncheck->isEnabled());
    EXPECT_TRUE(form.btnDelete->isEnabled());
    for (int i = 0; i < form.lvCookies->Count(); ++i) {
        EXPECT_FALSE(form.lvCookies->Items(i).Checked());
    }
}

TEST_F(Startup, ActivationFocusesAndSelectsTheFirstRowOnce) {
    AddEntry("Cookie:a@one.example/");
    AddEntry("Cookie:a@two.example/");
    TMainForm& form = Create();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    ShowAndActivate();

    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet1);
    const TListItem first = form.lvCookies->Items(0);
    EXPECT_EQ(form.lvCookies->ItemFocused(), first);
    EXPECT_TRUE(first.Selected());
    EXPECT_TRUE(form.lvCookies->hasFocus());

    // Coming back to the window does not run the activation again.
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
    QApplication::setActiveWindow(&form);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet2);
}

TEST_F(Startup, SelectFirstItemKeepsTheFocusedRow) {
    for (const char* host : {"a", "b", "c", "d"})
        AddEntry(std::string("Cookie:u@") + host + "/");
    TMainForm& form = Create();
    form.lvCookies->SetItemFocused(form.lvCookies->Items(2));
    form.lvCookies->clearSelection();
    form.FormActivate(&form);
    EXPECT_EQ(form.lvCookies->ItemFocused(), form.lvCookies->Items(2));
    EXPECT_TRUE(form.lvCookies->Items(2).Selected());
    EXPECT_FALSE(form.lvCookies->Items(0).Selected());
}

TEST_F(Startup, WindowIsAFixedDialogOfTheLaidOutSize) {
    TMainForm& form = Create();
    ShowAndActivate();
    EXPECT_EQ(form.windowTitle(), "Veltrane - Orvalla v1.0");
    EXPECT_EQ(form.size(), QSize(522, 396));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    form.resize(800, 600);
    EXPECT_EQ(form.size(), QSize(522, 396));
    EXPECT_EQ(form.font().pixelSize(), 11);
}

TEST_F(Startup, ControlsStandWhereTheLayoutPutsThem) {
    TMainForm& form = Create();
    EXPECT_EQ(form.Image1->geometry(), QRect(0, 0, 522, 30));
    EXPECT_EQ(form.PageControl1->geometry(), QRect(0, 32, 521, 361));
    EXPECT_EQ(form.GroupBox1->geometry(), QRect(8, 0, 497, 329));
    EXPECT_EQ(form.lvCookies->geometry(), QRect(10, 16, 477, 261));
    EXPECT_EQ(form.btnDelete->geometry(), QRect(12, 292, 90, 25));
    EXPECT_EQ(form.edCookieCount->geometry(), QRect(81, 5, 50, 21));
    EXPECT_EQ(form.StringGrid1->geometry(), QRect(10, 15, 479, 261));
    EXPECT_EQ(form.Button8->parentWidget(), form.TabSheet2);
    EXPECT_EQ(form.Button9->geometry(), QRect(76, 292, 90, 25));

    EXPECT_EQ(form.PageControl1->tabText(0), "Cookies");
    EXPECT_EQ(form.PageControl1->tabText(1), "History");
    EXPECT_EQ(form.PageControl1->tabBar()->tabRect(0).width(), 100);
    EXPECT_EQ(form.GroupBox1->title(), "Internet Explorer Cache");
    EXPECT_EQ(form.GroupBox8->title(), "Internet Explorer History");
    EXPECT_EQ(form.btnCheck->property("Tag").toInt(), 1);
    EXPECT_EQ(form.btnUncheck->property("Tag").toInt(), 0);
    // The counts are no tab stops, but a click lets their number be copied.
    for (const QLineEdit* count : {form.edCookieCount, form.Edit1}) {
        EXPECT_TRUE(count->isReadOnly());
        EXPECT_EQ(count->focusPolicy(), Qt::ClickFocus);
    }

    const QAbstractItemModel* rows = form.lvCookies->model();
    const QStringList titles = {"Address", "Hits", "Modified", "Expires", "Full Address"};
    const int widths[] = {125, 38, 122, 122, 100};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(rows->headerData(column, Qt::Horizontal).toString(), titles[column]);
        EXPECT_EQ(form.lvCookies->columnWidth(column), widths[column]);
    }
    EXPECT_TRUE(rows->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignHCenter);
}

TEST_F(Startup, TabFollowsTheLaidOutOrder) {
    AddEntry("Cookie:u@host/");
    TMainForm& form = Create();
    ShowAndActivate();
    const std::vector<QWidget*> expected = {form.btnRefresh, form.btnUncheck, form.btnCheck,
                                            form.btnDelete, form.lvCookies};
    form.PageControl1->tabBar()->setFocus();
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(Startup, HistoryGridStartsWithItsLaidOutColumns) {
    TMainForm& form = Create();
    TStringGrid* grid = form.StringGrid1;
    EXPECT_EQ(grid->ColCount(), 3);
    EXPECT_EQ(grid->FixedRows(), 1);
    EXPECT_EQ(grid->DefaultRowHeight(), 14);
    EXPECT_EQ(grid->ColWidths(0), 109);
    EXPECT_EQ(grid->ColWidths(1), 221);
    EXPECT_EQ(grid->ColWidths(2), 306);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST_F(Startup, BannerIsCentredSoBothSidesAreCut) {
    TMainForm& form = Create();
    const QPixmap banner = form.Image1->pixmap();
    EXPECT_EQ(banner.size(), QSize(600, 30));
    EXPECT_TRUE(form.Image1->alignment() & Qt::AlignHCenter);
    EXPECT_EQ((banner.width() - form.Image1->width()) / 2, 39);
}

TEST_F(Startup, StoreThatIsNotADatabaseIsReportedAndLeftUntouched) {
    std::filesystem::create_directories(dataDir_.StoreDir());
    const std::string garbage(4096, 'x');
    WriteBytes(CachePath(), garbage);

    TMainForm& form = Create();
    ShowAndActivate();
    ASSERT_EQ(errors_->Boxes().size(), 1u);
    const ShownBox& box = errors_->Boxes()[0];
    EXPECT_EQ(box.caption, "Veltrane  - Orvalla");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(box.textFormat, Qt::PlainText);
    EXPECT_NE(box.text.find(CachePath()), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("not a database"), std::string::npos) << box.text;
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.edCookieCount->text(), "0");
    EXPECT_EQ(ReadBytes(CachePath()), garbage);
}

TEST_F(Startup, ClickFromCodeRaisesWhileAUserClickShowsTheErrorBox) {
    AddEntry("Cookie:u@host/");
    TMainForm& form = Create();
    ShowAndActivate();
    RemoveStoreFiles(CachePath());
    WriteBytes(CachePath(), std::string(4096, 'x'));

    EXPECT_THROW(form.Click(form.btnRefresh), Exception);
    EXPECT_TRUE(ErrorTexts().empty());

    QTest::mouseClick(form.btnRefresh, Qt::LeftButton);
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_NE(ErrorTexts()[0].find("not a database"), std::string::npos);
    EXPECT_EQ(form.edCookieCount->text(), "0");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Startup, TabOnTheHistoryPageLeavesTheGridForItsButtons) {
    TMainForm& form = Create();
    ShowAndActivate();
    form.PageControl1->SetActivePage(form.TabSheet2);
    form.StringGrid1->setFocus();
    QTest::keyClick(form.StringGrid1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.Button8);
    QTest::keyClick(form.Button8, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.Button9);
}
