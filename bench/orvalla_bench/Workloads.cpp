#include "Workloads.h"

#include "MainUnit.h"
#include "Measure.h"

namespace {

// The history grid holds five texts per row, two of them outside its columns.
constexpr int kHistoryTexts = 5;
// The grid's rows at start-up: the header and ten empty rows.
constexpr int kInitialGridRows = 11;

// A header whose column no workload measures; clicking it makes the next
// click on a measured header that of a new column, hence ascending.
constexpr int kExpiresColumn = 3;

QString Text(const std::string& bytes) {
    return QString::fromStdString(bytes);
}

void EmptyHistoryGrid(TStringGrid& grid) {
    for (int row = 1; row < grid.RowCount(); ++row) {
        for (int column = 0; column < kHistoryTexts; ++column)
            grid.SetCells(column, row, "");
    }
    grid.SetRowCount(kInitialGridRows);
}

}  // namespace

double WalkRun(TMainForm& form) {
    form.lvCookies->Clear();
    SettleEvents();

    const Stopwatch watch;
    form.Click(form.btnRefresh);
    SettleEvents();
    return watch.ElapsedMs();
}

double OrderingRun(TMainForm& form, int column) {
    form.lvCookiesColumnClick(form.lvCookies, kExpiresColumn);
    form.Click(form.btnRefresh);
    SettleEvents();

    const Stopwatch watch;
    form.lvCookiesColumnClick(form.lvCookies, column);
    SettleEvents();
    return watch.ElapsedMs();
}

double DeleteRun(TMainForm& form, const RowPick& check, std::vector<std::string>& deleted,
                 std::vector<RowTexts>& kept) {
    form.Click(form.btnRefresh);
    deleted.clear();
    kept.clear();
    const std::vector<RowTexts> rows = CookieRows(form);
    for (int i = 0; i < form.lvCookies->Count(); ++i) {
        TListItem item = form.lvCookies->Items(i);
        if (std::string address = item.SubItem(3); check(address)) {
            item.SetChecked(true);
            deleted.push_back(std::move(address));
        } else {
            kept.push_back(rows[static_cast<std::size_t>(i)]);
        }
    }
    SettleEvents();

    const Stopwatch watch;
    form.Click(form.btnDelete);
    SettleEvents();
    return watch.ElapsedMs();
}

double HistoryRun(TMainForm& form) {
    EmptyHistoryGrid(*form.StringGrid1);
    SettleEvents();

    const Stopwatch watch;
    form.Click(form.Button8);
    SettleEvents();
    return watch.ElapsedMs();
}

std::vector<RowTexts> CookieRows(const TMainForm& form) {
    std::vector<RowTexts> rows;
    rows.reserve(static_cast<std::size_t>(form.lvCookies->Count()));
    for (int i = 0; i < form.lvCookies->Count(); ++i) {
        const TListItem item = form.lvCookies->Items(i);
        rows.push_back({Text(item.Caption()), Text(item.SubItem(0)), Text(item.SubItem(1)),
                        Text(item.SubItem(2)), Text(item.SubItem(3))});
    }
    return rows;
}

std::vector<RowTexts> HistoryRows(const TMainForm& form) {
    std::vector<RowTexts> rows;
    const TStringGrid& grid = *form.StringGrid1;
    for (int row = 1; row < grid.RowCount(); ++row) {
        RowTexts texts;
        for (int column = 0; column < kHistoryTexts; ++column)
            texts.append(Text(grid.Cells(column, row)));
        rows.push_back(texts);
    }
    return rows;
}

std::vector<QString> FullAddresses(const TMainForm& form) {
    std::vector<QString> addresses;
    for (int i = 0; i < form.lvCookies->Count(); ++i)
        addresses.push_back(Text(form.lvCookies->Items(i).SubItem(3)));
    return addresses;
}
