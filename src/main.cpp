// Start-up: the application, the component runtime, the title, the window.
#include <QApplication>

#include "MainUnit.h"
#include "platform/objbase.h"
#include "platform/vcl/Application.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    Application.Title = "Veltrane  - Orvalla";

    int exitCode = 0;
    {
        TMainForm MainForm;
        MainForm.show();
        exitCode = app.exec();
    }

    UrlHistory = nullptr;
    if (comInitialized)
        CoUninitialize();
    return exitCode;
}
