// Linked with the program's own main, so that a start-up is timed exactly as
// the program runs it: once the application exists, its event loop is set to
// end as soon as a window has painted itself once, and at exit the peak
// resident memory is printed as "VmHWM: N kB".
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class QuitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            // Once, and queued: the paint in progress completes first.
            qApp->removeEventFilter(this);
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
        return false;
    }
};

void InstallProbe() {
    qApp->installEventFilter(new QuitAfterFirstPaint(qApp));
    // The parent cannot learn this from the exit status: a child's ru_maxrss
    // also counts the parent's memory at the fork, while VmHWM belongs to the
    // memory this program mapped after its exec.
    std::atexit([] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0)
                std::printf("%s\n", line.c_str());
        }
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
