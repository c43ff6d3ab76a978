// Answers the program's error boxes while it lives: every modal message box
// that opens is recorded and closed with its OK button.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

struct ShownBox {
    std::string caption;
    std::string text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat textFormat;
};

class ErrorBoxWatcher : public QObject {
public:
    ErrorBoxWatcher();
    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    std::vector<std::string> Texts() const;

private:
    void Poll();
    QTimer timer_;
    std::vector<ShownBox> boxes_;
};
