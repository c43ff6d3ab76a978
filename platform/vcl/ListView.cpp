#include "platform/vcl/ListView.h"

#include <QEvent>
#include <QHeaderView>

#include <algorithm>
#include <vector>

#include "ListModel.h"

namespace {

// The selection stays in the colours it has while the list has the focus.
void KeepSelectionColoursWithoutFocus(QWidget* widget) {
    QPalette colours = widget->palette();
    bool changed = false;
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        const QBrush active = colours.brush(QPalette::Active, role);
        if (colours.brush(QPalette::Inactive, role) != active) {
            colours.setBrush(QPalette::Inactive, role, active);
            changed = true;
        }
    }
    // Only a real change: setting the palette raises PaletteChange again.
    if (changed)
        widget->setPalette(colours);
}

}  // namespace

// ---- TListItem ----

TListModel& TListItem::Rows() const {
    return *list_->rows_;
}

std::string_view TListItem::Caption() const {
    return list_ ? Rows().Text(id_, 0).value_or(std::string_view()) : std::string_view();
}

void TListItem::SetCaption(std::string_view text) {
    if (list_)
        Rows().SetText(id_, 0, text);
}

std::string_view TListItem::SubItem(int index) const {
    // Column 0 is the caption, not a sub-item.
    if (!list_ || index < 0)
        return {};
    return Rows().Text(id_, index + 1).value_or(std::string_view());
}

void TListItem::AddSubItem(std::string_view text) {
    if (list_)
        Rows().SetText(id_, Rows().SubItemCount(id_) + 1, text);
}

bool TListItem::Checked() const {
    return Rows().Checked(id_);
}

void TListItem::SetChecked(bool checked) {
    Rows().SetChecked(id_, checked);
}

QModelIndex TListItem::Index(int column) const {
    // A row that Add kept aside joins its list before anything that needs
    // the list is done with it.
    list_->AddPendingRows();
    return Rows().index(Rows().PlaceOf(id_), column);
}

bool TListItem::Selected() const {
    return list_->selectionModel()->isSelected(Index());
}

void TListItem::SetSelected(bool selected) {
    const QModelIndex index = Index();
    // The selection model does not enforce single selection for calls from
    // code; only the view's mouse and keyboard handling does.
    QItemSelectionModel* selection = list_->selectionModel();
    if (selected && list_->selectionMode() == QAbstractItemView::SingleSelection)
        selection->clearSelection();
    selection->select(index,
                      (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                          QItemSelectionModel::Rows);
}

void TListItem::MakeVisible() {
    list_->scrollTo(Index(), QAbstractItemView::EnsureVisible);
}

// ---- TListView ----

TListView::TListView(QWidget* parent) : QTreeView(parent), rows_(new TListModel(this)) {
    setModel(rows_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    // Ordering belongs to the owner, through OnCompare; a header click only
    // reports the column.
    setSortingEnabled(false);
    header()->setSortIndicatorShown(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (OnColumnClick)
            OnColumnClick(this, column);
    });

    KeepSelectionColoursWithoutFocus(this);
}

void TListView::showEvent(QShowEvent* event) {
    AddPendingRows();
    QTreeView::showEvent(event);
}

void TListView::changeEvent(QEvent* event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        KeepSelectionColoursWithoutFocus(this);
}

void TListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment) {
    rows_->AddColumn(caption, (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    header()->resizeSection(rows_->columnCount() - 1, width);
}

TListView::~TListView() = default;

int TListView::Count() const {
    return rows_->Count();
}

TListItem TListView::Add() {
    const TListItem item(this, rows_->Add());
    if (updateCount_ == 0 && isVisible())
        rows_->ShowAddedRows();
    return item;
}

void TListView::AddPendingRows() {
    rows_->ShowAddedRows();
}

TListItem TListView::Items(int index) {
    if (index < 0 || index >= Count())
        return TListItem();
    return TListItem(this, rows_->IdAt(index));
}

void TListView::Clear() {
    rows_->Clear();
}

TListItem TListView::ItemFocused() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? ItemOf(rows_->IdAt(current.row())) : TListItem();
}

void TListView::SetItemFocused(TListItem item) {
    // Focus only: the selection is the row's own state.
    selectionModel()->setCurrentIndex(item ? item.Index() : QModelIndex(),
                                      QItemSelectionModel::NoUpdate);
}

void TListView::BeginUpdate() {
    if (updateCount_++ == 0)
        setUpdatesEnabled(false);
}

void TListView::EndUpdate() {
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0) {
        AddPendingRows();
        setUpdatesEnabled(true);
    }
}

void TListView::SetSortType(TSortType sortType) {
    const TSortType previous = sortType_;
    sortType_ = sortType;
    if (previous == TSortType::stNone && sortType != TSortType::stNone)
        AlphaSort();
}

void TListView::AlphaSort() {
    if (!OnCompare)
        return;
    AddPendingRows();

    // Sorted as a copy, so that an error raised by OnCompare, which may leave
    // the range half merged, never reaches the rows themselves.
    std::vector<TListModel::Id> order(static_cast<std::size_t>(Count()));
    for (std::size_t place = 0; place < order.size(); ++place)
        order[place] = rows_->IdAt(static_cast<int>(place));
    std::stable_sort(order.begin(), order.end(),
                     [this](TListModel::Id first, TListModel::Id second) {
                         int compare = 0;
                         OnCompare(this, ItemOf(first), ItemOf(second), 0, compare);
                         return compare < 0;
                     });

    for (std::size_t place = 0; place < order.size(); ++place) {
        if (order[place] != rows_->IdAt(static_cast<int>(place))) {
            rows_->Reorder(std::move(order));
            return;
        }
    }
}
