// Linked with the program's own main: once its window has painted itself,
// prints what the start-up gave Qt and the window, one "name=value" a line,
// and ends the event loop.
#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>

namespace {

class ReportOnFirstPaint : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_ && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            reported_ = true;
            const auto* window = static_cast<QWidget*>(watched);
            Print("arguments", QCoreApplication::arguments().join(' '));
            Print("layout", QGuiApplication::isRightToLeft() ? "right-to-left" : "left-to-right");
            Print("caption", window->windowTitle());
            Print("icon", window->windowIconText());
            Print("desktop", QGuiApplication::desktopFileName());
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    static void Print(const char* name, const QString& value) {
        std::printf("%s=%s\n", name, value.toUtf8().constData());
    }

    bool reported_ = false;
};

void InstallProbe() {
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new ReportOnFirstPaint(app));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
