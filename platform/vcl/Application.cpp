#include "platform/vcl/Application.h"

#include <QApplication>
#include <QMessageBox>

TApplication Application;

namespace {

std::string ErrorBoxText(const std::string& message) {
    // Compared as bytes: the lead byte of any multi-byte character sorts
    // after ".", as the whole character would.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

}  // namespace

void TApplication::ShowException(const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(Title),
                    QString::fromUtf8(ErrorBoxText(error.what())), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

TBusyCursor::TBusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyCursor::~TBusyCursor() {
    QApplication::restoreOverrideCursor();
}
