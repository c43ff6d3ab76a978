// Tabbed pages whose tabs all have one fixed width.
#pragma once

#include <QTabWidget>

class TPageControl : public QTabWidget {
    Q_OBJECT
    Q_PROPERTY(int TabWidth READ TabWidth WRITE SetTabWidth)

public:
    explicit TPageControl(QWidget* parent = nullptr);

    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int width);

    void SetActivePage(QWidget* page) { setCurrentWidget(page); }

private:
    int tabWidth_ = 0;
};
