#include "core/harvest/pagefetcher.h"

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

Q_DECLARE_METATYPE(dq::test::HttpFixture::Answer)

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
    void requestUrl_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("urlOpen");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("kept");
        QTest::newRow("the address is lower-cased and kept without its scheme")
            << u"HTTP://WWW.Yp.Test/Search?Q=Plumbers"_qs << false << u"http://www.yp.test/search?q=plumbers"_qs
            << u"www.yp.test/search?q=plumbers"_qs;
        QTest::newRow("an address without a path asks for /")
            << u"http://www.yp.test"_qs << false << u"http://www.yp.test/"_qs << u"www.yp.test"_qs;
        QTest::newRow("an address without a scheme is plain HTTP")
            << u"www.yp.test/a"_qs << false << u"http://www.yp.test/a"_qs << u"www.yp.test/a"_qs;
        QTest::newRow("an https address is secure")
            << u"https://www.yp.test/a"_qs << false << u"https://www.yp.test/a"_qs << u"www.yp.test/a"_qs;
        QTest::newRow("https elsewhere in the address does not make it secure")
            << u"http://www.yp.test/r?back=https"_qs << false << u"http://www.yp.test/r?back=https"_qs
            << u"www.yp.test/r?back=https"_qs;
        QTest::newRow("an explicit port is used") << u"http://127.0.0.1:8089/list"_qs << false
                                                  << u"http://127.0.0.1:8089/list"_qs << u"127.0.0.1:8089/list"_qs;
        QTest::newRow("URL-open keeps the address as given")
            << u"http://www.yp.test/Search?Q=A"_qs << true << u"http://www.yp.test/Search?Q=A"_qs
            << u"http://www.yp.test/Search?Q=A"_qs;
        QTest::newRow("URL-open adds a scheme only to ask")
            << u"www.yp.test/A"_qs << true << u"http://www.yp.test/A"_qs << u"www.yp.test/A"_qs;
        QTest::newRow("an empty address cannot be asked") << QString() << false << QString() << QString();
        QTest::newRow("a bare scheme cannot be asked") << u"http://"_qs << false << QString() << QString();
    }
    void requestUrl()
    {
        QFETCH(QString, address);
        QFETCH(bool, urlOpen);
        QFETCH(QString, url);
        QFETCH(QString, kept);
        QString keptAddress;
        const QUrl u = PageFetcher::requestUrl(
            address, urlOpen ? PageFetcher::Mode::UrlOpen : PageFetcher::Mode::HttpGet, &keptAddress);
        QCOMPARE(u.toString(), url);
        QCOMPARE(keptAddress, kept);
    }
    void decode_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("text");
        const QByteArray cafe1252 = "Caf\xe9 \x93quoted\x94 \x80";
        const QString cafe = QStringLiteral("Caf\u00e9 \u201cquoted\u201d \u20ac");
        QTest::newRow("UTF-8 without any declaration")
            << QByteArray("Caf\xc3\xa9") << QByteArray("text/html") << QStringLiteral("Caf\u00e9");
        QTest::newRow("bytes that are not UTF-8 are read as Windows-1252") << cafe1252 << QByteArray() << cafe;
        QTest::newRow("the Content-Type charset is used")
            << cafe1252 << QByteArray("text/html; charset=windows-1252") << cafe;
        QTest::newRow("Latin-1 labels read as Windows-1252")
            << cafe1252 << QByteArray("text/html; Charset=\"ISO-8859-1\"") << cafe;
        QTest::newRow("a meta charset is used when the header has none")
            << QByteArray("<html><head><META charset=\"windows-1252\"></head>" + cafe1252) << QByteArray("text/html")
            << QString(u"<html><head><META charset=\"windows-1252\"></head>"_qs + cafe);
        QTest::newRow("the http-equiv meta form is understood")
            << QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\xe9")
            << QByteArray()
            << QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\u00e9");
        QTest::newRow("the header wins over the meta tag")
            << QByteArray("<meta charset=\"windows-1252\">Caf\xc3\xa9") << QByteArray("text/html; charset=utf-8")
            << QStringLiteral("<meta charset=\"windows-1252\">Caf\u00e9");
        QTest::newRow("an unknown charset falls back to the bytes' own form")
            << QByteArray("Caf\xc3\xa9") << QByteArray("text/html; charset=x-no-such") << QStringLiteral("Caf\u00e9");
        QTest::newRow("UTF-16 is decoded when declared") << QByteArray("\xff\xfe"
                                                                       "A\0"
                                                                       "\xe9\0",
            6) << QByteArray("text/html; charset=utf-16") << QStringLiteral("A\u00e9");
    }
    void decode()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, text);
        QCOMPARE(PageFetcher::decode(body, contentType), text);
    }
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
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(r.text, QStringLiteral("Caf\u00e9"));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.address, u"127.0.0.1:"_qs + QString::number(server.port()) + u"/list/austin?q=plumbers"_qs);
        QCOMPARE(r.scheme, u"http"_qs);
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
        const auto r = fetchOnce(f, server.base() + u"/r0"_qs);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(r.text, u"arrived"_qs);
        QCOMPARE(QSet<QByteArray>(server.paths.begin(), server.paths.end()).size(), 11);
    }
    void failures_data()
    {
        using Answer = HttpFixture::Answer;
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("message"); // every part is in it
        QTest::newRow("an error status is a failure, not a page")
            << Answer { .status = 500, .body = "oops" } << QStringList { u"The server answered 500"_qs };
        QTest::newRow("a missing page is a failure") << Answer { .status = 404 } << QStringList { u"answered 404"_qs };
        QTest::newRow("a dropped connection mid-page is a failure")
            << Answer { .body = QByteArray(900, 'x'), .dropAfter = 50 } << QStringList { u"failed 12030: "_qs };
        QTest::newRow("no answer within the timeout is a failure, without a stray warning") << Answer { .hold
            = true } << QStringList { u"HttpSendRequest failed 12002: "_qs, u"within 0.3 seconds"_qs };
        QTest::newRow("a declared length over the cap is refused")
            << Answer { .body = QByteArray(2 << 20, 'x') } << QStringList { u"larger than the limit of 1 MB"_qs };
        QTest::newRow("an endless body stops at the cap as it arrives") << Answer { .body = QByteArray(8 << 20, 'x'),
            .omitLength = true } << QStringList { u"larger than the limit of 1 MB"_qs };
        QTest::newRow("a redirect loop ends")
            << Answer { .status = 302, .headers = { { "Location", "/page" } } } << QStringList { u"redirects"_qs };
        QTest::newRow("a redirect without a Location says so")
            << Answer { .status = 302 } << QStringList { u"302 (moved) without saying where to"_qs };
        QTest::newRow("a body that does not unpack names its encoding")
            << Answer { .body = QByteArray(64, 'x'), .headers = { { "Content-Encoding", "gzip" } } }
            << QStringList { u"does not unpack as its declared encoding gzip"_qs };
    }
    void failures()
    {
        QFETCH(HttpFixture::Answer, answer);
        QFETCH(QStringList, message);
        QTest::failOnWarning(QRegularExpression(u".*"_qs));
        HttpFixture server;
        server.answer("/page", answer);
        PageFetcher f;
        f.setTimeout(300);
        f.setMaxBytes(1 << 20);
        const auto r = fetchOnce(f, server.base() + u"/page"_qs);
        QVERIFY(!r.ok);
        QVERIFY(r.text.isEmpty());
        for (const QString &part : message)
            QVERIFY2(r.errorString.contains(part), qPrintable(r.errorString));
        QVERIFY2(r.errorString.contains(u"127.0.0.1"_qs), qPrintable(r.errorString));
        QVERIFY2(r.bytes <= f.maxBytes() + 1, qPrintable(QString::number(r.bytes)));
        QVERIFY(!f.isBusy());
    }
    void connectionRefused()
    {
        quint16 port = 0;
        {
            QTcpServer s;
            s.listen(QHostAddress::LocalHost);
            port = s.serverPort();
        }
        PageFetcher f;
        const auto r = fetchOnce(f, u"http://127.0.0.1:"_qs + QString::number(port) + u"/"_qs);
        QVERIFY(!r.ok);
        QVERIFY2(r.errorString.startsWith(u"failed 12029: 127.0.0.1:"_qs), qPrintable(r.errorString));
    }
    void invalidAddressFailsLater()
    {
        PageFetcher f;
        QSignalSpy spy(&f, &PageFetcher::finished);
        f.fetch(QString(), PageFetcher::Mode::HttpGet);
        QCOMPARE(spy.count(), 0);
        QVERIFY(spy.wait(2000));
        const auto r = spy.first().first().value<PageFetcher::Result>();
        QVERIFY(!r.ok);
        QVERIFY(r.errorString.startsWith(u"failed 12005"_qs));
    }
    void abortReportsCancelled()
    {
        HttpFixture server;
        server.answer("/", { .hold = true });
        PageFetcher f;
        QSignalSpy spy(&f, &PageFetcher::finished);
        server.onRequest = [&f](const QByteArray &) { f.abort(); };
        f.fetch(server.base(), PageFetcher::Mode::HttpGet);
        QVERIFY(spy.wait(5000));
        const auto r = spy.first().first().value<PageFetcher::Result>();
        QVERIFY(!r.ok);
        QVERIFY2(r.errorString.contains(u"cancelled"_qs), qPrintable(r.errorString));
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
        QVERIFY(!r.ok && r.text.isEmpty());
        QVERIFY2(r.errorString.startsWith(
                     u"HttpSendRequest failed 12045: the certificate of 127.0.0.1 cannot be trusted"_qs),
            qPrintable(r.errorString));
        QVERIFY(!server.lastRequest.contains("secret"));

        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.addCaCertificate(QSslCertificate(tlsFile("crt")));
        QSslConfiguration::setDefaultConfiguration(config);
        server.lastRequest.clear();
        PageFetcher trusting;
        r = fetchOnce(trusting, secure.toUpper() + u"/Page"_qs);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(r.text, u"secret"_qs);
        QCOMPARE(r.scheme, u"https"_qs);
        QVERIFY(server.lastRequest.startsWith("GET /page HTTP/1.1"));

        HttpFixture plain;
        plain.answer("/start", { .status = 301, .headers = { { "Location", secure.toUtf8() + "/page" } } });
        r = fetchOnce(trusting, plain.base() + u"/start"_qs);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(r.text, u"secret"_qs);
        QCOMPARE(r.scheme, u"https"_qs);
    }
};

QTEST_GUILESS_MAIN(TestPageFetcher)
#include "tst_pagefetcher.moc"
