#include "ErrorBoxWatcher.h"

#include <QApplication>
#include <QPushButton>

ErrorBoxWatcher::ErrorBoxWatcher() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ErrorBoxWatcher::Poll);
    timer_.start();
}

void ErrorBoxWatcher::Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible())
            continue;
        boxes_.push_back({box->windowTitle().toStdString(), box->text().toStdString(), box->icon(),
                          box->standardButtons(), box->textFormat()});
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
    }
}

std::vector<std::string> ErrorBoxWatcher::Texts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : boxes_)
        texts.push_back(box.text);
    return texts;
}
