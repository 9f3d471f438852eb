#include "core/harvest/pagefetcher.h"

#include "httpfixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::HttpFixture;

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
            << "HTTP://WWW.Yp.Test/Search?Q=Plumbers" << false << "http://www.yp.test/search?q=plumbers"
            << "www.yp.test/search?q=plumbers";
        QTest::newRow("an address without a path asks for /") << "http://www.yp.test" << false << "http://www.yp.test/"
                                                              << "www.yp.test";
        QTest::newRow("an address without a scheme is plain HTTP") << "www.yp.test/a" << false << "http://www.yp.test/a"
                                                                   << "www.yp.test/a";
        QTest::newRow("an https address is secure") << "https://www.yp.test/a" << false << "https://www.yp.test/a"
                                                    << "www.yp.test/a";
        QTest::newRow("https elsewhere in the address does not make it secure")
            << "http://www.yp.test/r?back=https" << false << "http://www.yp.test/r?back=https"
            << "www.yp.test/r?back=https";
        QTest::newRow("an explicit port is used")
            << "http://127.0.0.1:8089/list" << false << "http://127.0.0.1:8089/list"
            << "127.0.0.1:8089/list";
        QTest::newRow("URL-open keeps the address as given")
            << "http://www.yp.test/Search?Q=A" << true << "http://www.yp.test/Search?Q=A"
            << "http://www.yp.test/Search?Q=A";
        QTest::newRow("URL-open adds a scheme only to ask") << "www.yp.test/A" << true << "http://www.yp.test/A"
                                                            << "www.yp.test/A";
        QTest::newRow("an empty address cannot be asked") << "" << false << ""
                                                          << "";
        QTest::newRow("a bare scheme cannot be asked") << "http://" << false << ""
                                                       << "";
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
        server.page("/list/austin?q=plumbers", "<html>ok</html>");
        PageFetcher f;
        QString address = server.base() + u"/List/Austin?Q=Plumbers"_qs;
        QSignalSpy spy(&f, &PageFetcher::finished);
        f.HttpGetPage(address);
        QCOMPARE(address, u"127.0.0.1:"_qs + QString::number(server.port()) + u"/list/austin?q=plumbers"_qs);
        QVERIFY(spy.wait(10000));
        const auto r = spy.first().first().value<PageFetcher::Result>();
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(r.text, u"<html>ok</html>"_qs);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.address, u"127.0.0.1:"_qs + QString::number(server.port()) + u"/list/austin?q=plumbers"_qs);
        QCOMPARE(r.scheme, u"http"_qs);
        const QByteArray head = server.heads.value(0);
        QVERIFY(head.startsWith("GET /list/austin?q=plumbers HTTP/1.1"));
        QVERIFY(head.contains("User-Agent: Mozilla/4.0\r\n"));
        QVERIFY(head.contains("Accept: image/gif,image/x-xbitmap,image/jpeg,image/pjpeg,*/*"));
    }
    void urlOpenKeepsTheAddress()
    {
        HttpFixture server;
        server.page("/List?Q=A", "mixed case");
        PageFetcher f;
        const QString address = server.base() + u"/List?Q=A"_qs;
        const auto r = fetchOnce(f, address, PageFetcher::Mode::UrlOpen);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(r.text, u"mixed case"_qs);
        QCOMPARE(r.address, address);
    }
    void charsetFromTheServer()
    {
        HttpFixture server;
        server.answer("/", { .contentType = "text/html; charset=windows-1252", .body = "Caf\xe9" });
        PageFetcher f;
        const auto r = fetchOnce(f, server.base());
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(r.text, QStringLiteral("Caf\u00e9"));
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
    void tooManyRedirectsFail()
    {
        HttpFixture server;
        server.answer("/loop", { .status = 302, .headers = { { "Location", "/loop" } } });
        PageFetcher f;
        const auto r = fetchOnce(f, server.base() + u"/loop"_qs);
        QVERIFY(!r.ok);
        QVERIFY(r.text.isEmpty());
        QVERIFY2(r.errorString.contains(u"redirects"_qs), qPrintable(r.errorString));
    }
    void failures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("dropAfter");
        QTest::addColumn<bool>("hold");
        QTest::addColumn<bool>("omitLength");
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<QString>("message");
        QTest::newRow("an error status is a failure, not a page")
            << 500 << -1 << false << false << 100 << "The server answered 500";
        QTest::newRow("a missing page is a failure") << 404 << -1 << false << false << 100 << "The server answered 404";
        QTest::newRow("a dropped connection mid-page is a failure")
            << 200 << 50 << false << false << 900 << "HttpSendRequest failed 12030: ";
        QTest::newRow("no answer within the timeout is a failure")
            << 200 << -1 << true << false << 10 << "HttpSendRequest failed 12002: ";
        QTest::newRow("a declared length over the cap is refused")
            << 200 << -1 << false << false << 5000 << "is larger than the limit";
        QTest::newRow("an undeclared length over the cap is cut off")
            << 200 << -1 << false << true << 5000 << "is larger than the limit";
    }
    void failures()
    {
        QFETCH(int, status);
        QFETCH(int, dropAfter);
        QFETCH(bool, hold);
        QFETCH(bool, omitLength);
        QFETCH(int, bodySize);
        QFETCH(QString, message);
        HttpFixture server;
        server.answer("/page",
            { .status = status,
                .body = QByteArray(bodySize, 'x'),
                .dropAfter = dropAfter,
                .hold = hold,
                .omitLength = omitLength });
        PageFetcher f;
        f.setTimeout(400);
        f.setMaxBytes(1000);
        const auto r = fetchOnce(f, server.base() + u"/page"_qs);
        QVERIFY(!r.ok);
        QVERIFY(r.text.isEmpty());
        QVERIFY2(r.errorString.contains(message), qPrintable(r.errorString));
        QVERIFY2(r.errorString.contains(u"127.0.0.1"_qs), qPrintable(r.errorString));
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
};

QTEST_GUILESS_MAIN(TestPageFetcher)
#include "tst_pagefetcher.moc"
