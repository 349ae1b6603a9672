// Reaching the session and system buses without waiting on the calling thread.
#pragma once

#include <QDBusConnection>

#include <functional>

class QObject;

namespace standardbus {

// Qt's shared connection to the bus; the first call connects and waits for the bus to answer.
QDBusConnection connection(QDBusConnection::BusType type);

// Makes that first connect on a worker thread, then runs `connected` on the thread of `context` with
// the connection (which may have failed to connect); never once context is gone.
void connectAside(QDBusConnection::BusType type, QObject *context,
                  std::function<void(const QDBusConnection &bus)> connected);

} // namespace standardbus
