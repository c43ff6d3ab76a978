// The "Cookies" page: the list filled from the URL cache, its commands, and
// its ordering.
#include <QAbstractButton>

#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "CacheEntryBuffer.h"
#include "FuncUnit.h"
#include "MainUnit.h"
#include "platform/cookiesource.h"
#include "platform/regional.h"
#include "platform/sysutils.h"
#include "platform/vcl/Application.h"

namespace {

bool IsCookie(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    return (entry.CacheEntryType & COOKIE_CACHE_ENTRY) != 0;
}

// The walk's own status codes; any other code is a store that failed.
bool IsWalkStatus(DWORD status) {
    return status == ERROR_INSUFFICIENT_BUFFER || status == ERROR_NO_MORE_ITEMS ||
           status == ERROR_INVALID_PARAMETER;
}

// Sets the count field and the row buttons however the walk ends.
class TCookieCountOnExit {
public:
    explicit TCookieCountOnExit(std::function<void()> update) : update_(std::move(update)) {}
    ~TCookieCountOnExit() { update_(); }

private:
    std::function<void()> update_;
};

// A row's tip names this many of its cookies at most, each cut to this many
// bytes, a few on a line of about this length: a tip is read at a glance.
constexpr DWORD kTipNames = 20;
constexpr std::size_t kTipNameBytes = 48;
constexpr std::size_t kTipLineBytes = 64;

std::string TipName(std::string name) {
    if (name.size() <= kTipNameBytes)
        return name;
    std::size_t end = kTipNameBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;  // not inside a UTF-8 character
    name.resize(end);
    return name + "...";
}

// "Firefox, profile default-esr", then "3 cookies: a, b, c".
std::string SourceTip(const COOKIE_ENTRY_SOURCE& source) {
    std::string tip = source.Browser;
    if (!source.Profile.empty())
        tip += ", profile " + source.Profile;
    if (source.CookieCount == 0)
        return tip;
    std::string line =
        std::to_string(source.CookieCount) + (source.CookieCount == 1 ? " cookie: " : " cookies: ");
    for (std::size_t i = 0; i < source.CookieNames.size(); ++i) {
        const std::string name = TipName(source.CookieNames[i]);
        if (i > 0) {
            line += ",";
            if (line.size() + 1 + name.size() > kTipLineBytes) {
                tip += "\n" + line;
                line.clear();
            } else {
                line += " ";
            }
        }
        line += name;
    }
    if (source.CookieCount > source.CookieNames.size())
        line += " and " + std::to_string(source.CookieCount - source.CookieNames.size()) + " more";
    return tip + "\n" + line;
}

}  // namespace

void TMainForm::LoadCookies() {
    const TBusyCursor busy;
    // Declared after the cursor so that the count is set before it returns.
    const TCookieCountOnExit countOnExit([this] { UpdateCookieCount(); });

    TCacheWalk walk;
    DWORD size = 0;
    FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (!IsWalkStatus(GetLastError()))
        RaiseLastOSError();
    {
        const TCacheEntryBuffer entry(size);
        walk.Reset(FindFirstUrlCacheEntryA(nullptr, entry.Info(), &size));
        if (walk.Handle() && IsCookie(*entry.Info()))
            AddCookieRow(*entry.Info());
        if (!walk.Handle() && !IsWalkStatus(GetLastError()))
            RaiseLastOSError();
    }

    DWORD status;
    do {
        size = 0;
        FindNextUrlCacheEntryA(walk.Handle(), nullptr, &size);
        status = GetLastError();
        if (status == ERROR_INSUFFICIENT_BUFFER) {
            const TCacheEntryBuffer entry(size);
            if (FindNextUrlCacheEntryA(walk.Handle(), entry.Info(), &size) &&
                IsCookie(*entry.Info())) {
                AddCookieRow(*entry.Info());
            }
        } else if (!IsWalkStatus(status)) {
            RaiseLastOSError();
        }
    } while (status != ERROR_NO_MORE_ITEMS && status != ERROR_INVALID_PARAMETER);
}

void TMainForm::AddCookieRow(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    TListItem item = lvCookies->Add();
    const std::string_view address = entry.lpszSourceUrlName;
    item.SetCaption(CookieCaption(address));
    item.AddSubItem(std::to_string(entry.dwHitRate));
    item.AddSubItem(FileTimeToText(entry.LastModifiedTime));
    item.AddSubItem(FileTimeToText(entry.ExpireTime));
    item.AddSubItem(std::string(address));
}

void TMainForm::UpdateCookieCount() {
    const bool hasRows = lvCookies->Count() > 0;
    btnUncheck->setEnabled(hasRows);
    btnCheck->setEnabled(hasRows);
    btnDelete->setEnabled(hasRows);
    edCookieCount->setText(QString::number(lvCookies->Count()));
}

void TMainForm::SelectFirstItem(TListView* list) {
    TListItem item = list->ItemFocused();
    if (!item && list->Count() > 0)
        item = list->Items(0);
    if (!item)
        return;
    list->setFocus();
    list->SetItemFocused(item);
    item.SetSelected(true);
    item.MakeVisible();
}

void TMainForm::btnCheckClick(QObject* Sender) {
    const auto* button = qobject_cast<QAbstractButton*>(Sender);
    if (!button)
        throw Exception("Invalid class typecast");
    const bool check = button->property("Tag").toInt() == 1;
    for (int i = 0; i < lvCookies->Count(); ++i)
        lvCookies->Items(i).SetChecked(check);
}

void TMainForm::btnRefreshClick(QObject*) {
    {
        const TListUpdateLock noRepaint(lvCookies);
        lvCookies->Clear();
        LoadCookies();
    }
    SelectFirstItem(lvCookies);
}

void TMainForm::btnDeleteClick(QObject*) {
    // Thousands of deletions take seconds; the list is rebuilt under the same cursor.
    const TBusyCursor busy;
    const int count = lvCookies->Count();
    for (int i = 0; i < count; ++i) {
        const TListItem item = lvCookies->Items(i);
        if (item.Checked())
            DeleteCookie(std::string(item.SubItem(3)));
    }
    Click(btnRefresh);
}

void TMainForm::DeleteCookie(const std::string& address) {
    // A refused deletion shows itself: the entry comes back with the rebuild.
    DeleteUrlCacheEntry(address.c_str());
}

void TMainForm::lvCookiesInfoTip(QObject*, TListItem Item, std::string& InfoTip) {
    COOKIE_ENTRY_SOURCE source;
    if (GetCookieEntrySource(std::string(Item.SubItem(3)).c_str(), kTipNames, &source)) {
        InfoTip = SourceTip(source);
        return;
    }
    // A row whose entry is gone meanwhile tells nothing; a file that cannot
    // be read now says so.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        const std::string detail = LastErrorDetail();
        InfoTip = detail.empty() ? SysErrorMessage(GetLastError()) : detail;
    }
}

void TMainForm::lvCookiesColumnClick(QObject*, int Column) {
    const int column = Column + 1;
    SortColumn = column == std::abs(SortColumn) ? -SortColumn : column;
    // The sort compares each row with many others: each date text is read
    // once for all of them.
    const TDateTextCache dateTexts;
    lvCookies->SetSortType(TSortType::stNone);
    lvCookies->SetSortType(TSortType::stBoth);
}

void TMainForm::lvCookiesCompare(QObject*, TListItem Item1, TListItem Item2, int, int& Compare) {
    switch (std::abs(SortColumn)) {
        case 1:
            Compare = AnsiCompareStr(Item1.Caption(), Item2.Caption());
            break;
        case 2: {
            // Hits are shown unsigned, so they are ordered unsigned.
            const std::uint32_t hits1 = StrToUInt32(Item1.SubItem(0));
            const std::uint32_t hits2 = StrToUInt32(Item2.SubItem(0));
            Compare = hits1 > hits2 ? 1 : hits1 < hits2 ? -1 : 0;
            break;
        }
        case 3:
            Compare = CompareDateTexts(Item1.SubItem(1), Item2.SubItem(1));
            break;
        case 4:
            Compare = CompareDateTexts(Item1.SubItem(2), Item2.SubItem(2));
            break;
        case 5:
            Compare = AnsiCompareStr(Item1.SubItem(3), Item2.SubItem(3));
            break;
        default:
            Compare = 0;
    }
    if (SortColumn < 0)
        Compare = -Compare;
}
