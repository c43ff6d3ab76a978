#include "ListRow.h"

#include "ShownText.h"

#include <QTextDocument>
#include <QTreeWidget>

#include "platform/vcl/ListView.h"

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
    if (role == Qt::CheckStateRole && column == 0)
        return checkState_;
    if (role == Qt::ToolTipRole)
        return InfoTip();
    if (!IsTextRole(role))
        return QTreeWidgetItem::data(column, role);
    const std::string* text = Text(column);
    if (!text)
        return QVariant();
    return role == Qt::DisplayRole
               ? ShownText(*text)
               : QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
}

void TListRow::setData(int column, int role, const QVariant& value) {
    if (role == Qt::CheckStateRole && column == 0) {
        checkState_ = value.value<Qt::CheckState>();
        Changed();
        return;
    }
    if (!IsTextRole(role)) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    SetText(column, value.toString().toStdString());
}

QVariant TListRow::InfoTip() const {
    auto* const list = qobject_cast<TListView*>(treeWidget());
    if (!list || !list->OnInfoTip)
        return QVariant();
    std::string tip;
    list->OnInfoTip(list, TListItem(const_cast<TListRow*>(this)), tip);
    if (tip.empty())
        return QVariant();
    // A tool tip whose first line looks like markup is shown as markup; a
    // name from a store may look so.
    const QString text = ShownText(tip);
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

void TListRow::Changed() {
    QTreeWidget* list = treeWidget();
    if (!list || !list->isVisible() || !list->updatesEnabled())
        return;
    // Told through the item, the view looks for the row from the end of the
    // list until it has found it once: checking every row of a long list
    // took time growing with the square of its length. The row knows its
    // place.
    if (list->topLevelItem(place_) != this) {
        emitDataChanged();
        return;
    }
    const QRect cell = list->visualRect(list->model()->index(place_, 0));
    list->viewport()->update(0, cell.top(), list->viewport()->width(), cell.height());
}
