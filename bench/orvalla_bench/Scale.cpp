#include "Scale.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "MainUnit.h"
#include "Measure.h"
#include "platform/urlhist.h"
#include "platform/wininet.h"

namespace {

// The grid's rows at start-up: the header and ten empty rows.
constexpr int kInitialGridRows = 11;

// `bytes` long, beginning with `start`.
std::string Padded(std::string start, std::size_t bytes, char fill) {
    start.resize(std::max(bytes, start.size()), fill);
    return start;
}

}  // namespace

double CheckAllRun(TMainForm& form) {
    form.Click(form.btnRefresh);
    SettleEvents();

    const Stopwatch watch;
    form.Click(form.btnCheck);
    SettleEvents();
    return watch.ElapsedMs();
}

double CheckAllFloor(const std::vector<RowTexts>& rows, QSize listSize) {
    const auto list = MakeBareList(listSize);
    // One by one, each row's place found while it is the last: the cheapest
    // way to a list whose every row Qt can find at once.
    for (const RowTexts& texts : rows) {
        auto* item = new QTreeWidgetItem(texts);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                       Qt::ItemNeverHasChildren);
        item->setCheckState(0, Qt::Unchecked);
        list->addTopLevelItem(item);
        list->indexFromItem(item);
    }
    SettleEvents();

    const Stopwatch watch;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setCheckState(0, Qt::Checked);
    SettleEvents();
    return watch.ElapsedMs();
}

void SeedLongTexts(std::size_t bytes) {
    for (int i = 0; i < 3; ++i) {
        const std::string url =
            Padded("Cookie:bench@long" + std::to_string(i) + ".example.com/", bytes, 'p');
        CACHE_ENTRY_VALUES values;
        values.CacheEntryType = COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY;
        if (!CommitUrlCacheEntryValues(url.c_str(), &values))
            throw std::runtime_error("seeding a long cookie failed: error " +
                                     std::to_string(GetLastError()));
    }
    const std::string address = Padded("http://long.example.com/", bytes, 'q');
    const std::u16string url(address.begin(), address.end());
    const std::u16string title(bytes, u't');
    URLHISTORY_ENTRY page{};
    page.pwcsUrl = url.c_str();
    page.pwcsTitle = title.c_str();
    page.dwFlags = STATURLFLAG_ISTOPLEVEL;
    if (FAILED(AddUrlHistoryEntries(&page, 1)))
        throw std::runtime_error("seeding a long history page failed");
}

double LongTextsRun(TMainForm& form) {
    form.PageControl1->SetActivePage(form.TabSheet1);
    form.lvCookies->Clear();
    for (int row = 1; row < form.StringGrid1->RowCount(); ++row) {
        for (int column = 0; column < 5; ++column)
            form.StringGrid1->SetCells(column, row, "");
    }
    form.StringGrid1->SetRowCount(kInitialGridRows);
    SettleEvents();

    const Stopwatch watch;
    form.Click(form.btnRefresh);
    SettleEvents();
    form.PageControl1->SetActivePage(form.TabSheet2);
    form.Click(form.Button8);
    SettleEvents();
    return watch.ElapsedMs();
}
