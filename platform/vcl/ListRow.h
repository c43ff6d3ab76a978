// The row behind a TListItem.
#pragma once

#include <QTreeWidgetItem>

#include <memory>
#include <optional>
#include <string_view>

class TListView;

// Keeps its texts as the bytes it was given (8-bit texts, shown decoded as
// UTF-8) and decodes them only when the view asks, which it does for the
// rows it paints. Filling or sorting thousands of rows thus costs neither a
// decoding nor a change signal per text. The texts of a row lie packed in
// one block: a list of half a million rows held a string object and an
// allocation per text.
class TListRow : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;

    TListRow() : QTreeWidgetItem(Type) {}

    // The row behind an item of a TListView (nullptr for any other item).
    static TListRow* Of(QTreeWidgetItem* item) {
        return item && item->type() == Type ? static_cast<TListRow*>(item) : nullptr;
    }
    static const TListRow* Of(const QTreeWidgetItem* item) {
        return item && item->type() == Type ? static_cast<const TListRow*>(item) : nullptr;
    }

    // Column 0 is the caption, the others the sub-items. Setting the text of
    // a column after the last sub-item adds empty sub-items up to it.
    int SubItemCount() const;
    // None for a column past the last sub-item.
    std::optional<std::string_view> Text(int column) const;
    void SetText(int column, std::string_view text);

    // The display and edit roles read and write the texts, the check-state
    // role of column 0 the check box, the tool-tip role asks the list's
    // OnInfoTip; the other roles are the item's own.
    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;

    // The list the row was added to while that list was not repainting; the
    // row joins it when it repaints again, or sooner when asked for (see
    // TListView::Add). nullptr once the row is in its list.
    TListView* PendingIn() const { return pendingIn_; }
    void SetPendingIn(TListView* list) { pendingIn_ = list; }

    // The row's index in its list, kept by the list as it adds and orders
    // its rows.
    void SetPlace(int place) { place_ = place; }

private:
    QVariant InfoTip() const;
    // Tells the view, when it could be showing the row; a list that is hidden
    // or not repainting paints every row afresh when it paints next.
    void Changed();

    // The number of sub-items, then each text's length and bytes, the
    // caption's first; numbers as 7-bit groups, low first, the high bit set
    // on all but the last. nullptr for a row with no texts yet.
    std::unique_ptr<char[]> texts_;
    TListView* pendingIn_ = nullptr;
    int place_ = -1;
    Qt::CheckState checkState_ = Qt::Unchecked;
};
