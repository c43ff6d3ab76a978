// The "History" page: the grid filled from the URL history store, and
// clearing of the history.
#include <QLineEdit>
#include <QString>

#include <array>

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
