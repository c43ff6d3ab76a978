#include "BareControls.h"

#include <QApplication>
#include <QHeaderView>

#include <algorithm>
#include <stdexcept>

namespace {

void Show(QWidget& widget, QSize size) {
    widget.resize(size);
    widget.show();
    QApplication::processEvents();
}

}  // namespace

BareList::BareList(QSize size) {
    setHeaderLabels({"Address", "Hits", "Modified", "Expires", "Full Address"});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    Show(*this, size);
}

void BareList::Fill(const std::vector<RowTexts>& rows) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const RowTexts& texts : rows) {
        auto* item = new QTreeWidgetItem(texts);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                       Qt::ItemNeverHasChildren);
        item->setCheckState(0, Qt::Unchecked);
        items.append(item);
    }
    addTopLevelItems(items);
}

BareGrid::BareGrid(QSize size) {
    view_.setModel(this);
    view_.verticalHeader()->hide();
    view_.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_.verticalHeader()->setDefaultSectionSize(14);
    Show(view_, size);
}

void RequireSameTexts(const std::string& floor, std::vector<RowTexts> made,
                      std::vector<RowTexts> shown, Order order) {
    if (order == Order::Own) {
        std::sort(made.begin(), made.end());
        std::sort(shown.begin(), shown.end());
    }
    for (std::size_t i = 0; i < std::max(made.size(), shown.size()); ++i) {
        if (i >= made.size() || i >= shown.size() || made[i] != shown[i])
            throw std::runtime_error(
                floor + " floor: row " + std::to_string(i) + " reads \"" +
                (i < made.size() ? made[i].join('|').toStdString() : "(none)") +
                "\", the window shows \"" +
                (i < shown.size() ? shown[i].join('|').toStdString() : "(none)") + "\"");
    }
}
