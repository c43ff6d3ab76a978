#include "ListModel.h"

#include "ShownText.h"

#include <QTextDocument>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

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

TListModel::TListModel(TListView* list) : QAbstractTableModel(list), list_(list) {}

void TListModel::AddColumn(const QString& caption, Qt::Alignment alignment) {
    const int column = static_cast<int>(columns_.size());
    beginInsertColumns(QModelIndex(), column, column);
    columns_.push_back({caption, alignment});
    endInsertColumns();
}

TListModel::Id TListModel::Add() {
    const auto id = static_cast<Id>(order_.size());
    places_.push_back(static_cast<int>(order_.size()));
    order_.push_back(id);
    texts_.emplace_back();
    checked_.push_back(false);
    return id;
}

void TListModel::ShowAddedRows() {
    if (shown_ == Count())
        return;
    beginInsertRows(QModelIndex(), shown_, Count() - 1);
    shown_ = Count();
    endInsertRows();
}

void TListModel::Clear() {
    beginResetModel();
    texts_.clear();
    checked_.clear();
    order_.clear();
    places_.clear();
    shown_ = 0;
    endResetModel();
}

int TListModel::SubItemCount(Id id) const {
    const char* at = texts_[id].get();
    return at ? static_cast<int>(TakeNumber(at)) : 0;
}

std::optional<std::string_view> TListModel::Text(Id id, int column) const {
    if (column < 0 || column > SubItemCount(id))
        return std::nullopt;
    const char* at = texts_[id].get();
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

void TListModel::SetText(Id id, int column, std::string_view text) {
    if (column < 0)
        return;
    // Built aside first: text may lie in the block it replaces.
    const int count = std::max(SubItemCount(id), column);
    std::string packed;
    PutNumber(packed, static_cast<std::size_t>(count));
    for (int i = 0; i <= count; ++i) {
        const std::string_view each = i == column ? text : Text(id, i).value_or(std::string_view());
        PutNumber(packed, each.size());
        packed.append(each);
    }
    texts_[id] = std::make_unique_for_overwrite<char[]>(packed.size());
    std::memcpy(texts_[id].get(), packed.data(), packed.size());
    Changed(id);
}

void TListModel::SetChecked(Id id, bool checked) {
    checked_[id] = checked;
    Changed(id);
}

void TListModel::Reorder(std::vector<Id> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<Id> was = std::exchange(order_, std::move(order));
    for (std::size_t place = 0; place < order_.size(); ++place)
        places_[order_[place]] = static_cast<int>(place);
    // Rows were only moved, so each persistent index follows its row.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(
            index.sibling(places_[was[static_cast<std::size_t>(index.row())]], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int TListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    const Id id = IdAt(index.row());
    if (role == Qt::CheckStateRole)
        return index.column() == 0 ? QVariant(checked_[id] ? Qt::Checked : Qt::Unchecked)
                                   : QVariant();
    if (role == Qt::TextAlignmentRole)
        return QVariant(columns_[static_cast<std::size_t>(index.column())].alignment);
    if (role == Qt::ToolTipRole)
        return InfoTip(id);
    if (!IsTextRole(role))
        return QVariant();
    const std::optional<std::string_view> text = Text(id, index.column());
    if (!text)
        return QVariant();
    return role == Qt::DisplayRole
               ? ShownText(*text)
               : QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
}

bool TListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid())
        return false;
    const Id id = IdAt(index.row());
    if (role == Qt::CheckStateRole && index.column() == 0) {
        SetChecked(id, value.value<Qt::CheckState>() == Qt::Checked);
        return true;
    }
    if (!IsTextRole(role))
        return false;
    SetText(id, index.column(), value.toString().toStdString());
    return true;
}

Qt::ItemFlags TListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

QVariant TListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(columns_.size()))
        return QVariant();
    const Column& column = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return column.caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant(column.alignment);
    return QVariant();
}

QVariant TListModel::InfoTip(Id id) const {
    if (!list_->OnInfoTip)
        return QVariant();
    std::string tip;
    list_->OnInfoTip(list_, list_->ItemOf(id), tip);
    if (tip.empty())
        return QVariant();
    // A tool tip whose first line looks like markup is shown as markup; a
    // name from a store may look so.
    const QString text = ShownText(tip);
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

void TListModel::Changed(Id id) {
    const int place = places_[id];
    if (place >= shown_ || !list_->isVisible() || !list_->updatesEnabled())
        return;
    // Told for a range of cells, the view repaints what it shows; told for
    // one cell, it first looks for the cell's row among all its rows.
    const int last = columnCount() - 1;
    if (last >= 0)
        emit dataChanged(index(place, 0), index(place, last));
}
