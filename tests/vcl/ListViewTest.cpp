#include "platform/vcl/ListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.AddColumn("Address", 125);
        list.AddColumn("Hits", 38, Qt::AlignHCenter);
    }

    // One row per key: the key is the caption and also sub-item 0.
    void AddRows(const std::vector<int>& keys) {
        for (int key : keys) {
            TListItem row = list.Add();
            row.SetCaption("row" + std::to_string(key) + "_" + std::to_string(list.Count()));
            row.AddSubItem(std::to_string(key));
        }
    }

    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (int i = 0; i < list.Count(); ++i)
            captions.emplace_back(list.Items(i).Caption());
        return captions;
    }

    void CompareByKey(bool descending = false) {
        list.OnCompare = [this, descending](QObject*, TListItem first, TListItem second, int,
                                            int& compare) {
            ++comparisons;
            const int a = std::stoi(std::string(first.SubItem(0)));
            const int b = std::stoi(std::string(second.SubItem(0)));
            compare = (a > b) - (a < b);
            if (descending)
                compare = -compare;
        };
    }

    TListView list;
    int comparisons = 0;
};

TEST_F(ListViewTest, TextsComeBackAsTheBytesStoredEvenWhenNotUtf8) {
    const std::string invalid = "caf\xe9 \xff\xfe";
    const std::string cut = "\xc3";
    const std::string withNul("a\0b", 3);
    TListItem row = list.Add();
    row.SetCaption(invalid);
    row.AddSubItem(cut);
    row.AddSubItem("");
    row.AddSubItem(withNul);

    EXPECT_EQ(row.Caption(), invalid);
    EXPECT_EQ(row.SubItem(0), cut);
    EXPECT_EQ(row.SubItem(1), "");
    EXPECT_EQ(row.SubItem(2), withNul);
    EXPECT_EQ(row.SubItem(3), "");
    EXPECT_EQ(row.Index().data().toString(), QString::fromUtf8(invalid.data(), invalid.size()));

    const std::string utf8 =
        "Gr\xc3\xbc\xc3\x9f"
        "e";
    row.SetCaption(utf8);
    EXPECT_EQ(row.Caption(), utf8);
    EXPECT_EQ(row.Index().data().toString(), QStringLiteral("Grüße"));
}

TEST_F(ListViewTest, TextsAreOneWhicheverWayTheyAreSetOrRead) {
    TListItem row = list.Add();
    row.SetCaption("host/path");
    list.model()->setData(row.Index(1), QStringLiteral("Gr\u00FC\u00DFe"));  // no sub-item yet
    EXPECT_EQ(row.SubItem(0),
              "Gr\xc3\xbc\xc3\x9f"
              "e");
    EXPECT_EQ(row.SubItem(1), "");
    EXPECT_EQ(row.Index().data().toString(), QStringLiteral("host/path"));
    list.model()->setData(row.Index(), Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(row.Checked());
    EXPECT_EQ(row.Caption(), "host/path");

    // A row that is none holds no texts.
    EXPECT_EQ(TListItem().Caption(), "");
    EXPECT_EQ(TListItem().SubItem(0), "");
}

// What the screen shows, not what painting would show now.
QImage OnScreen(QWidget& widget) {
    QApplication::processEvents();
    return widget.screen()->grabWindow(widget.winId()).toImage();
}

void LeftClick(QWidget* viewport, QPoint point) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(
            type, QPointF(point), viewport->mapToGlobal(QPointF(point)), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
}

TEST_F(ListViewTest, RowsAndChangedTextsShowWhetherOrNotRepaintingWasSuspended) {
    AddRows({1, 2});
    list.resize(300, 200);
    list.show();
    EXPECT_EQ(list.model()->rowCount(), 2);  // added before the list was shown
    EXPECT_EQ(list.model()->index(1, 0).data().toString(), "row2_2");
    const QImage before = OnScreen(list);

    list.Items(0).SetCaption("WWWWWWWWWWWW");
    const QImage changed = OnScreen(list);
    EXPECT_NE(changed, before);

    list.BeginUpdate();
    list.Items(1).SetCaption("MMMMMMMMMMMM");
    list.Items(1).AddSubItem("99");
    EXPECT_EQ(OnScreen(list), changed);
    list.EndUpdate();
    EXPECT_NE(OnScreen(list), changed);
}

TEST_F(ListViewTest, CheckStateFocusAndSelectionAreSeparateAndSelectionIsSingle) {
    AddRows({1, 2, 3});
    EXPECT_FALSE(list.Items(0).Checked());
    EXPECT_TRUE(list.Items(0).Index().flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(list.Items(0).Index().flags() & Qt::ItemIsEditable);

    list.Items(1).SetChecked(true);
    EXPECT_TRUE(list.Items(1).Checked());
    EXPECT_FALSE(list.Items(0).Checked());
    list.Items(1).SetChecked(false);
    EXPECT_FALSE(list.Items(1).Checked());

    list.Items(0).SetSelected(true);
    list.SetItemFocused(list.Items(2));
    EXPECT_EQ(list.ItemFocused(), list.Items(2));
    EXPECT_TRUE(list.Items(0).Selected());
    EXPECT_FALSE(list.Items(2).Selected());

    list.Items(2).SetSelected(true);
    EXPECT_FALSE(list.Items(0).Selected());
    EXPECT_TRUE(list.Items(2).Selected());

    list.SetItemFocused(TListItem());
    EXPECT_FALSE(list.ItemFocused());
}

TEST_F(ListViewTest, AlphaSortOrdersThroughOnCompareKeepingEqualRowsInPlaceAndRowStates) {
    AddRows({3, 1, 2, 1, 3});
    CompareByKey();
    list.AlphaSort();
    EXPECT_EQ(Captions(),
              (std::vector<std::string>{"row1_2", "row1_4", "row2_3", "row3_1", "row3_5"}));

    CompareByKey(true);
    list.AlphaSort();
    EXPECT_EQ(Captions(),
              (std::vector<std::string>{"row3_1", "row3_5", "row2_3", "row1_2", "row1_4"}));

    // Check states, focus and selection go with their rows.
    list.Items(0).SetChecked(true);      // row3_1
    list.Items(3).SetSelected(true);     // row1_2
    list.SetItemFocused(list.Items(2));  // row2_3
    CompareByKey();
    list.AlphaSort();
    ASSERT_EQ(Captions(),
              (std::vector<std::string>{"row1_2", "row1_4", "row2_3", "row3_1", "row3_5"}));
    EXPECT_TRUE(list.Items(3).Checked());
    EXPECT_FALSE(list.Items(0).Checked());
    EXPECT_TRUE(list.Items(0).Selected());
    EXPECT_EQ(list.ItemFocused(), list.Items(2));
    EXPECT_EQ(list.Items(2).SubItem(0), "2");
}

TEST_F(ListViewTest, AnErrorFromOnCompareLeavesTheOrderAndReachesTheCaller) {
    AddRows({5, 4, 3, 2, 1, 0});
    const std::vector<std::string> before = Captions();
    CompareByKey();
    const auto byKey = list.OnCompare;
    list.OnCompare = [&](QObject* sender, TListItem first, TListItem second, int data,
                         int& compare) {
        if (comparisons == 4)
            throw std::runtime_error("'x' is not a valid integer value");
        byKey(sender, first, second, data, compare);
    };
    EXPECT_THROW(list.AlphaSort(), std::runtime_error);
    EXPECT_EQ(Captions(), before);
    EXPECT_EQ(list.Count(), 6);
}

TEST_F(ListViewTest, SortTypeSortsOnlyWhenSwitchedOnFromNoneWithOnCompare) {
    AddRows({2, 1});
    list.AlphaSort();
    list.SetSortType(TSortType::stBoth);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"row2_1", "row1_2"}));  // no OnCompare

    list.SetSortType(TSortType::stNone);
    CompareByKey();
    list.SetSortType(TSortType::stBoth);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"row1_2", "row2_1"}));

    AddRows({0});  // appended rows stay where they are
    const int before = comparisons;
    list.SetSortType(TSortType::stBoth);
    list.SetSortType(TSortType::stText);
    EXPECT_EQ(comparisons, before);
    EXPECT_EQ(list.Items(2).Caption(), "row0_3");

    list.SetSortType(TSortType::stNone);
    EXPECT_EQ(comparisons, before);
    list.SetSortType(TSortType::stBoth);
    EXPECT_EQ(list.Items(0).Caption(), "row0_3");
}

TEST_F(ListViewTest, TenThousandRowsSortAndKeepTheirTexts) {
    std::vector<int> keys;
    for (int i = 0; i < 10000; ++i)
        keys.push_back((i * 7919) % 10007);
    {
        TListUpdateLock lock(&list);
        AddRows(keys);
    }
    CompareByKey();
    list.AlphaSort();
    ASSERT_EQ(list.Count(), 10000);
    for (int i = 1; i < list.Count(); ++i)
        ASSERT_LE(std::stoi(std::string(list.Items(i - 1).SubItem(0))),
                  std::stoi(std::string(list.Items(i).SubItem(0))));
    EXPECT_EQ(list.model()->rowCount(), 10000);
}

TEST_F(ListViewTest, UpdatesResumeAfterTheOutermostEndUpdateWithRowsClearedAndSorted) {
    list.BeginUpdate();
    {
        TListUpdateLock inner(&list);
        EXPECT_FALSE(list.updatesEnabled());
    }
    EXPECT_FALSE(list.updatesEnabled());
    list.EndUpdate();
    EXPECT_TRUE(list.updatesEnabled());
    list.EndUpdate();  // unbalanced: ignored
    list.BeginUpdate();
    EXPECT_FALSE(list.updatesEnabled());
    list.EndUpdate();
    EXPECT_TRUE(list.updatesEnabled());

    list.BeginUpdate();
    AddRows({3, 1, 2});
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    AddRows({3, 1, 2});
    CompareByKey();
    list.AlphaSort();
    list.EndUpdate();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"row1_2", "row2_3", "row3_1"}));

    // A list destroyed before it repaints again frees what it kept aside.
    TListView other;
    other.BeginUpdate();
    other.Add().SetCaption("never shown");
}

// Rows added while repainting is suspended reach the view together; whoever
// asks for them in between must not notice.
TEST_F(ListViewTest, RowsAddedWhileSuspendedAreRowsLikeAnyOther) {
    AddRows({1});
    {
        TListUpdateLock lock(&list);
        AddRows({2, 3});
        EXPECT_EQ(list.Count(), 3);
        TListItem third = list.Add();
        third.SetCaption("third");
        third.SetChecked(true);
        EXPECT_TRUE(third.Checked());
        third.SetSelected(true);
        EXPECT_TRUE(third.Selected());
        list.SetItemFocused(third);
        AddRows({4});
        EXPECT_EQ(list.Count(), 5);
    }
    EXPECT_EQ(list.model()->rowCount(), 5);
    EXPECT_EQ(Captions(),
              (std::vector<std::string>{"row1_1", "row2_2", "row3_3", "third", "row4_5"}));
    EXPECT_EQ(list.ItemFocused().Caption(), "third");
    EXPECT_EQ(list.selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(list.Items(3).Checked());
}

TEST_F(ListViewTest, HeaderClickReportsTheColumnWithoutSorting) {
    AddRows({2, 1});
    std::vector<int> clicked;
    list.OnColumnClick = [&](QObject* sender, int column) {
        EXPECT_EQ(sender, &list);
        clicked.push_back(column);
    };
    list.resize(300, 200);
    list.show();

    QHeaderView* header = list.header();
    LeftClick(header->viewport(),
              QPoint(header->sectionViewportPosition(1) + header->sectionSize(1) / 2,
                     header->height() / 2));

    EXPECT_EQ(clicked, std::vector<int>{1});
    EXPECT_EQ(Captions(), (std::vector<std::string>{"row2_1", "row1_2"}));
}

TEST_F(ListViewTest, ChecksShowAtOnceWhereverTheRowHasMovedAndClicksToggleThem) {
    list.BeginUpdate();
    AddRows({3, 1, 2});
    list.EndUpdate();
    CompareByKey();
    list.AlphaSort();
    list.resize(300, 200);
    list.show();
    const QImage before = OnScreen(list);

    // Now last, the row was added third and sorted into place.
    list.Items(2).SetChecked(true);
    EXPECT_NE(OnScreen(list), before);
    list.Items(2).SetChecked(false);
    EXPECT_EQ(OnScreen(list), before);

    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.rect = list.visualRect(list.Items(0).Index());
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QPoint box = list.style()
                           ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list)
                           .center();
    LeftClick(list.viewport(), box);
    EXPECT_TRUE(list.Items(0).Checked());
    EXPECT_NE(OnScreen(list), before);
}

TEST_F(ListViewTest, AHugeTextShowsItsStartWithoutCuttingACharacterAndIsKeptWhole) {
    // After one byte, so that a cut at a round count of bytes would split a
    // character; the four-byte one is a surrogate pair in UTF-16.
    for (const std::string character : {"\xc3\xa9", "\xf0\x9f\x98\x80"}) {
        std::string huge = "a";
        for (int i = 0; i < 1 << 18; ++i)
            huge += character;
        TListItem row = list.Add();
        row.SetCaption(huge);
        const QString shown = row.Index().data().toString();
        EXPECT_GE(shown.toUcs4().size(), 2048);
        EXPECT_LT(shown.size(), 20'000);
        const QByteArray bytes = shown.toUtf8();  // a cut character would not come back
        EXPECT_EQ(huge.compare(0, bytes.size(), bytes.constData(), bytes.size()), 0);
        EXPECT_EQ(row.Caption(), huge);
    }
}

}  // namespace

TEST_F(ListViewTest, ARowsTipIsAskedForWhenShownAndStaysPlainText) {
    AddRows({1, 2});
    int asked = 0;
    list.OnInfoTip = [&](QObject*, TListItem item, std::string& tip) {
        ++asked;
        if (item.SubItem(0) == "1")
            tip = "<b>row</b> & one\nsecond line";
    };
    list.show();
    list.viewport()->repaint();
    EXPECT_EQ(asked, 0);
    const QString shown = list.Items(0).Index(1).data(Qt::ToolTipRole).toString();
    QTextDocument tip;
    tip.setHtml(shown);
    EXPECT_EQ(tip.toPlainText().toStdString(), "<b>row</b> & one\nsecond line");
    EXPECT_FALSE(list.Items(1).Index().data(Qt::ToolTipRole).isValid());
    EXPECT_EQ(asked, 2);
}
