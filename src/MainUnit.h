// The program's window: the "Cookies" page, listing and cleaning the cookie
// entries of the browser's URL cache, and the "History" page, listing and
// clearing the browser's history.
#pragma once

#include <QWidget>

#include <map>
#include <string>

#include "platform/comptr.h"
#include "platform/dateutils.h"
#include "platform/urlhist.h"
#include "platform/windef.h"
#include "platform/wininet.h"
#include "ui_MainUnit.h"

class QAbstractButton;

class TMainForm : public QWidget, public Ui::MainForm {
    Q_OBJECT

public:
    // Builds the window from its layout, binds the events the layout names
    // and runs FormCreate; an error there is shown and the window still opens.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Runs a button's bound click handler exactly as a user click would, but
    // directly: an error it raises reaches the caller.
    void Click(QAbstractButton* button);

    // Event handlers, bound by name in the layout.
    void FormCreate(QObject* Sender);
    void FormActivate(QObject* Sender);
    void btnRefreshClick(QObject* Sender);
    void btnCheckClick(QObject* Sender);
    void btnDeleteClick(QObject* Sender);
    void lvCookiesColumnClick(QObject* Sender, int Column);
    void lvCookiesCompare(QObject* Sender, TListItem Item1, TListItem Item2, int Data,
                          int& Compare);
    void lvCookiesInfoTip(QObject* Sender, TListItem Item, std::string& InfoTip);
    void Button8Click(QObject* Sender);
    void Button9Click(QObject* Sender);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    using TNotifyEvent = void (TMainForm::*)(QObject* Sender);

    void BindEvents();
    void LoadBanner();
    void CentreOnScreen();
    void LoadCookies();
    void AddCookieRow(const INTERNET_CACHE_ENTRY_INFOA& entry);
    void UpdateCookieCount();
    void SelectFirstItem(TListView* list);
    void DeleteCookie(const std::string& address);

    // Ordering of the cookie list: the 1-based column, negative when
    // descending; 0 until the first header click.
    int SortColumn = 0;
    bool activated_ = false;
    bool placed_ = false;
    std::map<QAbstractButton*, TNotifyEvent> onClick_;
};

// The history store, open from the first listing until the program ends.
extern ComPtr<IUrlHistoryStg2> UrlHistory;

// The time stamp as a date-time value in local time; 0 when it lies outside
// the range of MS-DOS dates.
TDateTime FileTimeToDateTime(const FILETIME& ft);
