// A report-style list with a check box on every row, clickable headers, and
// ordering through a comparison event.
#pragma once

#include <QTreeView>

#include <cstdint>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TListView;
class TListModel;

// A handle to one row of a TListView (made by Add); valid while the row
// exists. Texts are kept as the bytes they were given (8-bit texts in the
// system code page) and shown decoded, so reading a text back gives exactly
// what was stored.
class TListItem {
public:
    TListItem() = default;

    explicit operator bool() const { return list_ != nullptr; }
    bool operator==(const TListItem& other) const = default;

    // The texts are the row's own, valid until the row or any of its texts
    // changes: a sort reads them for every comparison.
    std::string_view Caption() const;
    void SetCaption(std::string_view text);

    // The texts of the columns after the first: SubItem(0) is column 1. An
    // index without a sub-item gives an empty text.
    std::string_view SubItem(int index) const;
    void AddSubItem(std::string_view text);

    bool Checked() const;
    void SetChecked(bool checked);
    bool Selected() const;
    void SetSelected(bool selected);

    // Scrolls the list until the row is fully visible.
    void MakeVisible();

    // The row's cell in the list's model.
    QModelIndex Index(int column = 0) const;

private:
    friend class TListView;
    TListItem(TListView* list, std::uint32_t id) : list_(list), id_(id) {}

    TListModel& Rows() const;

    TListView* list_ = nullptr;
    std::uint32_t id_ = 0;
};

enum class TSortType { stNone, stData, stText, stBoth };

class TListView : public QTreeView {
    Q_OBJECT

public:
    explicit TListView(QWidget* parent = nullptr);

    // Column headers: text, width in pixels and whether the column is centred.
    void AddColumn(const QString& caption, int width, Qt::Alignment alignment = Qt::AlignLeft);

    ~TListView() override;

    int Count() const;
    // Appends a row with its check box cleared. While repainting is
    // suspended or the list is not shown, rows are kept aside and join the
    // list together when it repaints again or is shown, or as soon as
    // anything asks for the list's rows: the view then takes them in one
    // change instead of one per row.
    TListItem Add();
    TListItem Items(int index);
    void Clear();
    // Puts rows kept aside by Add into the list.
    void AddPendingRows();

    TListItem ItemFocused() const;
    void SetItemFocused(TListItem item);
    // The handle of the row Add gave this id.
    TListItem ItemOf(std::uint32_t id) const { return TListItem(const_cast<TListView*>(this), id); }

    // Suspends and resumes repainting; calls nest.
    void BeginUpdate();
    void EndUpdate();

    // Switching from stNone to any other mode sorts the rows once through
    // OnCompare. Rows added later are not sorted.
    void SetSortType(TSortType sortType);

    // Sorts every row now through OnCompare. If OnCompare raises, the error
    // leaves the sort and the rows stay in the order they had.
    void AlphaSort();

    // Events, bound by the owning form.
    std::function<void(QObject* Sender, int column)> OnColumnClick;
    std::function<void(QObject* Sender, TListItem Item1, TListItem Item2, int Data, int& Compare)>
        OnCompare;
    // Asked for a row's tip only when the pointer rests on the row; the tip
    // is shown as plain text, and an empty one not at all.
    std::function<void(QObject* Sender, TListItem Item, std::string& InfoTip)> OnInfoTip;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TListItem;

    TSortType sortType_ = TSortType::stNone;
    int updateCount_ = 0;
    TListModel* const rows_;
};

// Suspends a list's repainting for its lifetime.
class TListUpdateLock {
public:
    explicit TListUpdateLock(TListView* list) : list_(list) { list_->BeginUpdate(); }
    ~TListUpdateLock() { list_->EndUpdate(); }
    TListUpdateLock(const TListUpdateLock&) = delete;
    TListUpdateLock& operator=(const TListUpdateLock&) = delete;

private:
    TListView* list_;
};
