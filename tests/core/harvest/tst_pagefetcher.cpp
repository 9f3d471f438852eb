#include "core/harvest/pagefetcher.h"

#include "support/casefields.h"
#include "support/casetable.h"

#include "httpfixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTest>

using namespace dq;
using dq::test::HttpFixture;
using test::addCaseRows;
using test::field;
using test::number;

namespace {

PageFetcher::Result fetchOnce(
    PageFetcher &f, const QString &address, PageFetcher::Mode mode = PageFetcher::Mode::HttpGet)
{
    QSignalSpy spy(&f, &PageFetcher::finished);
    f.fetch(address, mode);
    if (spy.isEmpty() && !spy.wait(10000))
        return {};
    return spy.first().first().value<PageFetcher::Result>();
}

// A self-signed certificate for 127.0.0.1 and its key, made for this test only.
QByteArray tlsFile(const char *name)
{
    QFile f(QStringLiteral(DQ_TEST_DATA_DIR "/tls/127.0.0.1.") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TlsServer : public QTcpServer
{
public:
    TlsServer() { listen(QHostAddress::LocalHost); }
    QByteArray lastRequest;

protected:
    void incomingConnection(qintptr handle) override
    {
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(handle);
        socket->setLocalCertificate(QSslCertificate(tlsFile("crt")));
        socket->setPrivateKey(QSslKey(tlsFile("key"), QSsl::Rsa));
        connect(socket, &QSslSocket::readyRead, this, [this, socket] {
            lastRequest += socket->readAll();
            if (!lastRequest.contains("\r\n\r\n"))
                return;
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 6\r\n\r\nsecret");
            socket->flush();
        });
        connect(socket, &QSslSocket::errorOccurred, socket, &QObject::deleteLater);
        socket->startServerEncryption();
    }
};

} // namespace

class TestPageFetcher : public QObject
{
    Q_OBJECT

private slots:
    void requestUrl_data() { addCaseRows(u"harvest/pagefetcher/request-url.tsv"_qs); }
    void requestUrl()
    {
        QString kept;
        const auto mode = number("urlOpen") ? PageFetcher::Mode::UrlOpen : PageFetcher::Mode::HttpGet;
        QTEST(PageFetcher::requestUrl(field("address"), mode, &kept).toString(), "url");
        QTEST(kept, "kept");
    }
    // Bytes of a body are written \xHH.
    void decode_data() { addCaseRows(u"harvest/pagefetcher/decode.tsv"_qs); }
    void decode() { QTEST(PageFetcher::decode(field("body").toLatin1(), field("contentType").toLatin1()), "text"); }
    void httpGetSendsTheBrowserHeadersAndLowerCasedPath()
    {
        HttpFixture server;
        server.answer(
            "/list/austin?q=plumbers", { .contentType = "text/html; charset=windows-1252", .body = "Caf\xe9" });
        PageFetcher f;
        QString address = server.base() + u"/List/Austin?Q=Plumbers"_qs;
        QSignalSpy spy(&f, &PageFetcher::finished);
        f.HttpGetPage(address);
        QCOMPARE(address, u"127.0.0.1:"_qs + QString::number(server.port()) + u"/list/austin?q=plumbers"_qs);
        QVERIFY(spy.wait(10000));
        const auto r = spy.first().first().value<PageFetcher::Result>();
        QCOMPARE(r.text, QStringLiteral("Caf\u00e9"));
        QCOMPARE(r.address, address);
        const QByteArray head = server.heads.value(0);
        QVERIFY(head.startsWith("GET /list/austin?q=plumbers HTTP/1.1"));
        QVERIFY(head.contains("User-Agent: Mozilla/4.0\r\n"));
        QVERIFY(head.contains("Accept: image/gif,image/x-xbitmap,image/jpeg,image/pjpeg,*/*"));
    }
    void redirectsAreFollowed()
    {
        HttpFixture server;
        for (int i = 0; i < 10; ++i) {
            server.answer("/r" + QByteArray::number(i),
                { .status = 302, .headers = { { "Location", "/r" + QByteArray::number(i + 1) } } });
        }
        server.page("/r10", "arrived");
        PageFetcher f;
        QCOMPARE(fetchOnce(f, server.base() + u"/r0"_qs).text, u"arrived"_qs);
    }
    // Bodies are that many bytes; the message holds every '|'-separated part, one marked ^ at its
    // start. The address "closed" is a port nobody listens on, "none" no address at all, and
    // "abort" aborts the fetch once the server has the request.
    void failures_data() { addCaseRows(u"harvest/pagefetcher/failures.tsv"_qs); }
    void failures()
    {
        QTest::failOnWarning(QRegularExpression(u".*"_qs));
        HttpFixture::Answer answer { .status = number("status"),
            .body = QByteArray(number("body"), 'x'),
            .dropAfter = number("dropAfter"),
            .hold = bool(number("hold")),
            .omitLength = bool(number("omitLength")) };
        if (const QStringList header = field("header").split(u": "_qs); header.size() == 2)
            answer.headers = { { header[0].toLatin1(), header[1].toLatin1() } };
        HttpFixture server;
        server.answer("/page", answer);
        PageFetcher f;
        f.setTimeout(300);
        f.setMaxBytes(1 << 20);
        QString address = server.base() + u"/page"_qs;
        if (field("address") == u"closed") {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            address = u"http://127.0.0.1:"_qs + QString::number(closed.serverPort()) + u"/"_qs;
        } else if (field("address") == u"none") {
            address.clear();
        } else if (field("address") == u"abort") {
            server.onRequest = [&f](const QByteArray &) { f.abort(); };
        }
        QSignalSpy finished(&f, &PageFetcher::finished);
        f.fetch(address, PageFetcher::Mode::HttpGet);
        QVERIFY(finished.isEmpty()); // reported later, never from inside fetch()
        QVERIFY(finished.wait(10000));
        const auto r = finished.first().first().value<PageFetcher::Result>();
        QVERIFY(!r.ok);
        QVERIFY(r.text.isEmpty());
        for (const QString &part : field("message").split(u'|')) {
            QVERIFY2(part.startsWith(u'^') ? r.errorString.startsWith(part.mid(1)) : r.errorString.contains(part),
                qPrintable(r.errorString));
        }
        QVERIFY2(r.bytes <= f.maxBytes() + 1, qPrintable(QString::number(r.bytes)));
        QVERIFY(!f.isBusy());
    }
    // A certificate nobody vouches for is refused the way the user knows it (error 12045); once
    // trusted, the same server answers, also behind a redirect from a plain address.
    void certificates()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("this Qt has no TLS backend");
        TlsServer server;
        const QString secure = u"https://127.0.0.1:"_qs + QString::number(server.serverPort());
        PageFetcher f;
        auto r = fetchOnce(f, secure + u"/"_qs);
        QVERIFY(r.text.isEmpty());
        QVERIFY2(r.errorString.startsWith(
                     u"HttpSendRequest failed 12045: the certificate of 127.0.0.1 cannot be trusted"_qs),
            qPrintable(r.errorString));

        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.addCaCertificate(QSslCertificate(tlsFile("crt")));
        QSslConfiguration::setDefaultConfiguration(config);
        server.lastRequest.clear();
        PageFetcher trusting;
        r = fetchOnce(trusting, secure.toUpper() + u"/Page"_qs);
        QCOMPARE(r.text, u"secret"_qs);
        QCOMPARE(r.scheme, u"https"_qs);
        QVERIFY(server.lastRequest.startsWith("GET /page HTTP/1.1"));

        HttpFixture plain;
        plain.answer("/start", { .status = 301, .headers = { { "Location", secure.toUtf8() + "/page" } } });
        r = fetchOnce(trusting, plain.base() + u"/start"_qs);
        QCOMPARE(r.text, u"secret"_qs);
        QCOMPARE(r.scheme, u"https"_qs);
    }
};

QTEST_GUILESS_MAIN(TestPageFetcher)
#include "tst_pagefetcher.moc"
