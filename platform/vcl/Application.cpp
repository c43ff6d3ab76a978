#include "platform/vcl/Application.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

TApplication Application;

namespace {

// A message holds a line for each failure, and any number may fail (every
// profile of a browser): the box shows the first few, each cut short, and
// how many more there are, so that it and its button fit on the screen.
constexpr qsizetype kShownLines = 10;
constexpr qsizetype kShownLineLength = 300;

QString ErrorBoxText(const std::string& message) {
    QStringList lines = QString::fromUtf8(message).split(u'\n');
    const qsizetype more = lines.size() - kShownLines;
    if (more > 1) {
        lines.resize(kShownLines);
        lines.append(QString("and %1 more").arg(more));
    }
    for (QString& line : lines) {
        if (line.size() > kShownLineLength)
            line = line.left(kShownLineLength) + QChar(0x2026);
    }
    QString text = lines.join(u'\n');
    // One that ends in "." or a sign before it (")", "!") keeps its end.
    if (!text.isEmpty() && text.back() > u'.')
        text += u'.';
    return text;
}

}  // namespace

void TApplication::ShowException(const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(Title),
                    ErrorBoxText(error.what()), QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

TBusyCursor::TBusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyCursor::~TBusyCursor() {
    QApplication::restoreOverrideCursor();
}
