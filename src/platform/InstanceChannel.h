// The line between the copy of the program that holds a book and a second start over the same book:
// the second asks the first to bring its window to the front.
#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

class InstanceChannel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceChannel)

public:
    explicit InstanceChannel(QObject *parent = nullptr);

    // Called by the copy that holds the book's lock, so no other live copy can own the name; a name
    // left behind by a killed copy is taken over.
    bool listenFor(const QString &bookPath);
    // Asks the copy holding this book to come to the front; false when none answered.
    static bool askToComeForward(const QString &bookPath);

Q_SIGNALS:
    void comeForwardAsked();

private:
    // The listening socket; it and every caller's connection are closed with their notifiers, and the
    // socket's name is removed while it is still this copy's.
    QSocketNotifier *m_listener = nullptr;
};
