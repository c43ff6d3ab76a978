#include "BareControls.h"

#include <QHeaderView>

#include "Measure.h"

std::unique_ptr<QTreeWidget> MakeBareList(QSize size) {
    auto list = std::make_unique<QTreeWidget>();
    list->setColumnCount(5);
    list->setHeaderLabels({"Address", "Hits", "Modified", "Expires", "Full Address"});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->resize(size);
    list->show();
    SettleEvents();
    return list;
}

void FillBareList(QTreeWidget& list, const std::vector<RowTexts>& rows) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const RowTexts& texts : rows) {
        auto* item = new QTreeWidgetItem(texts);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                       Qt::ItemNeverHasChildren);
        item->setCheckState(0, Qt::Unchecked);
        items.append(item);
    }
    list.addTopLevelItems(items);
}

int BareGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BareGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant BareGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return rows_[static_cast<std::size_t>(index.row())].value(index.column());
}

void BareGridModel::Fill(const std::vector<RowTexts>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

BareGrid::BareGrid(QSize size) {
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(14);
    view.resize(size);
    view.show();
    SettleEvents();
}
