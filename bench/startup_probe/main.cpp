// The program's start-up, step for step as its own entry runs it, except that
// the event loop ends as soon as the window has painted itself once: the
// benchmark times process start to a window shown and filled. Exit code 0
// when the window painted, 2 when it never did. At the end it prints its
// peak resident memory as "VmHWM: N kB".
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <string>

#include "MainUnit.h"
#include "platform/objbase.h"
#include "platform/vcl/Application.h"

namespace {

// A window that is never painted would leave the benchmark waiting for ever.
constexpr int kGiveUpAfterMs = 120'000;

// Ends the event loop once the watched widget has finished its first paint.
class QuitAfterFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            // Queued: the paint in progress completes first.
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool painted_ = false;
};

// The parent cannot learn this from the exit status: a child's ru_maxrss
// also counts the parent's memory at the fork, while VmHWM belongs to the
// memory this program mapped after its exec.
void PrintPeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            std::printf("%s\n", line.c_str());
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    Application.Title = "Veltrane  - Orvalla";

    int exitCode = 0;
    {
        TMainForm MainForm;
        QuitAfterFirstPaint quitter;
        MainForm.installEventFilter(&quitter);
        QTimer::singleShot(kGiveUpAfterMs, &app, [] { QCoreApplication::exit(2); });
        MainForm.show();
        exitCode = app.exec();
    }

    UrlHistory = nullptr;
    if (comInitialized)
        CoUninitialize();
    PrintPeakMemory();
    return exitCode;
}
