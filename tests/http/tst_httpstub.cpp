// Tests of the loopback HTTP stub, driven by the same network classes the program uses.
#include "support/HttpStub.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Reply = std::unique_ptr<QNetworkReply>;

bool finished(const Reply &reply, int milliseconds = 3000) {
    return QTest::qWaitFor([&reply] { return reply->isFinished(); }, milliseconds);
}

int statusOf(const Reply &reply) {
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

class TestHttpStub final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TestHttpStub)

public:
    TestHttpStub() = default;

private Q_SLOTS:
    void init();
    void cleanup();
    void scriptedAnswers();
    void recordedTargetsAndHeaders();
    void rawSocketRequests();
    void heldAndDelayedAnswers();
    void closedWithoutAnswer();
    void headAndDate();
    void concurrentRequests();

private:
    // Every request the program sends carries If-Modified-Since: 0, so these do too.
    Reply get(const QUrl &url);
    Reply get(const QString &pathAndQuery) { return get(QUrl(m_stub->baseUrl() + pathAndQuery)); }
    Reply head(const QString &path);

    QNetworkAccessManager m_network;
    std::unique_ptr<HttpStub> m_stub;
};

Reply TestHttpStub::get(const QUrl &url) {
    QNetworkRequest request(url);
    request.setRawHeader("If-Modified-Since", "0");
    return Reply(m_network.get(request));
}

Reply TestHttpStub::head(const QString &path) {
    QNetworkRequest request(QUrl(m_stub->baseUrl() + path));
    request.setRawHeader("If-Modified-Since", "0");
    return Reply(m_network.head(request));
}

void TestHttpStub::init() {
    m_stub = std::make_unique<HttpStub>();
    QVERIFY(m_stub->listen());
    QVERIFY(m_stub->port() != 0);
    QCOMPARE(m_stub->baseUrl(), u"http://127.0.0.1:%1"_s.arg(m_stub->port()));
}

void TestHttpStub::cleanup() {
    m_stub.reset();
}

void TestHttpStub::scriptedAnswers() {
    const QByteArray notice = "5.0.83\n更新：修复了圆通单号的查询"_ba;
    m_stub->answer(u"/version/gx.txt"_s, notice);
    Reply reply = get(u"/version/gx.txt"_s);
    QVERIFY(finished(reply));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(statusOf(reply), 200);
    QCOMPARE(reply->rawHeader("Content-Type"), "text/plain; charset=utf-8"_ba);
    QCOMPARE(reply->readAll(), notice);

    // An error status still delivers its body, and scripted headers come along.
    m_stub->answer(u"/data/tg.txt"_s, "维护中"_ba, 503, {{"X-Reason", "upkeep"}});
    reply = get(u"/data/tg.txt"_s);
    QVERIFY(finished(reply));
    QCOMPARE(statusOf(reply), 503);
    QCOMPARE(reply->rawHeader("X-Reason"), "upkeep"_ba);
    QCOMPARE(reply->readAll(), "维护中"_ba);

    reply = get(u"/nothing/here.txt"_s);
    QVERIFY(finished(reply));
    QCOMPARE(statusOf(reply), 404);
    QCOMPARE(reply->error(), QNetworkReply::ContentNotFoundError);
    QVERIFY(reply->readAll().isEmpty());

    // Queued answers go first, in order, then the standing one, which changes on request.
    m_stub->answer(u"/autonumber/auto"_s, "standing"_ba);
    m_stub->answerOnce(u"/autonumber/auto"_s, "first"_ba);
    m_stub->answerOnce(u"/autonumber/auto"_s, "second"_ba, 500);
    const QList<QPair<int, QByteArray>> expected{{200, "first"}, {500, "second"}, {200, "standing"}};
    for (const auto &[status, body] : expected) {
        reply = get(u"/autonumber/auto?num=3101234567890"_s);
        QVERIFY(finished(reply));
        QCOMPARE(statusOf(reply), status);
        QCOMPARE(reply->readAll(), body);
    }
    m_stub->answer(u"/autonumber/auto"_s, "changed"_ba);
    reply = get(u"/autonumber/auto?num=3101234567890"_s);
    QVERIFY(finished(reply));
    QCOMPARE(reply->readAll(), "changed"_ba);
    QCOMPARE(m_stub->count(u"/autonumber/auto"_s), 4);

    // A queued answer on a path with no standing one falls back to 404 once used.
    m_stub->answerOnce(u"/once.txt"_s, "只此一次"_ba);
    reply = get(u"/once.txt"_s);
    QVERIFY(finished(reply));
    QCOMPARE(reply->readAll(), "只此一次"_ba);
    reply = get(u"/once.txt"_s);
    QVERIFY(finished(reply));
    QCOMPARE(statusOf(reply), 404);
}

void TestHttpStub::recordedTargetsAndHeaders() {
    QSignalSpy arrived(m_stub.get(), &HttpStub::requestArrived);
    m_stub->answer(u"/"_s, "{}"_ba);

    // The program writes its query values unencoded; QUrl leaves '&' alone on the wire but
    // percent-encodes spaces and non-ASCII, whichever way the URL is built.
    const QString query =
        u"id=271828&secret=a&b c&com=yuantong&nu=3101234567890&remark=圆通&type=json&ord=desc"_s;
    const QByteArray sent = "/?id=271828&secret=a&b%20c&com=yuantong&nu=3101234567890"
                            "&remark=%E5%9C%86%E9%80%9A&type=json&ord=desc"_ba;
    const QList<QUrl> urls{QUrl(m_stub->baseUrl() + u"/?"_s + query),
                           QUrl::fromEncoded((m_stub->baseUrl() + u"/?"_s + query).toUtf8())};
    for (const QUrl &url : urls) {
        Reply reply = get(url);
        QVERIFY(finished(reply));
        QCOMPARE(reply->readAll(), "{}"_ba);
    }

    const QList<HttpStub::Request> recorded = m_stub->requests(u"/"_s);
    QCOMPARE(recorded.size(), 2);
    for (const HttpStub::Request &request : recorded) {
        QCOMPARE(request.method, "GET"_ba);
        QCOMPARE(request.target, sent);
        QCOMPARE(request.path, u"/"_s);
        QCOMPARE(request.query, sent.mid(2));
        QCOMPARE(request.header("if-modified-since"), "0"_ba);
        QCOMPARE(request.header("Host"), "127.0.0.1:" + QByteArray::number(m_stub->port()));
        QVERIFY(request.header("X-Absent").isEmpty());
    }
    QCOMPARE(arrived.size(), 2);
    QCOMPARE(arrived.at(0).at(0).value<HttpStub::Request>().target, sent);

    Reply other = get(u"/version/gx.txt"_s);
    QVERIFY(finished(other));
    QCOMPARE(m_stub->requests().size(), 3);
    QCOMPARE(m_stub->count(u"/version/gx.txt"_s), 1);
    QCOMPARE(m_stub->requests().last().path, u"/version/gx.txt"_s);
    QVERIFY(m_stub->requests().last().query.isEmpty());
    m_stub->clearRequests();
    QVERIFY(m_stub->requests().isEmpty());
    QCOMPARE(m_stub->count(u"/"_s), 0);
}

void TestHttpStub::rawSocketRequests() {
    m_stub->answer(u"/"_s, "快递"_ba);

    // A target with a raw space and raw UTF-8, arriving in pieces: nothing is answered before
    // the blank line, and the target is kept byte for byte.
    const QByteArray target = "/?com=yuan tong&nu=圆通&x=1"_ba;
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_stub->port());
    QVERIFY(socket.waitForConnected(2000));
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nIf-Modi");
    QTest::qWait(100);
    QCOMPARE(m_stub->requests().size(), 0);
    QCOMPARE(socket.bytesAvailable(), 0);
    socket.write("fied-Since: 0\r\n\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 3000);
    const QByteArray response = socket.readAll();
    QVERIFY2(response.startsWith("HTTP/1.1 200 OK\r\n"), response.constData());
    QVERIFY(response.contains("\r\nContent-Length: 6\r\n"));
    QVERIFY(response.contains("\r\nConnection: close\r\n"));
    QVERIFY(response.endsWith("\r\n\r\n快递"_ba));
    QCOMPARE(m_stub->requests().size(), 1);
    QCOMPARE(m_stub->requests().first().target, target);
    QCOMPARE(m_stub->requests().first().query, "com=yuan tong&nu=圆通&x=1"_ba);
    QCOMPARE(m_stub->requests().first().header("If-Modified-Since"), "0"_ba);

    // A request body announced by Content-Length is waited for before answering.
    QTcpSocket withBody;
    withBody.connectToHost(QHostAddress::LocalHost, m_stub->port());
    QVERIFY(withBody.waitForConnected(2000));
    withBody.write("POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\nab");
    QTest::qWait(100);
    QCOMPARE(m_stub->requests().size(), 1);
    withBody.write("cde");
    QTRY_COMPARE_WITH_TIMEOUT(withBody.state(), QAbstractSocket::UnconnectedState, 3000);
    QVERIFY(withBody.readAll().startsWith("HTTP/1.1 200 OK\r\n"));
    QCOMPARE(m_stub->requests().last().method, "POST"_ba);

    QTcpSocket garbage;
    garbage.connectToHost(QHostAddress::LocalHost, m_stub->port());
    QVERIFY(garbage.waitForConnected(2000));
    garbage.write("nonsense\r\n\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(garbage.state(), QAbstractSocket::UnconnectedState, 3000);
    QVERIFY(garbage.readAll().startsWith("HTTP/1.1 400 "));
    QCOMPARE(m_stub->requests().size(), 2);

    // The network classes drop a HEAD body silently, so only the raw bytes show it is absent.
    QTcpSocket headOnly;
    headOnly.connectToHost(QHostAddress::LocalHost, m_stub->port());
    QVERIFY(headOnly.waitForConnected(2000));
    headOnly.write("HEAD / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(headOnly.state(), QAbstractSocket::UnconnectedState, 3000);
    const QByteArray headResponse = headOnly.readAll();
    QVERIFY(headResponse.contains("\r\nContent-Length: 6\r\n"));
    QVERIFY(headResponse.endsWith("\r\n\r\n"));
}

void TestHttpStub::heldAndDelayedAnswers() {
    m_stub->answer(u"/data/tg.txt"_s, "公告"_ba);
    m_stub->delay(u"/data/tg.txt"_s, 300);
    QElapsedTimer clock;
    clock.start();
    Reply reply = get(u"/data/tg.txt"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_stub->count(u"/data/tg.txt"_s), 1, 2000);
    QVERIFY(!reply->isFinished());
    QVERIFY(finished(reply));
    QVERIFY2(clock.elapsed() >= 280 && clock.elapsed() < 2000,
             QByteArray::number(clock.elapsed()).constData());
    QCOMPARE(reply->readAll(), "公告"_ba);
    m_stub->delay(u"/data/tg.txt"_s, 0);
    clock.restart();
    reply = get(u"/data/tg.txt"_s);
    QVERIFY(finished(reply));
    QVERIFY(clock.elapsed() < 280);

    // A held request takes the answer current when it is released, and holding then stops.
    m_stub->answer(u"/version/gx.txt"_s, "5.0.82"_ba);
    m_stub->neverAnswer(u"/version/gx.txt"_s);
    reply = get(u"/version/gx.txt"_s);
    QTest::qWait(500);
    QVERIFY(!reply->isFinished());
    QCOMPARE(m_stub->count(u"/version/gx.txt"_s), 1);
    m_stub->answer(u"/version/gx.txt"_s, "5.0.83"_ba);
    m_stub->release(u"/version/gx.txt"_s);
    QVERIFY(finished(reply));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->readAll(), "5.0.83"_ba);
    reply = get(u"/version/gx.txt"_s);
    QVERIFY(finished(reply));
    QCOMPARE(reply->readAll(), "5.0.83"_ba);

    // A request still held when the stub goes away ends in an error instead of hanging.
    m_stub->neverAnswer(u"/version/gx.txt"_s);
    reply = get(u"/version/gx.txt"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_stub->count(u"/version/gx.txt"_s), 3, 2000);
    m_stub.reset();
    QVERIFY(finished(reply));
    QVERIFY(reply->error() != QNetworkReply::NoError);
    QVERIFY(reply->readAll().isEmpty());
}

void TestHttpStub::closedWithoutAnswer() {
    m_stub->closeWithoutAnswer(u"/autonumber/auto"_s);
    Reply reply = get(u"/autonumber/auto?num=3101234567890"_s);
    QVERIFY(finished(reply));
    QVERIFY(reply->error() != QNetworkReply::NoError);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute), QVariant());
    QVERIFY(reply->readAll().isEmpty());
    QVERIFY(m_stub->count(u"/autonumber/auto"_s) >= 1);

    m_stub->answer(u"/autonumber/auto"_s, "[]"_ba);
    reply = get(u"/autonumber/auto?num=3101234567890"_s);
    QVERIFY(finished(reply));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->readAll(), "[]"_ba);
}

void TestHttpStub::headAndDate() {
    const QByteArray scripted = "Sun, 06 Nov 1994 08:49:37 GMT"_ba;
    m_stub->answer(u"/"_s, "首页"_ba, 200, {{"Date", scripted}});
    Reply reply = head(u"/"_s);
    QVERIFY(finished(reply));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->rawHeader("Date"), scripted);
    QCOMPARE(reply->rawHeader("Content-Length"), "6"_ba);
    QVERIFY(reply->readAll().isEmpty());
    QCOMPARE(m_stub->requests().last().method, "HEAD"_ba);
    QCOMPARE(m_stub->requests().last().header("If-Modified-Since"), "0"_ba);

    m_stub->answer(u"/"_s, "首页"_ba);
    reply = head(u"/"_s);
    QVERIFY(finished(reply));
    const QByteArray date = reply->rawHeader("Date");
    static const QRegularExpression form(
        u"^(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "\\d{4} \\d\\d:\\d\\d:\\d\\d GMT$"_s);
    QVERIFY2(form.match(QString::fromLatin1(date)).hasMatch(), date.constData());
    QDateTime parsed =
        QLocale::c().toDateTime(QString::fromLatin1(date), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'"_s);
    parsed.setTimeSpec(Qt::UTC);
    QVERIFY(parsed.isValid());
    QVERIFY(qAbs(parsed.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    QVERIFY(reply->readAll().isEmpty());
}

void TestHttpStub::concurrentRequests() {
    // Both requests reach the stub while neither has been answered, so the two connections
    // really are open side by side.
    m_stub->answer(u"/version/gx.txt"_s, "版本"_ba);
    m_stub->answer(u"/data/tg.txt"_s, "公告"_ba);
    m_stub->neverAnswer(u"/version/gx.txt"_s);
    m_stub->neverAnswer(u"/data/tg.txt"_s);
    Reply version = get(u"/version/gx.txt"_s);
    Reply notice = get(u"/data/tg.txt"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_stub->requests().size(), 2, 2000);
    QVERIFY(!version->isFinished());
    QVERIFY(!notice->isFinished());
    m_stub->release(u"/data/tg.txt"_s);
    m_stub->release(u"/version/gx.txt"_s);
    QVERIFY(finished(version));
    QVERIFY(finished(notice));
    QCOMPARE(version->readAll(), "版本"_ba);
    QCOMPARE(notice->readAll(), "公告"_ba);
}

QTEST_GUILESS_MAIN(TestHttpStub)
#include "tst_httpstub.moc"
