#include "browsers/SessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace browsers {
namespace {

// A bus that does not answer soon is taken for none.
constexpr int kReplyTimeoutMs = 2000;

// Without an address the bus library would try the user's bus socket, then
// launch a bus of its own for the display.
bool SessionBusThere() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

}  // namespace

bool SessionBusNameOwned(const char* name) {
    if (!SessionBusThere())
        return false;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner");
    ask << QString::fromUtf8(name);
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(ask, QDBus::Block, kReplyTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().front().toBool();
}

}  // namespace browsers
