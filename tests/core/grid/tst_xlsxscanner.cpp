#include "core/grid/xlsxscanner.h"

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
    void tokensMatchAGeneralXmlReader_data();
    void tokensMatchAGeneralXmlReader();
    void malformedXmlIsRefused_data();
    void malformedXmlIsRefused();
};

void TestXlsxScanner::tokensMatchAGeneralXmlReader_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::newRow("a sheet row with inline, shared and number cells")
        << QByteArray(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                      "\n<worksheet xmlns=\"urn:main\" xmlns:r=\"urn:rel\"><sheetData><row r=\"1\" spans=\"1:3\">"
                      R"(<c r="A1" t="inlineStr"><is><t>Acme</t></is></c><c t="s" r="B1"><v>0</v></c>)"
                      R"(<c r="C1" s='2'><v>3.25</v></c><c r="D1"/></row></sheetData></worksheet>)");
    QTest::newRow("entities and character references in text and attributes")
        << QByteArray(R"(<t a="&lt;&amp;&#x41;&quot;">Fish &amp; Chips &lt;&gt; &apos;&#233;&#x1F600;&quot;</t>)");
    QTest::newRow("CDATA, comments and instructions inside text")
        << QByteArray("<t>a<![CDATA[<b>&amp;]]>b<!-- c --><?pi x?>c</t>");
    QTest::newRow("rich text runs with phonetic text and preserved white space")
        << QByteArray("<si><r><rPr><b/></rPr><t xml:space=\"preserve\">  Bold </t></r><r><t>\ttail\n</t></r>"
                      "<rPh sb=\"0\" eb=\"1\"><t>ふ</t></rPh></si>");
    QTest::newRow("inline strings: preserved spaces, empty texts, a phonetic tail")
        << QByteArray("<row><c><is><t xml:space=\"preserve\"> a </t></is></c><c><is><t/></is></c>"
                      "<c><is><t>b</t><rPh><t>c</t></rPh></is></c><c><is><t></t ></is ></c></row>");
    QTest::newRow("line ends in text and attributes become single characters")
        << QByteArray("<t v=\"a\r\nb\tc\">one\r\ntwo\rthree&#13;</t>");
    QTest::newRow("prefixed names and a byte-order mark")
        << QByteArray("\xEF\xBB\xBF<x:worksheet xmlns:x=\"urn:m\"><x:row x:r=\"2\"><x:c/></x:row></x:worksheet>");
    QTest::newRow("multi-byte characters at every block boundary")
        << QByteArray("<t>\xC3\xA9\xE6\x9D\xB1\xF0\x9F\x98\x80 M\xC3\xBCller</t>");
    QTest::newRow("a text longer than one piece, with references and line ends throughout")
        << QByteArray("<t>" + QByteArray("\xC3\xA9&amp;x\r\n").repeated(12'000) + "</t>");
}

void TestXlsxScanner::tokensMatchAGeneralXmlReader()
{
    QFETCH(QByteArray, xml);
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

void TestXlsxScanner::malformedXmlIsRefused_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("fault");
    const int malformed = int(XlsxScanner::Fault::Malformed);
    QTest::newRow("an end tag that does not match") << QByteArray("<a><b></a></b>") << malformed;
    QTest::newRow("an unknown entity") << QByteArray("<a>&bogus;</a>") << malformed;
    QTest::newRow("a reference to character zero") << QByteArray("<a>&#0;</a>") << malformed;
    QTest::newRow("'<' in an attribute value") << QByteArray("<a v=\"<\"/>") << malformed;
    QTest::newRow("an attribute given twice") << QByteArray("<a v=\"1\" v=\"2\"/>") << malformed;
    QTest::newRow("an unquoted attribute value") << QByteArray("<a v=1/>") << malformed;
    QTest::newRow("a second root element") << QByteArray("<a/><b/>") << malformed;
    QTest::newRow("text after the root element") << QByteArray("<a/>text") << malformed;
    QTest::newRow("a control character in text") << QByteArray("<a>\x01</a>") << malformed;
    QTest::newRow("bytes that are not UTF-8") << QByteArray("<a>\xC3\x28</a>") << malformed;
    QTest::newRow("a document cut inside a tag") << QByteArray("<a><b x=\"1") << malformed;
    QTest::newRow("a document cut inside text") << QByteArray("<a>text") << malformed;
    QTest::newRow("no element at all") << QByteArray("<?xml version=\"1.0\"?>") << malformed;
    QTest::newRow("a document type that could expand entities")
        << QByteArray("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>") << int(XlsxScanner::Fault::DocumentType);
    QTest::newRow("elements nested past the cap")
        << QByteArray("<a>").repeated(65) + QByteArray("</a>").repeated(65) << int(XlsxScanner::Fault::TooDeep);
}

void TestXlsxScanner::malformedXmlIsRefused()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, fault);
    for (const qsizetype blockSize : { qsizetype(1), xml.size() }) {
        Fed fed(xml, blockSize);
        XlsxScanner::Token t;
        while ((t = fed.scanner.next()) != XlsxScanner::EndDocument && t != XlsxScanner::Invalid) { }
        QCOMPARE(t, XlsxScanner::Invalid);
        QCOMPARE(int(fed.scanner.fault()), fault);
        QVERIFY(!fed.scanner.errorString().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestXlsxScanner)
#include "tst_xlsxscanner.moc"
