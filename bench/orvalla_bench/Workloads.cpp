#include "Workloads.h"

#include <QApplication>

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

void EmptyHistoryGrid(TStringGrid& grid) {
    for (int row = 1; row < grid.RowCount(); ++row) {
        for (int column = 0; column < kHistoryTexts; ++column)
            grid.SetCells(column, row, "");
    }
    grid.SetRowCount(kInitialGridRows);
}

}  // namespace

double WalkRun(TMainForm& form, int rows) {
    form.PageControl1->SetActivePage(form.TabSheet1);
    form.lvCookies->Clear();
    const double elapsed = Timed([&] { form.Click(form.btnRefresh); });
    Require(form.lvCookies->Count() == rows, "the walk lists every cookie row");
    return elapsed;
}

double OrderingRun(TMainForm& form, int column, std::vector<RowTexts>& cacheOrder) {
    form.PageControl1->SetActivePage(form.TabSheet1);
    form.lvCookiesColumnClick(form.lvCookies, kExpiresColumn);
    form.Click(form.btnRefresh);
    cacheOrder = CookieRows(form);
    return Timed([&] { form.lvCookiesColumnClick(form.lvCookies, column); });
}

double DeleteRun(TMainForm& form, const std::string& prefix, int every, std::size_t count,
                 std::vector<std::string>& deleted) {
    form.PageControl1->SetActivePage(form.TabSheet1);
    form.Click(form.btnRefresh);
    const int listed = form.lvCookies->Count();
    deleted.clear();
    for (int i = 0, matched = 0; i < listed; ++i) {
        TListItem item = form.lvCookies->Items(i);
        if (item.SubItem(3).starts_with(prefix) && matched++ % every == 0) {
            item.SetChecked(true);
            deleted.emplace_back(item.SubItem(3));
        }
    }
    Require(deleted.size() == count, "the rows to delete are checked");
    const double elapsed = Timed([&] { form.Click(form.btnDelete); });
    Require(form.lvCookies->Count() == listed - static_cast<int>(count),
            "the rebuilt list lacks exactly the deleted rows");
    return elapsed;
}

double HistoryRun(TMainForm& form, int pages) {
    form.PageControl1->SetActivePage(form.TabSheet2);
    EmptyHistoryGrid(*form.StringGrid1);
    const double elapsed = Timed([&] { form.Click(form.Button8); });
    Require(form.Edit1->text() == QString::number(pages), "the grid lists every page");
    return elapsed;
}

double CheckAllRun(TMainForm& form) {
    form.PageControl1->SetActivePage(form.TabSheet1);
    form.Click(form.btnRefresh);
    const double elapsed = Timed([&] { form.Click(form.btnCheck); });
    Require(form.lvCookies->Items(form.lvCookies->Count() - 1).Checked(), "every row is checked");
    return elapsed;
}

double LongTextsRun(TMainForm& form) {
    form.PageControl1->SetActivePage(form.TabSheet1);
    form.lvCookies->Clear();
    EmptyHistoryGrid(*form.StringGrid1);
    const double elapsed = Timed([&] {
        form.Click(form.btnRefresh);
        QApplication::processEvents();
        form.PageControl1->SetActivePage(form.TabSheet2);
        form.Click(form.Button8);
    });
    Require(form.lvCookies->Count() == 3 && form.Edit1->text() == "1", "the long texts are listed");
    return elapsed;
}

std::vector<RowTexts> CookieRows(const TMainForm& form) {
    std::vector<RowTexts> rows;
    for (int i = 0; i < form.lvCookies->Count(); ++i) {
        const TListItem item = form.lvCookies->Items(i);
        RowTexts& row = rows.emplace_back();
        for (int column = 0; column < 5; ++column) {
            const std::string_view text = column == 0 ? item.Caption() : item.SubItem(column - 1);
            row.push_back(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        }
    }
    return rows;
}

std::vector<RowTexts> HistoryRows(const TMainForm& form) {
    std::vector<RowTexts> rows;
    const TStringGrid& grid = *form.StringGrid1;
    for (int row = 1; row < grid.RowCount(); ++row) {
        RowTexts texts;
        for (int column = 0; column < kHistoryTexts; ++column)
            texts.append(QString::fromStdString(grid.Cells(column, row)));
        rows.push_back(texts);
    }
    return rows;
}
