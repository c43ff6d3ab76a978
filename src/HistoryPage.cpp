// The "History" page: the grid filled from the URL history store, and
// clearing of the history.
#include <QHelpEvent>
#include <QLineEdit>
#include <QString>
#include <QToolTip>

#include <array>
#include <cstdint>
#include <vector>

#include "FuncUnit.h"
#include "MainUnit.h"
#include "platform/codepage.h"
#include "platform/comobj.h"
#include "platform/objbase.h"
#include "platform/regional.h"

ComPtr<IUrlHistoryStg2> UrlHistory;

namespace {

constexpr std::array<const char*, 5> kHistoryHeaders = {"Last Visited", "Title", "Url",
                                                        "Last Updated", "Expires"};
constexpr std::array<int, 3> kHistoryColumnWidths = {109, 221, 306};

// One history entry, whose texts are the caller's to free.
class TStatUrl {
public:
    TStatUrl() { Record.cbSize = sizeof(STATURL); }
    ~TStatUrl() { Free(); }
    TStatUrl(const TStatUrl&) = delete;
    TStatUrl& operator=(const TStatUrl&) = delete;

    void Free() {
        CoTaskMemFree(Record.pwcsUrl);
        CoTaskMemFree(Record.pwcsTitle);
        Record.pwcsUrl = nullptr;
        Record.pwcsTitle = nullptr;
    }

    STATURL Record{};
};

std::string AnsiText(LPCWSTR text) {
    return text ? WideToAnsi(text) : std::string();
}

std::string DateTimeText(const FILETIME& ft) {
    return DateTimeToStr(FileTimeToDateTime(ft));
}

// Shows the number of rows filled so far in the count field when the listing
// ends or stops. Written once rather than after every row: nothing repaints
// in between, so the field shows the same, without its text being laid out
// again for each of thousands of rows.
class TRowCountOnExit {
public:
    explicit TRowCountOnExit(QLineEdit* field) : field_(field) {}
    ~TRowCountOnExit() {
        if (rows_ > 0)
            field_->setText(QString::number(rows_));
    }
    TRowCountOnExit(const TRowCountOnExit&) = delete;
    TRowCountOnExit& operator=(const TRowCountOnExit&) = delete;

    void RowFilled(int rows) { rows_ = rows; }

private:
    QLineEdit* const field_;
    int rows_ = 0;
};

// Keeps a control from repainting while it lives; it repaints whole after.
// A control that is not repainting anyway is left alone, so that it follows
// whoever suspended it.
class TRepaintSuspended {
public:
    explicit TRepaintSuspended(QWidget* control)
        : control_(control->updatesEnabled() ? control : nullptr) {
        if (control_)
            control_->setUpdatesEnabled(false);
    }
    ~TRepaintSuspended() {
        if (control_)
            control_->setUpdatesEnabled(true);
    }
    TRepaintSuspended(const TRepaintSuspended&) = delete;
    TRepaintSuspended& operator=(const TRepaintSuspended&) = delete;

private:
    QWidget* const control_;
};

// Tells, as a row's tooltip, the browser and profile the row comes from:
// one text per source, and per row only its source's index.
class THistoryRowSources : public QObject {
public:
    static constexpr const char* kName = "historyRowSources";

    // The grid's own, made on first use.
    static THistoryRowSources& Of(TStringGrid* grid) {
        auto* sources = dynamic_cast<THistoryRowSources*>(
            grid->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
        return sources ? *sources : *new THistoryRowSources(grid);
    }

    // A new listing from `walk`; without its sources, rows tell none.
    void Start(IEnumSTATURL* walk) {
        walk_ = nullptr;
        walk->QueryInterface(IID_IEnumSTATURLSource, walk_.PutVoid());
        texts_.clear();
        rows_.clear();
    }

    // The source of the row the walk gave last, which follows those before;
    // once the walk cannot tell, the rows after tell none.
    void RowFilled() {
        ULONG index = 0;
        if (!walk_ || FAILED(walk_->GetLastSource(&index))) {
            walk_ = nullptr;
            return;
        }
        if (index >= texts_.size())
            texts_.resize(index + 1);
        LPWSTR browser = nullptr;
        LPWSTR profile = nullptr;
        if (texts_[index].isNull() &&
            SUCCEEDED(walk_->GetSourceNames(index, nullptr, &browser, &profile))) {
            texts_[index] = QString::fromStdU16String(browser);
            if (*profile)
                texts_[index] += ", profile " + QString::fromStdU16String(profile);
            CoTaskMemFree(browser);
            CoTaskMemFree(profile);
        }
        rows_.push_back(static_cast<std::uint32_t>(index));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ToolTip)
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        // The grid's rows below its header are the entries in listing order.
        const QModelIndex cell = grid_->indexAt(help->pos());
        if (grid_->FixedRows() == 1 && cell.isValid() &&
            static_cast<std::size_t>(cell.row()) < rows_.size()) {
            QToolTip::showText(help->globalPos(), texts_[rows_[cell.row()]], grid_->viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }

private:
    explicit THistoryRowSources(TStringGrid* grid) : QObject(grid), grid_(grid) {
        setObjectName(kName);
        grid->viewport()->installEventFilter(this);
    }

    TStringGrid* const grid_;
    ComPtr<IEnumSTATURLSource> walk_;
    std::vector<QString> texts_;  // by source; null until a row of it came
    std::vector<std::uint32_t> rows_;
};

}  // namespace

TDateTime FileTimeToDateTime(const FILETIME& ft) {
    DWORD fileDate = 0;
    if (!FileTimeToLocalFileDate(ft, fileDate))
        return 0;
    return FileDateToDateTime(fileDate);
}

void TMainForm::Button8Click(QObject*) {
    // Nothing repaints until the listing ends anyway; suspended, the grid
    // need not be told of every cell as it is filled.
    const TRepaintSuspended noRepaint(StringGrid1);
    for (int column = 0; column < static_cast<int>(kHistoryHeaders.size()); ++column) {
        StringGrid1->SetCells(column, 0, kHistoryHeaders[column]);
    }

    ComPtr<IUnknown> store;
    OleCheck(CoCreateInstance(CLSID_CUrlHistory, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                              store.PutVoid()));
    ComPtr<IUrlHistoryStg2> history;
    if (FAILED(store.QueryInterface(history)))
        throw EOleError("Interface not supported");
    UrlHistory = history;

    ComPtr<IEnumSTATURL> entries;
    OleCheck(UrlHistory->EnumUrls(entries.PutRef()));
    OleCheck(entries->SetFilter(u"http://", 0));
    THistoryRowSources& sources = THistoryRowSources::Of(StringGrid1);
    sources.Start(entries.Get());

    // A clearing leaves one ordinary cell; the listing brings back the
    // columns and the header row.
    if (StringGrid1->ColCount() != static_cast<int>(kHistoryColumnWidths.size())) {
        StringGrid1->SetColCount(static_cast<int>(kHistoryColumnWidths.size()));
        for (int column = 0; column < StringGrid1->ColCount(); ++column) {
            StringGrid1->SetColWidths(column, kHistoryColumnWidths[column]);
        }
    }
    if (StringGrid1->RowCount() < 2)
        StringGrid1->SetRowCount(2);
    StringGrid1->SetFixedRows(1);

    int row = 0;
    HRESULT result;
    {
        TRowCountOnExit count(Edit1);
        for (TStatUrl entry; (result = entries->Next(1, &entry.Record, nullptr)) == S_OK;
             entry.Free()) {
            ++row;
            StringGrid1->SetRowCount(row + 1);
            StringGrid1->SetCells(0, row, DateTimeText(entry.Record.ftLastVisited));
            StringGrid1->SetCells(1, row, AnsiText(entry.Record.pwcsTitle));
            StringGrid1->SetCells(2, row, AnsiText(entry.Record.pwcsUrl));
            StringGrid1->SetCells(3, row, DateTimeText(entry.Record.ftLastUpdated));
            StringGrid1->SetCells(4, row, DateTimeText(entry.Record.ftExpires));
            sources.RowFilled();
            count.RowFilled(StringGrid1->RowCount() - 1);
        }
    }
    if (row == 0) {
        // An empty history shows as such, not as the rows of an earlier listing.
        StringGrid1->SetRowCount(2);
        for (int column = 0; column < static_cast<int>(kHistoryHeaders.size()); ++column) {
            StringGrid1->SetCells(column, 1, "");
        }
        Edit1->setText("0");
    }
    // The end of the entries is S_FALSE; a store that failed part way says so.
    OleCheck(result);
}

void TMainForm::Button9Click(QObject*) {
    if (StringGrid1->Cells(0, 0).empty() || !UrlHistory)
        Click(Button8);
    if (const HRESULT cleared = UrlHistory->ClearHistory(); FAILED(cleared)) {
        // Other sources may be cleared all the same: the grid shows what is
        // left, then the box why. The text is taken before the listing
        // records failures of its own.
        const EOleSysError refused(cleared);
        Click(Button8);
        throw refused;
    }

    for (int column = 0; column < StringGrid1->ColCount(); ++column) {
        for (int row = 0; row < StringGrid1->RowCount(); ++row) {
            StringGrid1->SetCells(column, row, "");
        }
    }
    StringGrid1->SetColCount(1);
    StringGrid1->SetRowCount(1);
    Edit1->setText("0");
}
