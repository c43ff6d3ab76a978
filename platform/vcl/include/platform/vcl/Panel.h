// A panel framed by an outer and an inner bevel.
#pragma once

#include <QFrame>

class TPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(BevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(BevelCut BevelInner READ BevelInner WRITE SetBevelInner)

public:
    enum BevelCut { bvNone, bvLowered, bvRaised };
    Q_ENUM(BevelCut)

    explicit TPanel(QWidget* parent = nullptr);

    BevelCut BevelOuter() const { return outer_; }
    void SetBevelOuter(BevelCut cut);
    BevelCut BevelInner() const { return inner_; }
    void SetBevelInner(BevelCut cut);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BevelCut outer_ = bvRaised;
    BevelCut inner_ = bvNone;
};
