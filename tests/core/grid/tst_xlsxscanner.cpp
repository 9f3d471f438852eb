#include "core/grid/xlsxscanner.h"
#include "support/casetable.h"

#include <QTest>
#include <QXmlStreamReader>

using namespace dq;

namespace {

// Every token as one line: "<name", then "\x1f" attribute=value for each attribute, ">name" for an
// end, "'" and the text for text merged the way a reader sees it. Names are local names.
QStringList referenceEvents(const QByteArray &xml)
{
    QXmlStreamReader r(xml);
    r.setNamespaceProcessing(false);
    QStringList out;
    int depth = 0;
    while (!r.atEnd()) {
        const auto t = r.readNext();
        const QString name = r.name().toString().section(u':', -1);
        if (t == QXmlStreamReader::StartElement) {
            ++depth;
            QString e = u'<' + name;
            for (const QXmlStreamAttribute &a : r.attributes())
                if (!a.qualifiedName().startsWith(u"xmlns"))
                    e += u'\x1f' + a.name().toString().section(u':', -1) + u'=' + a.value();
            out << e;
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
            out << u'>' + name;
        } else if (t == QXmlStreamReader::Characters && depth > 0) {
            if (out.last().startsWith(u'\''))
                out.last() += r.text();
            else
                out << u'\'' + r.text();
        }
    }
    if (r.hasError())
        out << u'!' + r.errorString();
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
        const QStringList expected = referenceEvents(xmlBytes);
        QVERIFY(!expected.isEmpty() && !expected.last().startsWith(u'!'));
        // Byte by byte is quadratic on long text runs; those get bigger blocks.
        const QList<qsizetype> blockSizes = xmlBytes.size() < 4096 ? QList<qsizetype> { 1, 7, xmlBytes.size() }
                                                                   : QList<qsizetype> { 4093, xmlBytes.size() };
        for (const qsizetype blockSize : blockSizes) {
            Fed fed(xmlBytes, blockSize, blockSize % 2 ? 5 : 0); // markup split between blocks joins in either way
            XlsxScanner &x = fed.scanner;
            QStringList got;
            // The attributes the reference found at this token, as "\x1f" name=value.
            const auto expectedAttributes = [&] { return expected.value(got.size()).split(u'\x1f').mid(1); };
            const auto text = [&](const QString &t) {
                if (!got.isEmpty() && got.last().startsWith(u'\''))
                    got.last() += t;
                else
                    got << u'\'' + t;
            };
            XlsxScanner::Token t;
            while ((t = x.next()) != XlsxScanner::EndDocument && t != XlsxScanner::Invalid) {
                const QString name = QString::fromUtf8(x.name());
                if (t == XlsxScanner::StartElement) {
                    // The scanner answers for the attributes the reference found, and for no other.
                    QString e = u'<' + name;
                    for (const QString &a : expectedAttributes()) {
                        const QString attr = a.section(u'=', 0, 0);
                        e += u'\x1f' + attr + u'=' + QString::fromUtf8(x.attribute(QByteArrayView(attr.toUtf8())));
                    }
                    QVERIFY(!x.hasAttribute("missing"));
                    got << e;
                    // Reading an element's text in one go gives the same tokens.
                    if (x.readWrappedText("t")) {
                        got << (QStringList { u"<t"_qs } + expectedAttributes()).join(u'\x1f');
                        if (!x.text().isEmpty())
                            text(QString::fromUtf8(x.text()));
                        got << u">t"_qs << u'>' + name;
                    } else if (x.readTextContent()) {
                        if (!x.text().isEmpty())
                            text(QString::fromUtf8(x.text()));
                        got << u'>' + name;
                    }
                } else if (t == XlsxScanner::EndElement) {
                    got << u'>' + name;
                } else {
                    text(QString::fromUtf8(x.text()));
                }
            }
            QVERIFY2(t == XlsxScanner::EndDocument, qPrintable(x.errorString()));
            QCOMPARE(got, expected);
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
