// The first bus connect on the global thread pool, its result handed back through a future watcher.
#include "platform/StandardBus.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>

#include <memory>

QDBusConnection standardbus::connection(QDBusConnection::BusType type) {
    return type == QDBusConnection::SystemBus ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
}

void standardbus::connectAside(QDBusConnection::BusType type, QObject *context,
                               std::function<void(const QDBusConnection &bus)> connected) {
    // The watcher goes with the context, so a connect that outlasts it reports to nobody.
    auto *watcher = new QFutureWatcher<void>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, type, connected = std::move(connected)] {
                         watcher->deleteLater();
                         // The worker made the connection: Qt hands out the same one now without waiting.
                         connected(connection(type));
                     });
    auto promise = std::make_shared<QPromise<void>>();
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, type] {
        promise->start();
        connection(type);
        promise->finish();
    });
}
