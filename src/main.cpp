// Start-up: the application, the component runtime, the title, the window.
#include <QApplication>

#include "MainUnit.h"
#include "platform/objbase.h"
#include "platform/vcl/Application.h"

int main(int argc, char* argv[]) {
    // The program has no command line: Qt sees the program's name alone, so
    // that none of its own options (-reverse, -platform, -style) take effect.
    static char fallbackName[] = "orvalla";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication app(qtArgc, qtArgv);
    // Task bars match the window to the desktop entry by these names, however
    // the program file was named when it was started.
    QCoreApplication::setApplicationName("orvalla");
    QGuiApplication::setDesktopFileName("orvalla");
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    Application.Title = "Veltrane  - Orvalla";

    int exitCode = 0;
    {
        TMainForm MainForm;
        // The title names the program where the window is shown as an icon or
        // a task bar button; an application display name would instead be
        // appended to the caption.
        MainForm.setWindowIconText(QString::fromStdString(Application.Title));
        MainForm.show();
        exitCode = app.exec();
    }

    UrlHistory = nullptr;
    if (comInitialized)
        CoUninitialize();
    return exitCode;
}
