#include "ListRow.h"

#include "ShownText.h"

#include <QTextDocument>
#include <QTreeWidget>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/vcl/ListView.h"

namespace {

bool IsTextRole(int role) {
    return role == Qt::DisplayRole || role == Qt::EditRole;
}

void PutNumber(std::string& out, std::size_t number) {
    for (; number >= 0x80; number >>= 7)
        out.push_back(static_cast<char>((number & 0x7F) | 0x80));
    out.push_back(static_cast<char>(number));
}

std::size_t TakeNumber(const char*& at) {
    std::size_t number = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*at++);
        number |= std::size_t{byte & 0x7Fu} << shift;
        if (byte < 0x80)
            return number;
    }
}

}  // namespace

int TListRow::SubItemCount() const {
    const char* at = texts_.get();
    return at ? static_cast<int>(TakeNumber(at)) : 0;
}

std::optional<std::string_view> TListRow::Text(int column) const {
    if (column < 0 || column > SubItemCount())
        return std::nullopt;
    const char* at = texts_.get();
    if (!at)
        return std::string_view();
    TakeNumber(at);
    for (int i = 0;; ++i) {
        const std::size_t size = TakeNumber(at);
        if (i == column)
            return std::string_view(at, size);
        at += size;
    }
}

void TListRow::SetText(int column, std::string_view text) {
    if (column < 0)
        return;
    // Built aside first: text may lie in the block it replaces.
    const int count = std::max(SubItemCount(), column);
    std::string packed;
    PutNumber(packed, static_cast<std::size_t>(count));
    for (int i = 0; i <= count; ++i) {
        const std::string_view each = i == column ? text : Text(i).value_or(std::string_view());
        PutNumber(packed, each.size());
        packed.append(each);
    }
    texts_ = std::make_unique_for_overwrite<char[]>(packed.size());
    std::memcpy(texts_.get(), packed.data(), packed.size());
    Changed();
}

QVariant TListRow::data(int column, int role) const {
    if (role == Qt::CheckStateRole && column == 0)
        return checkState_;
    if (role == Qt::ToolTipRole)
        return InfoTip();
    if (!IsTextRole(role))
        return QTreeWidgetItem::data(column, role);
    const std::optional<std::string_view> text = Text(column);
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
