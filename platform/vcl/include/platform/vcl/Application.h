// The program-wide pieces of the window system: the application's title, the
// standard error box, the busy cursor, and the boundary at which errors
// raised by event handlers are caught.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

class QWidget;

class TApplication {
public:
    // Names the program on the task bar and captions every error box.
    std::string Title;

    // Shows the standard error box: stop icon, OK button, the title as
    // caption, and the error's message as plain text, with a full stop
    // appended when its last character sorts after ".".
    void ShowException(const std::exception& error);
};

extern TApplication Application;

// Runs an event handler where the toolkit called us: an error it raises is
// shown in the standard error box and goes no further.
template <class Handler>
void CallHandler(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& error) {
        Application.ShowException(error);
    } catch (...) {
        Application.ShowException(std::runtime_error("Unknown error"));
    }
}

// The hour-glass cursor for the whole program while it lives.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
