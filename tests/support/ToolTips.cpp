#include "ToolTips.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

QString ToolTipAt(QAbstractItemView* view, int row) {
    QToolTip::hideText();
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QHelpEvent hover(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(view->viewport(), &hover);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}
