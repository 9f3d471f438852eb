#include "core/grid/xlsxscanner.h"
#include "support/casetable.h"

#include <QTest>
#include <QXmlStreamReader>

using namespace dq;

namespace {

// Every token as one line: start elements with the attributes asked for, text merged the way a
// reader sees it. Names are local names.
struct Event
{
    QXmlStreamReader::TokenType type;
    QString name;
    QList<std::pair<QString, QString>> attributes;
    QString text;
};

QList<Event> referenceEvents(const QByteArray &xml)
{
    QXmlStreamReader r(xml);
    r.setNamespaceProcessing(false);
    QList<Event> out;
    int depth = 0;
    while (!r.atEnd()) {
        const auto t = r.readNext();
        const QString name = r.name().toString().section(QLatin1Char(':'), -1);
        if (t == QXmlStreamReader::StartElement) {
            ++depth;
            Event e { t, name, {}, {} };
            for (const QXmlStreamAttribute &a : r.attributes())
                if (!a.qualifiedName().startsWith(QLatin1String("xmlns")))
                    e.attributes.append({ a.name().toString().section(QLatin1Char(':'), -1), a.value().toString() });
            out << e;
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
            out << Event { t, name, {}, {} };
        } else if (t == QXmlStreamReader::Characters && depth > 0) {
            if (out.last().type == QXmlStreamReader::Characters)
                out.last().text += r.text();
            else
                out << Event { t, {}, {}, r.text().toString() };
        }
    }
    if (r.hasError())
        out << Event { QXmlStreamReader::Invalid, r.errorString(), {}, {} };
    return out;
}

// A scanner fed the XML in blocks of blockSize bytes, each after headroom bytes of junk.
struct Fed
{
    Fed(const QByteArray &xml, qsizetype blockSize, qsizetype headroom = 0)
        : scanner(
            [this, xml, blockSize, headroom](QByteArray &block) {
                block = QByteArray(headroom, '<') + xml.mid(at, blockSize);
                at += block.size() - headroom;
                return true;
            },
            64, headroom)
    {
    }
    qsizetype at = 0;
    XlsxScanner scanner;
};

} // namespace

class TestXlsxScanner : public QObject
{
    Q_OBJECT

private slots:
    void tokensMatchAGeneralXmlReader_data()
    {
        test::addCaseRows(QStringLiteral("grid/xml/tokens.tsv"));
        QTest::newRow("a text longer than one piece, with references and line ends throughout")
            << QByteArray("<t>" + QByteArray("\xC3\xA9&amp;x\r\n").repeated(12'000) + "</t>");
    }
    void tokensMatchAGeneralXmlReader()
    {
        QFETCH(QByteArray, xmlBytes);
        const QByteArray &xml = xmlBytes;
        const QList<Event> expected = referenceEvents(xml);
        QVERIFY(!expected.isEmpty() && expected.last().type != QXmlStreamReader::Invalid);
        // Byte by byte is quadratic on long text runs; those get bigger blocks.
        const QList<qsizetype> blockSizes
            = xml.size() < 4096 ? QList<qsizetype> { 1, 7, xml.size() } : QList<qsizetype> { 4093, xml.size() };
        for (const qsizetype blockSize : blockSizes) {
            Fed fed(xml, blockSize, blockSize % 2 ? 5 : 0); // markup split between blocks joins in either way
            XlsxScanner &x = fed.scanner;
            QList<Event> got;
            XlsxScanner::Token t;
            while ((t = x.next()) != XlsxScanner::EndDocument && t != XlsxScanner::Invalid) {
                const QString name = QString::fromUtf8(x.name());
                if (t == XlsxScanner::StartElement) {
                    // The scanner answers for the attributes the reference found, and for no other.
                    Event e { QXmlStreamReader::StartElement, name, {}, {} };
                    const QList<std::pair<QString, QString>> none;
                    const auto &asked = got.size() < expected.size() ? expected[got.size()].attributes : none;
                    for (const auto &[attr, value] : asked)
                        e.attributes.append({ attr, QString::fromUtf8(x.attribute(QByteArrayView(attr.toUtf8()))) });
                    QVERIFY(!x.hasAttribute("missing"));
                    got << e;
                    // Reading an element's text in one go gives the same tokens.
                    if (x.readWrappedText("t")) {
                        got << Event { QXmlStreamReader::StartElement, QStringLiteral("t"),
                            got.size() < expected.size() ? expected[got.size()].attributes : none, {} };
                        if (!x.text().isEmpty())
                            got << Event { QXmlStreamReader::Characters, {}, {}, QString::fromUtf8(x.text()) };
                        got << Event { QXmlStreamReader::EndElement, QStringLiteral("t"), {}, {} };
                        got << Event { QXmlStreamReader::EndElement, name, {}, {} };
                    } else if (x.readTextContent()) {
                        if (!x.text().isEmpty())
                            got << Event { QXmlStreamReader::Characters, {}, {}, QString::fromUtf8(x.text()) };
                        got << Event { QXmlStreamReader::EndElement, name, {}, {} };
                    }
                } else if (t == XlsxScanner::EndElement) {
                    got << Event { QXmlStreamReader::EndElement, name, {}, {} };
                } else if (!got.isEmpty() && got.last().type == QXmlStreamReader::Characters) {
                    got.last().text += QString::fromUtf8(x.text());
                } else {
                    got << Event { QXmlStreamReader::Characters, {}, {}, QString::fromUtf8(x.text()) };
                }
            }
            QVERIFY2(t == XlsxScanner::EndDocument, qPrintable(x.errorString()));
            QCOMPARE(got.size(), expected.size());
            for (qsizetype i = 0; i < got.size(); ++i) {
                QCOMPARE(got[i].type, expected[i].type);
                QCOMPARE(got[i].name, expected[i].name);
                QCOMPARE(got[i].attributes, expected[i].attributes);
                QCOMPARE(got[i].text, expected[i].text);
            }
        }
    }
    void malformedXmlIsRefused_data() { test::addCaseRows(QStringLiteral("grid/xml/refused.tsv")); }
    void malformedXmlIsRefused()
    {
        QFETCH(QByteArray, xmlBytes);
        QFETCH(QString, fault);
        for (const qsizetype blockSize : { qsizetype(1), xmlBytes.size() }) {
            Fed fed(xmlBytes, blockSize);
            XlsxScanner::Token t;
            while ((t = fed.scanner.next()) != XlsxScanner::EndDocument && t != XlsxScanner::Invalid) { }
            QCOMPARE(t, XlsxScanner::Invalid);
            QCOMPARE(
                int(fed.scanner.fault()), test::choice(fault, { "none", "malformed", "document type", "too deep" }));
            QVERIFY(!fed.scanner.errorString().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestXlsxScanner)
#include "tst_xlsxscanner.moc"
