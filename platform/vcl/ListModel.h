// The rows of a TListView and the shape the view sees of them.
#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class TListView;

// Rows keep their texts as the bytes they were given (8-bit texts, shown
// decoded as UTF-8), packed in one block per row, and are decoded only for
// the rows the view paints. A list of half a million rows held an item
// object, a string and an allocation per text for each; here a row costs its
// block and 16 bytes. A row is known by the id it was added with, which it
// keeps wherever a sort moves it.
class TListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using Id = std::uint32_t;

    explicit TListModel(TListView* list);

    void AddColumn(const QString& caption, Qt::Alignment alignment);

    // Appends a row, unchecked and without texts. The view hears of it only
    // with ShowAddedRows, so that rows added together reach it in one change.
    Id Add();
    void ShowAddedRows();
    // Every row added, those the view has not heard of included.
    int Count() const { return static_cast<int>(order_.size()); }
    void Clear();

    Id IdAt(int place) const { return order_[static_cast<std::size_t>(place)]; }
    int PlaceOf(Id id) const { return places_[id]; }

    // Column 0 is the caption, the others the sub-items. Setting the text of
    // a column after the last sub-item adds empty sub-items up to it.
    int SubItemCount(Id id) const;
    // None for a column past the last sub-item.
    std::optional<std::string_view> Text(Id id, int column) const;
    void SetText(Id id, int column, std::string_view text);
    bool Checked(Id id) const { return checked_[id]; }
    void SetChecked(Id id, bool checked);

    // Puts the rows in this order, given as every id once; the persistent
    // indexes (the focus, the selection) go with their rows.
    void Reorder(std::vector<Id> order);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // The display and edit roles read the texts, the check-state role of
    // column 0 the check box, the tool-tip role asks the list's OnInfoTip.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Column {
        QString caption;
        Qt::Alignment alignment;
    };

    QVariant InfoTip(Id id) const;
    // Tells the view, when it could be showing the row; a list that is hidden
    // or not repainting paints every row afresh when it paints next.
    void Changed(Id id);

    TListView* const list_;
    std::vector<Column> columns_;
    // By id: the number of sub-items, then each text's length and bytes, the
    // caption's first; numbers as 7-bit groups, low first, the high bit set
    // on all but the last. nullptr for a row with no texts yet.
    std::vector<std::unique_ptr<char[]>> texts_;
    std::vector<bool> checked_;  // by id
    std::vector<Id> order_;      // the id at each place
    std::vector<int> places_;    // the place of each id
    int shown_ = 0;              // the places the view knows of
};
