// Which callers of the instance channel raise the window, over a real socket.
#include "platform/InstanceChannel.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>

class InstanceChannelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void caller_raisesWindowOnlyWithTheRequest_data() {
        QTest::addColumn<QByteArrayList>("sent");
        QTest::addColumn<int>("raised");
        // An empty piece ends what the caller sends; otherwise it waits for the channel to hang up.
        QTest::newRow("request in pieces") << QByteArrayList{"come-", "forward\n"} << 1;
        QTest::newRow("other line first") << QByteArrayList{"go-away\n", "come-forward\n"} << 0;
        QTest::newRow("line never ended") << QByteArrayList{"come-forward", ""} << 0;
        QTest::newRow("too long") << QByteArrayList{QByteArray(100, 'x')} << 0;
    }
    void caller_raisesWindowOnlyWithTheRequest() {
        QFETCH(QByteArrayList, sent);
        QFETCH(int, raised);
        const QTemporaryDir temp;
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        const auto restore = qScopeGuard([] { qunsetenv("TMPDIR"); });
        const QString book = temp.filePath(QStringLiteral("parcels.db"));
        QVERIFY(!InstanceChannel::askToComeForward(book));
        auto channel = std::make_unique<InstanceChannel>();
        QSignalSpy asked(channel.get(), &InstanceChannel::comeForwardAsked);
        QVERIFY(channel->listenFor(book));
        // The socket alone is left, for the user alone.
        const QDir folder(temp.path(), {}, QDir::NoSort,
                          QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        const QFileInfoList left = folder.entryInfoList();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left[0].permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, QFile::encodeName(left[0].filePath()).constData(),
                 sizeof address.sun_path);
        const int caller = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QCOMPARE(::connect(caller, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        for (const QByteArray &piece : sent) {
            // Each piece is read apart: the first turn of the loop takes the call, the next reads.
            QCoreApplication::processEvents();
            if (piece.isEmpty()) {
                ::shutdown(caller, SHUT_WR);
            } else {
                QCOMPARE(::send(caller, piece.constData(), piece.size(), MSG_NOSIGNAL), piece.size());
            }
        }
        char byte = 0; // Whatever was sent, the channel hangs up, having decided.
        QTRY_VERIFY(::recv(caller, &byte, 1, MSG_DONTWAIT) == 0 || errno != EAGAIN);
        ::close(caller);
        QCOMPARE(asked.count(), raised);
        // A copy holding the book since keeps the name when this one goes, and takes it with it.
        auto since = std::make_unique<InstanceChannel>();
        QVERIFY(since->listenFor(book));
        channel.reset();
        QVERIFY(InstanceChannel::askToComeForward(book));
        since.reset();
        QVERIFY(folder.isEmpty(folder.filter()));
    }
};

QTEST_GUILESS_MAIN(InstanceChannelTest)
#include "tst_instancechannel.moc"
