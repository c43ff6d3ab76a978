#include "platform/vcl/PageControl.h"
#include "platform/vcl/Panel.h"

#include <QImage>
#include <QTabBar>

#include <gtest/gtest.h>

namespace {

TEST(PageControl, EveryTabHasTheTabWidth) {
    // Set the way a Designer form sets it: before the pages are added.
    TPageControl pages;
    ASSERT_TRUE(pages.setProperty("TabWidth", QVariant(100)));
    pages.addTab(new QWidget, "Cookies");
    pages.addTab(new QWidget, "A much longer page title");
    pages.resize(521, 361);
    pages.show();

    EXPECT_EQ(pages.TabWidth(), 100);
    EXPECT_EQ(pages.tabBar()->tabRect(0).width(), 100);
    EXPECT_EQ(pages.tabBar()->tabRect(1).width(), 100);

    pages.SetTabWidth(0);
    EXPECT_LT(pages.tabBar()->tabRect(0).width(), pages.tabBar()->tabRect(1).width());
}

QImage Paint(TPanel& panel) {
    panel.resize(40, 30);
    return panel.grab().toImage();
}

TEST(Panel, LoweredOuterAndRaisedInnerBevels) {
    TPanel panel;
    ASSERT_TRUE(panel.setProperty("BevelOuter", QVariant::fromValue(TPanel::bvLowered)));
    ASSERT_TRUE(panel.setProperty("BevelInner", QVariant::fromValue(TPanel::bvRaised)));
    EXPECT_EQ(panel.BevelOuter(), TPanel::bvLowered);
    EXPECT_EQ(panel.BevelInner(), TPanel::bvRaised);

    const QImage image = Paint(panel);
    const QRgb light = panel.palette().color(QPalette::Light).rgb();
    const QRgb dark = panel.palette().color(QPalette::Dark).rgb();
    // Outer ring: dark above and left, light below and right; the inner
    // ring one pixel in, the other way round.
    EXPECT_EQ(image.pixel(0, 15), dark);
    EXPECT_EQ(image.pixel(20, 0), dark);
    EXPECT_EQ(image.pixel(39, 15), light);
    EXPECT_EQ(image.pixel(20, 29), light);
    EXPECT_EQ(image.pixel(1, 15), light);
    EXPECT_EQ(image.pixel(38, 15), dark);
}

}  // namespace
