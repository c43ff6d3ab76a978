#include "platform/vcl/Panel.h"

#include <qdrawutil.h>
#include <QPainter>

namespace {

// Draws one bevel, one pixel wide, just inside `rect`.
void DrawBevel(QPainter& painter, const QRect& rect, const QPalette& palette,
               TPanel::BevelCut cut) {
    if (cut == TPanel::bvNone)
        return;
    qDrawShadePanel(&painter, rect, palette, cut == TPanel::bvLowered, 1);
}

}  // namespace

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

void TPanel::SetBevelOuter(BevelCut cut) {
    outer_ = cut;
    update();
}

void TPanel::SetBevelInner(BevelCut cut) {
    inner_ = cut;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect bevel = rect();
    DrawBevel(painter, bevel, palette(), outer_);
    if (outer_ != bvNone)
        bevel.adjust(1, 1, -1, -1);
    DrawBevel(painter, bevel, palette(), inner_);
}
