#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;

// What a workbook must give back exactly as the table held it.
class TestXlsxTextKept : public QObject
{
    Q_OBJECT

private slots:
    void tableComesBackUnchanged_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("text in the form of a character escape stays that text")
            << QStringList { QStringLiteral("Code"), QStringLiteral("Note") }
            << QStringList { QStringLiteral("_x0041_"), QStringLiteral("a_x005F_b _x12_ _xZZZZ_") };
        QTest::newRow("an empty last column under an empty title is kept")
            << QStringList { QStringLiteral("Name"), QString() } << QStringList { QStringLiteral("Acme"), QString() };
    }
    void tableComesBackUnchanged()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, cells);
        GridModel grid;
        grid.setCols(int(titles.size()));
        grid.setRows(2);
        for (int c = 0; c < titles.size(); ++c) {
            grid.setText(0, c, titles[c]);
            grid.setText(1, c, cells[c]);
        }
        const QString path = test::tempDir() + QStringLiteral("/kept.xlsx");
        QVERIFY(GridFile::save(grid, path, FileKind::Excel));
        GridModel back;
        QVERIFY(GridFile::load(back, path, FileKind::Excel));
        QCOMPARE(back.cols(), grid.cols());
        QCOMPARE(back.rowTexts(0), grid.rowTexts(0));
        QCOMPARE(back.rowTexts(1), grid.rowTexts(1));
    }
};

QTEST_GUILESS_MAIN(TestXlsxTextKept)
#include "tst_xlsxtextkept.moc"
