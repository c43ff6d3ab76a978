#include "platform/vcl/PageControl.h"

#include <QTabBar>

namespace {

// Gives every tab on the top edge the same width; 0 leaves each tab as wide
// as its text.
class FixedWidthTabBar : public QTabBar {
public:
    explicit FixedWidthTabBar(QWidget* parent) : QTabBar(parent) { setExpanding(false); }

    void SetTabWidth(int width) {
        width_ = width;
        // Changing the expansion is the one public way to have the tabs laid
        // out again, with the new size hints.
        setExpanding(true);
        setExpanding(false);
        updateGeometry();
    }

protected:
    QSize tabSizeHint(int index) const override {
        QSize size = QTabBar::tabSizeHint(index);
        if (width_ > 0)
            size.setWidth(width_);
        return size;
    }

private:
    int width_ = 0;
};

}  // namespace

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new FixedWidthTabBar(this));
}

void TPageControl::SetTabWidth(int width) {
    tabWidth_ = width < 0 ? 0 : width;
    static_cast<FixedWidthTabBar*>(tabBar())->SetTabWidth(tabWidth_);
}
