// One test over every folder in tests/data/sites: a saved result page (page.html), the key file
// that cuts it (rules.key), the address it came from as a fetch leaves it (address.txt), the rows
// it must give (expected.csv, titles first) and the next page's address (next.txt, empty when
// the run ends there). Adding a case is adding a folder.
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/extractor.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/pagefetcher.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace dq;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestGoldenSites : public QObject
{
    Q_OBJECT

private slots:
    void cases_data()
    {
        QTest::addColumn<QString>("folder");
        const QDir root(QStringLiteral(DQ_TEST_DATA_DIR "/sites"));
        const QStringList folders = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        QVERIFY2(folders.size() >= 5, "the golden folders are missing");
        for (const QString &name : folders)
            QTest::newRow(qPrintable(name)) << root.filePath(name);
    }
    void cases()
    {
        QFETCH(QString, folder);
        GridModel key;
        const FileResult keyLoaded = GridFile::load(key, folder + u"/rules.key"_qs, FileKind::Native);
        QVERIFY2(keyLoaded, qPrintable(keyLoaded.errorString));
        GridModel expected;
        const FileResult expectedLoaded = GridFile::load(expected, folder + u"/expected.csv"_qs, FileKind::Comma);
        QVERIFY2(expectedLoaded, qPrintable(expectedLoaded.errorString));
        const QString page = PageFetcher::decode(readFile(folder + u"/page.html"_qs), QByteArray());
        QVERIFY(!page.isEmpty());

        const KeyRules rules = KeyRules::fromGrid(key);
        Extractor::RunState state;
        state.address = QString::fromUtf8(readFile(folder + u"/address.txt"_qs)).trimmed();
        const QString address = state.address;
        const Extractor::PageResult result = Extractor::extractPage(rules, page, state);

        GridModel table;
        table.setCols(13);
        table.setRows(1);
        for (const auto &[column, title] : rules.titles)
            table.setText(0, column, title);
        table.appendRows(result.rows);

        QCOMPARE(table.rows(), expected.rows());
        for (int r = 0; r < expected.rows(); ++r)
            QCOMPARE(table.rowTexts(r), expected.rowTexts(r));

        const QString next = QString::fromUtf8(readFile(folder + u"/next.txt"_qs)).trimmed();
        if (next.isEmpty()) {
            QVERIFY(result.end != Extractor::End::None);
            QCOMPARE(state.address, address);
        } else {
            QCOMPARE(result.end, Extractor::End::None);
            QCOMPARE(state.address, next);
        }
    }
};

QTEST_GUILESS_MAIN(TestGoldenSites)
#include "tst_goldensites.moc"
