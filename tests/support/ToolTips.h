// What a view shows on hover.
#pragma once

#include <QAbstractItemView>
#include <QString>

// The tooltip the view shows when the pointer rests on the cell at `row` of
// its model (column 0); "" when it shows none.
QString ToolTipAt(QAbstractItemView* view, int row);
