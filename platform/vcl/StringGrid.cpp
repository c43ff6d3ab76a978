#include "platform/vcl/StringGrid.h"

#include <QHeaderView>

#include <algorithm>

#include "StringGridModel.h"

namespace {

constexpr int kDefaultRowHeight = 24;
constexpr int kDefaultColWidth = 64;
// The header row may be the only fixed row; there are no fixed columns.
constexpr int kMaxFixedRows = 1;

}  // namespace

TStringGrid::TStringGrid(QWidget* parent)
    : QTableView(parent), model_(std::make_unique<StringGridModel>(this)) {
    setModel(model_.get());
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid for the next control instead of moving between cells.
    setTabKeyNavigation(false);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kDefaultRowHeight);

    QHeaderView* columns = horizontalHeader();
    columns->setMinimumSectionSize(1);
    columns->setDefaultSectionSize(kDefaultColWidth);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setTextElideMode(Qt::ElideNone);

    SizeChanged();
}

// The view lets go of the model before the model goes.
TStringGrid::~TStringGrid() {
    setModel(nullptr);
}

void TStringGrid::SetColCount(int count) {
    model_->Reshape(std::max(1, count), rowCount_, fixedRows_);
    SizeChanged();
}

void TStringGrid::SetRowCount(int count) {
    count = std::max(1, count);
    const int fixedRows = fixedRows_;
    model_->Reshape(colCount_, count, std::min(fixedRows_, count - 1));
    // Called for every row a listing adds: the header changes only with the
    // fixed rows.
    if (fixedRows_ != fixedRows)
        SizeChanged();
}

void TStringGrid::SetFixedRows(int count) {
    model_->Reshape(colCount_, rowCount_,
                    std::clamp(count, 0, std::min(kMaxFixedRows, rowCount_ - 1)));
    SizeChanged();
}

int TStringGrid::DefaultRowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void TStringGrid::SetDefaultRowHeight(int height) {
    verticalHeader()->setDefaultSectionSize(std::max(1, height));
    SizeChanged();
}

int TStringGrid::ColWidths(int column) const {
    if (column < 0 || column >= colCount_)
        return 0;
    return horizontalHeader()->sectionSize(column);
}

void TStringGrid::SetColWidths(int column, int width) {
    if (column < 0 || column >= colCount_)
        return;
    horizontalHeader()->resizeSection(column, std::max(0, width));
}

std::string TStringGrid::Cells(int column, int row) const {
    return model_->Cell(column, row);
}

void TStringGrid::SetCells(int column, int row, std::string_view text) {
    model_->SetCell(column, row, text);
}

// The fixed row is drawn by the horizontal header, as tall as any other row.
void TStringGrid::SizeChanged() {
    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(DefaultRowHeight());
    header->setVisible(fixedRows_ > 0);
}
