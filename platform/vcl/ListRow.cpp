#include "ListRow.h"

#include <QTreeWidget>

namespace {

bool IsTextRole(int role) {
    return role == Qt::DisplayRole || role == Qt::EditRole;
}

}  // namespace

const std::string* TListRow::Text(int column) const {
    if (column == 0)
        return &caption_;
    if (column < 1 || column > SubItemCount())
        return nullptr;
    return &subItems_[static_cast<std::size_t>(column - 1)];
}

void TListRow::SetText(int column, std::string text) {
    if (column < 0)
        return;
    if (column == 0) {
        caption_ = std::move(text);
    } else {
        if (column > SubItemCount())
            subItems_.resize(static_cast<std::size_t>(column));
        subItems_[static_cast<std::size_t>(column - 1)] = std::move(text);
    }
    Changed();
}

QVariant TListRow::data(int column, int role) const {
    if (!IsTextRole(role))
        return QTreeWidgetItem::data(column, role);
    const std::string* text = Text(column);
    if (!text)
        return QVariant();
    return QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
}

void TListRow::setData(int column, int role, const QVariant& value) {
    if (!IsTextRole(role)) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    SetText(column, value.toString().toStdString());
}

void TListRow::Changed() {
    const QTreeWidget* list = treeWidget();
    if (list && list->isVisible() && list->updatesEnabled())
        emitDataChanged();
}
