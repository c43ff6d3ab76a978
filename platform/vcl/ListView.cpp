#include "platform/vcl/ListView.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyledItemDelegate>

#include <algorithm>
#include <vector>

#include "ListRow.h"

namespace {

// A row that Add kept aside joins its list before anything that needs the
// list is done with it.
QTreeWidgetItem* InList(QTreeWidgetItem* item) {
    if (const TListRow* row = TListRow::Of(item); row && row->PendingIn())
        row->PendingIn()->AddPendingRows();
    return item;
}

// Rows made by TListView::Add hold texts; any other item holds none.
std::string_view ColumnText(const QTreeWidgetItem* item, int column) {
    const TListRow* row = TListRow::Of(item);
    return row ? row->Text(column).value_or(std::string_view()) : std::string_view();
}

// Aligns every cell like its column's header, so that rows need not carry an
// alignment of their own.
class ColumnAlignmentDelegate : public QStyledItemDelegate {
public:
    explicit ColumnAlignmentDelegate(QTreeWidget* list) : QStyledItemDelegate(list), list_(list) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant alignment = list_->headerItem()->data(index.column(), Qt::TextAlignmentRole);
        if (alignment.isValid())
            option->displayAlignment = alignment.value<Qt::Alignment>();
    }

private:
    QTreeWidget* const list_;
};

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

// Puts the rows in the given order with a constant number of model changes.
void Reorder(TListView* list, const std::vector<QTreeWidgetItem*>& rows) {
    // Taking the rows out forgets the focus and the selection; both belong
    // to the rows and come back with them.
    QTreeWidgetItem* const focused = list->currentItem();
    const QList<QTreeWidgetItem*> selected = list->selectedItems();

    TListUpdateLock lock(list);
    list->invisibleRootItem()->takeChildren();
    list->addTopLevelItems(QList<QTreeWidgetItem*>(rows.begin(), rows.end()));
    for (std::size_t place = 0; place < rows.size(); ++place) {
        if (TListRow* row = TListRow::Of(rows[place]))
            row->SetPlace(static_cast<int>(place));
    }
    if (focused)
        list->setCurrentItem(focused, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
}

}  // namespace

// ---- TListItem ----

std::string_view TListItem::Caption() const {
    return ColumnText(item_, 0);
}

void TListItem::SetCaption(std::string_view text) {
    if (TListRow* row = TListRow::Of(item_))
        row->SetText(0, text);
}

std::string_view TListItem::SubItem(int index) const {
    // Column 0 is the caption, not a sub-item.
    return ColumnText(item_, index < 0 ? -1 : index + 1);
}

void TListItem::AddSubItem(std::string_view text) {
    if (TListRow* row = TListRow::Of(item_))
        row->SetText(row->SubItemCount() + 1, text);
}

bool TListItem::Checked() const {
    return item_->checkState(0) == Qt::Checked;
}

void TListItem::SetChecked(bool checked) {
    item_->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

bool TListItem::Selected() const {
    return InList(item_)->isSelected();
}

void TListItem::SetSelected(bool selected) {
    // The selection model does not enforce single selection for calls from
    // code; only the view's mouse and keyboard handling does.
    QTreeWidget* list = InList(item_)->treeWidget();
    if (selected && list && list->selectionMode() == QAbstractItemView::SingleSelection)
        list->clearSelection();
    item_->setSelected(selected);
}

void TListItem::MakeVisible() {
    if (QTreeWidget* list = InList(item_)->treeWidget())
        list->scrollToItem(item_, QAbstractItemView::EnsureVisible);
}

// ---- TListView ----

TListView::TListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new ColumnAlignmentDelegate(this));

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
    QTreeWidget::showEvent(event);
}

void TListView::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        KeepSelectionColoursWithoutFocus(this);
}

void TListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment) {
    const int column = columnCount();
    setColumnCount(column + 1);
    QTreeWidgetItem* headers = headerItem();
    headers->setText(column, caption);
    headers->setTextAlignment(column, (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    header()->resizeSection(column, width);
}

TListView::~TListView() = default;

int TListView::Count() const {
    return topLevelItemCount() + static_cast<int>(pendingRows_.size());
}

TListItem TListView::Add() {
    auto row = std::make_unique<TListRow>();
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                  Qt::ItemNeverHasChildren);
    row->setCheckState(0, Qt::Unchecked);
    const TListItem item(row.get());
    if (updateCount_ > 0 || !isVisible()) {
        row->SetPendingIn(this);
        pendingRows_.push_back(std::move(row));
    } else {
        row->SetPlace(topLevelItemCount());
        addTopLevelItem(row.release());
    }
    return item;
}

void TListView::AddPendingRows() {
    if (pendingRows_.empty())
        return;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(pendingRows_.size()));
    for (const auto& row : pendingRows_) {
        row->SetPendingIn(nullptr);
        row->SetPlace(topLevelItemCount() + static_cast<int>(rows.size()));
        rows.append(row.get());
    }
    addTopLevelItems(rows);
    for (auto& row : pendingRows_)
        row.release();  // the list owns them now
    pendingRows_.clear();
}

TListItem TListView::Items(int index) {
    AddPendingRows();
    return TListItem(topLevelItem(index));
}

void TListView::Clear() {
    pendingRows_.clear();
    clear();
}

TListItem TListView::ItemFocused() const {
    return TListItem(currentItem());
}

void TListView::SetItemFocused(TListItem item) {
    // Focus only: the selection is the row's own state.
    if (item)
        setCurrentItem(InList(item.Item()), 0, QItemSelectionModel::NoUpdate);
    else
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
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
    const int count = topLevelItemCount();
    std::vector<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        rows.push_back(topLevelItem(i));
    std::stable_sort(rows.begin(), rows.end(),
                     [this](QTreeWidgetItem* first, QTreeWidgetItem* second) {
                         int compare = 0;
                         OnCompare(this, TListItem(first), TListItem(second), 0, compare);
                         return compare < 0;
                     });

    bool unchanged = true;
    for (int i = 0; i < count && unchanged; ++i)
        unchanged = rows[i] == topLevelItem(i);
    if (!unchanged)
        Reorder(this, rows);
}
