// Drives the real parcelbook-demo-service executable over loopback HTTP, reading answers the way the program
// does.
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimeZone>

#include <sys/prctl.h>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString accountQuery = u"id=271828&secret=3f6c1e9a0b7d42c58e1f2a3b4c5d6e7f"_s;
const QString keyQuery = u"id=5B1E7C20A94D3F86E2C70B19D4A6F853&type=json&ord=desc"_s;

struct Answer {
    int status = 0;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray contentType;
    QByteArray date;
};

// Every text between each occurrence of the marker and the next quote, the way the program searches answers.
QStringList textsAfter(const QByteArray &body, const QByteArray &marker) {
    QStringList texts;
    for (qsizetype at = body.indexOf(marker); at >= 0; at = body.indexOf(marker, at)) {
        at += marker.size();
        texts.append(QString::fromUtf8(body.mid(at, body.indexOf('"', at) - at)));
    }
    return texts;
}

QString errCode(const QByteArray &body) {
    const QStringList codes = textsAfter(body, "errCode\":\"");
    return codes.isEmpty() ? QString() : codes.first();
}

// The tracking company code and recognition code of the first company whose name holds the word.
std::pair<QString, QString> courierCodes(const QString &word) {
    QFile file(QString::fromUtf8(COURIERS_TSV_PATH));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines.at(i).split(u'\t');
        if (fields.size() >= 3 && fields.at(0).contains(word)) {
            return {fields.at(1), fields.at(2)};
        }
    }
    return {};
}

QString trackingTarget(const QString &com, const QString &number) {
    return u"/?"_s + accountQuery + u"&com="_s + com + u"&nu="_s + number + u"&"_s + keyQuery;
}

} // namespace

class DemoServiceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void rejectsBadQueries();
    void answersDemoParcels();
    void growingParcelGainsEntries();
    void recognisesNumbers();
    void servesSiteFiles();
    void holdsSilentNumber();

private:
    // Starts the service on a free port and returns its base address, empty when it did not come up.
    QString startService(QProcess &process, const QStringList &extraArguments);
    Answer fetch(const QString &url, const QByteArray &verb = "GET");
    QByteArray rawExchange(const QByteArray &request);
    void checkHistory(const QByteArray &body, qsizetype expectedEntries);

    QNetworkAccessManager m_network;
    QProcess m_service;
    QString m_base;
};

QString DemoServiceTest::startService(QProcess &process, const QStringList &extraArguments) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that dies half way must not leave a service behind holding ctest's output pipe.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start(QString::fromUtf8(DEMO_SERVICE_PATH), QStringList{u"--port"_s, u"0"_s} + extraArguments);
    if (!process.waitForStarted(5000)) {
        return {};
    }
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(5000)) {
            return {};
        }
    }
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression(u"^listening on (http://127\\.0\\.0\\.1:(\\d+))$"_s).match(line);
    if (!match.hasMatch() || match.captured(2).toInt() <= 0) {
        return {};
    }
    return match.captured(1);
}

Answer DemoServiceTest::fetch(const QString &url, const QByteArray &verb) {
    QNetworkReply *reply = m_network.sendCustomRequest(QNetworkRequest(QUrl(url)), verb);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!finished.wait(5000)) {
        reply->abort();
    }
    Answer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
                  reply->error(), reply->rawHeader("Content-Type"), reply->rawHeader("Date")};
    reply->deleteLater();
    return answer;
}

// The whole response to bytes written straight to the socket, for targets QUrl would rewrite.
QByteArray DemoServiceTest::rawExchange(const QByteArray &request) {
    const QUrl base(m_base);
    QTcpSocket socket;
    socket.connectToHost(base.host(), static_cast<quint16>(base.port()));
    if (!socket.waitForConnected(5000)) {
        return {};
    }
    socket.write(request);
    QByteArray response;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000)) {
        response += socket.readAll();
    }
    return response + socket.readAll();
}

// A successful answer: errCode 0, the entry count, proper local times strictly newest first and in the past.
void DemoServiceTest::checkHistory(const QByteArray &body, qsizetype expectedEntries) {
    QCOMPARE(errCode(body), u"0"_s);
    const QStringList times = textsAfter(body, "\"time\":\"");
    const QStringList contexts = textsAfter(body, "\"context\":\"");
    QCOMPARE(times.size(), expectedEntries);
    QCOMPARE(contexts.size(), expectedEntries);
    QCOMPARE(body.count("time"), expectedEntries);
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime newer;
    for (const QString &text : times) {
        const QDateTime time = QDateTime::fromString(text, u"yyyy-MM-dd HH:mm:ss"_s);
        QVERIFY2(time.isValid(), qPrintable(text));
        QVERIFY2(time <= now, qPrintable(text));
        if (newer.isValid()) {
            QVERIFY2(time < newer, qPrintable(text));
        }
        newer = time;
    }
    QVERIFY(!contexts.isEmpty());
    QVERIFY2(contexts.constLast().contains(u"揽收"_s), qPrintable(contexts.constLast()));
}

void DemoServiceTest::initTestCase() {
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    // A long growth interval keeps the growing parcel at its first three entries for the whole run here.
    m_base = startService(m_service, {u"--growth-seconds"_s, u"600"_s});
    QVERIFY2(!m_base.isEmpty(), "the demo service did not print its address");
    QVERIFY(!courierCodes(u"圆通"_s).first.isEmpty());
}

void DemoServiceTest::cleanupTestCase() {
    m_service.kill();
    m_service.waitForFinished(5000);
}

void DemoServiceTest::rejectsBadQueries() {
    const QString yuantong = courierCodes(u"圆通"_s).first;
    const QString shunfeng = courierCodes(u"顺丰"_s).first;
    const QString good = u"3101234567890"_s;
    const auto codeFor = [this](const QString &target) {
        const Answer answer = fetch(m_base + target);
        return answer.status == 200 && answer.contentType == "application/json; charset=utf-8"
                   ? errCode(answer.body)
                   : QString();
    };

    QString target = trackingTarget(yuantong, good);
    QCOMPARE(codeFor(QString(target).replace(u"secret=3f"_s, u"secret=4f"_s)), u"2"_s);
    QCOMPARE(codeFor(QString(target).replace(u"id=271828"_s, u"id=271829"_s)), u"2"_s);
    QCOMPARE(codeFor(QString(target).replace(u"5B1E7C20"_s, u"5B1E7C21"_s)), u"2"_s);
    QCOMPARE(codeFor(QString(target).remove(u"id=5B1E7C20A94D3F86E2C70B19D4A6F853&"_s)), u"2"_s);
    // The credentials are checked before anything else, then the company, then the number's form.
    QCOMPARE(codeFor(trackingTarget(u"nosuchcourier"_s, u"31abc"_s).replace(u"secret=3f"_s, u"secret=4f"_s)),
             u"2"_s);
    QCOMPARE(codeFor(trackingTarget(u"nosuchcourier"_s, good)), u"7"_s);
    QCOMPARE(codeFor(trackingTarget(u"nosuchcourier"_s, u"31abc"_s)), u"7"_s);
    QCOMPARE(codeFor(trackingTarget(yuantong, u"31012345abc"_s)), u"6"_s);
    QCOMPARE(codeFor(trackingTarget(yuantong, u"3101-2345"_s)), u"6"_s);
    QCOMPARE(codeFor(trackingTarget(shunfeng, u"SF1402345678901"_s)), u"0"_s);
    QCOMPARE(codeFor(trackingTarget(yuantong, QString())), u"6"_s);
    QCOMPARE(codeFor(trackingTarget(yuantong, u"2222222222222"_s)), u"1"_s);
    QCOMPARE(codeFor(trackingTarget(shunfeng, u"1111111111111"_s)), u"1"_s);
    QCOMPARE(codeFor(trackingTarget(yuantong, u"1111111111111"_s)), u"1"_s);
    // A demo number asked under another company is unknown there, as with the real service.
    QCOMPARE(codeFor(trackingTarget(shunfeng, good)), u"1"_s);

    const Answer failure = fetch(m_base + trackingTarget(u"nosuchcourier"_s, good));
    QVERIFY(failure.body.startsWith("{\"status\":\"0\",\"errCode\":\"7\",\"message\":\""));
    QVERIFY(!failure.body.contains("time"));

    // Raw text straight from the program's boxes, and the same values percent-encoded, both come through.
    const QByteArray rawChinese = "GET " + trackingTarget(u"顺丰"_s, good).toUtf8() + " HTTP/1.1\r\n\r\n";
    QVERIFY(rawExchange(rawChinese).contains("\"errCode\":\"7\""));
    const QByteArray rawBlank =
        "GET " + trackingTarget(yuantong, u"3101 234"_s).toUtf8() + " HTTP/1.1\r\n\r\n";
    QVERIFY(rawExchange(rawBlank).contains("\"errCode\":\"6\""));
    const QByteArray encoded = "GET " +
                               trackingTarget(u"%73hunfeng"_s, u"%39%38%37%36543210123"_s)
                                   .replace(u"271828"_s, u"%32%371828"_s)
                                   .toUtf8() +
                               " HTTP/1.1\r\n\r\n";
    const QByteArray response = rawExchange(encoded);
    QVERIFY2(response.contains("\"errCode\":\"0\""), response.constData());
    QCOMPARE(textsAfter(response, "\"time\":\"").size(), 6);
}

void DemoServiceTest::answersDemoParcels() {
    const auto bodyFor = [this](const QString &courierWord, const QString &number) {
        const Answer answer = fetch(m_base + trackingTarget(courierCodes(courierWord).first, number));
        return answer.status == 200 ? answer.body : QByteArray();
    };
    const QStringList doneWords{u"签"_s, u"妥"_s, u"感谢"_s};

    const QByteArray inTransit = bodyFor(u"圆通"_s, u"3101234567890"_s);
    checkHistory(inTransit, 3);
    for (const QString &word : doneWords + QStringList{u"派"_s}) {
        QVERIFY(!QString::fromUtf8(inTransit).contains(word));
    }

    const QByteArray delivering = bodyFor(u"中通"_s, u"7700112233445"_s);
    checkHistory(delivering, 7);
    const QStringList deliveringTexts = textsAfter(delivering, "\"context\":\"");
    QVERIFY2(deliveringTexts.value(0).contains(u"派件"_s), qPrintable(deliveringTexts.value(0)));
    for (const QString &word : doneWords) {
        QVERIFY(!deliveringTexts.value(0).contains(word));
        QVERIFY(!deliveringTexts.value(1).contains(word));
    }

    const QByteArray signedFor = bodyFor(u"顺丰"_s, u"9876543210123"_s);
    checkHistory(signedFor, 6);
    QVERIFY(textsAfter(signedFor, "\"context\":\"").value(0).contains(u"已签收，签收人：本人，感谢使用"_s));

    const QByteArray longHistory = bodyFor(u"韵达"_s, u"4300000000001"_s);
    checkHistory(longHistory, 12);
    for (const QString &word : doneWords + QStringList{u"派"_s}) {
        QVERIFY(!QString::fromUtf8(longHistory).contains(word));
    }
    // Asking again gives the same bytes, so the program sees no change where there is none.
    QCOMPARE(bodyFor(u"韵达"_s, u"4300000000001"_s), longHistory);

    const Answer headOnly =
        fetch(m_base + trackingTarget(courierCodes(u"韵达"_s).first, u"4300000000001"_s), "HEAD");
    QCOMPARE(headOnly.status, 200);
    QVERIFY(headOnly.body.isEmpty());
}

void DemoServiceTest::growingParcelGainsEntries() {
    QProcess service;
    const QString base =
        startService(service, {u"--growth-seconds"_s, u"0.3"_s, u"--version-text"_s, u"V5.1"_s});
    QVERIFY(!base.isEmpty());
    const QString target = base + trackingTarget(courierCodes(u"圆通"_s).first, u"3101234567890"_s);

    QByteArray body = fetch(target).body;
    checkHistory(body, 3);
    QStringList previous = textsAfter(body, "\"context\":\"");
    QList<qsizetype> counts{previous.size()};
    QElapsedTimer waited;
    waited.start();
    while (previous.size() < 9 && waited.elapsed() < 10000) {
        QTest::qWait(100);
        body = fetch(target).body;
        const QStringList contexts = textsAfter(body, "\"context\":\"");
        checkHistory(body, contexts.size());
        // New entries only ever arrive on top; what was there stays as it was.
        QVERIFY(contexts.size() >= previous.size());
        QCOMPARE(contexts.mid(contexts.size() - previous.size()), previous);
        if (contexts.size() != previous.size()) {
            counts.append(contexts.size());
        }
        previous = contexts;
    }
    QCOMPARE(previous.size(), 9);
    QVERIFY2(counts.size() >= 4, "the entries should arrive one poll at a time, not all at once");
    // Two more growth periods: a history that is complete stays as it is.
    QTest::qWait(700);
    body = fetch(target).body;
    checkHistory(body, 9);
    for (const QString &word : {u"签"_s, u"妥"_s, u"感谢"_s, u"派"_s}) {
        QVERIFY(!QString::fromUtf8(body).contains(word));
    }
    QCOMPARE(fetch(base + u"/version/gx.txt"_s).body, QByteArray("V5.1"));

    service.kill();
    service.waitForFinished(5000);
}

void DemoServiceTest::recognisesNumbers() {
    const auto recognised = [this](const QString &number) {
        return fetch(m_base + u"/autonumber/auto?num="_s + number).body;
    };
    const QList<std::pair<QString, QString>> demo{{u"3101234567890"_s, u"圆通"_s},
                                                  {u"7700112233445"_s, u"中通"_s},
                                                  {u"9876543210123"_s, u"顺丰"_s},
                                                  {u"4300000000001"_s, u"韵达"_s},
                                                  {u"SF1402345678901"_s, u"顺丰"_s}};
    for (const auto &[number, word] : demo) {
        const QByteArray body = recognised(number);
        QVERIFY2(body.startsWith('['), body.constData());
        QCOMPARE(textsAfter(body, "comCode\":\"").value(0), courierCodes(word).second);
        QVERIFY2(!body.contains("503"), body.constData());
    }
    QVERIFY(recognised(u"5031234567890"_s).contains("503"));
    QCOMPARE(textsAfter(recognised(u"3188888888888"_s), "comCode\":\"").value(0),
             courierCodes(u"圆通"_s).second);
    QCOMPARE(textsAfter(recognised(u"JDX012345678901"_s), "comCode\":\"").value(0),
             courierCodes(u"京东"_s).second);
    QCOMPARE(recognised(u"6612345678901"_s), QByteArray("[]"));
    QCOMPARE(recognised(u"31abc"_s), QByteArray("[]"));
    QCOMPARE(recognised(QString(40, u'3')), QByteArray("[]"));
}

void DemoServiceTest::servesSiteFiles() {
    const Answer version = fetch(m_base + u"/version/gx.txt"_s);
    QCOMPARE(version.status, 200);
    QCOMPARE(version.body, QByteArray("V5.0"));

    const QStringList announcement = QString::fromUtf8(fetch(m_base + u"/data/tg.txt"_s).body).split(u'|');
    QCOMPARE(announcement.size(), 2);
    QCOMPARE(announcement.at(0), u"岚舟包裹通演示服务上线"_s);
    QCOMPARE(announcement.at(1), m_base + u"/"_s);

    const Answer home = fetch(m_base + u"/"_s);
    QCOMPARE(home.status, 200);
    QCOMPARE(home.contentType, QByteArray("text/html; charset=utf-8"));
    QVERIFY(QString::fromUtf8(home.body).contains(u"演示服务"_s));
    const Answer share = fetch(m_base + u"/tui.html"_s);
    QCOMPARE(share.status, 200);
    QVERIFY(share.body.contains("<html"));

    const Answer head = fetch(m_base + u"/"_s, "HEAD");
    QCOMPARE(head.status, 200);
    QVERIFY(head.body.isEmpty());
    QDateTime date =
        QLocale::c().toDateTime(QString::fromLatin1(head.date), u"ddd, dd MMM yyyy HH:mm:ss 'GMT'"_s);
    QVERIFY2(date.isValid(), head.date.constData());
    date.setTimeZone(QTimeZone::utc());
    QVERIFY(qAbs(date.secsTo(QDateTime::currentDateTimeUtc())) <= 5);

    QCOMPARE(fetch(m_base + u"/nothing-here"_s).status, 404);
    QCOMPARE(fetch(m_base + u"/"_s, "POST").status, 405);

    const QByteArray raw = rawExchange("GET /version/gx.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QVERIFY2(raw.startsWith("HTTP/1.1 200 OK\r\n"), raw.constData());
    QVERIFY(raw.contains("\r\nConnection: close\r\n"));
    QVERIFY(raw.contains("\r\nDate: "));
    QVERIFY(raw.endsWith("\r\n\r\nV5.0"));
    QVERIFY(rawExchange("nonsense\r\n\r\n").startsWith("HTTP/1.1 400 "));
}

void DemoServiceTest::holdsSilentNumber() {
    const QString target = m_base + trackingTarget(courierCodes(u"申通"_s).first, u"5555555555555"_s);
    QNetworkReply *silent = m_network.get(QNetworkRequest(QUrl(target)));
    QTest::qWait(1000);
    QVERIFY(!silent->isFinished());
    QVERIFY(silent->bytesAvailable() == 0);
    // The held connection must not stall anyone else on the single-threaded service.
    QCOMPARE(fetch(m_base + u"/version/gx.txt"_s).body, QByteArray("V5.0"));
    QVERIFY(!silent->isFinished());
    silent->abort();
    QCOMPARE(silent->error(), QNetworkReply::OperationCanceledError);
    delete silent;
    QCOMPARE(errCode(fetch(m_base + trackingTarget(courierCodes(u"顺丰"_s).first, u"9876543210123"_s)).body),
             u"0"_s);
}

QTEST_GUILESS_MAIN(DemoServiceTest)

#include "tst_demoservice.moc"
