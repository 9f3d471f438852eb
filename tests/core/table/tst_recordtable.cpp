#include "core/shell/programfolder.h"
#include "core/table/recordtable.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;

class TestRecordTable : public QObject
{
    Q_OBJECT

private:
    static QString namedFile() { return QStringLiteral("/data/lists/plumbers.tsy"); }

private slots:
    void newTableHasTheDefaultShape()
    {
        RecordTable t;
        t.buildNewTable();
        const GridModel &fa = t.fa();
        QCOMPARE(fa.rows(), 21);
        QCOMPARE(fa.cols(), 13);
        QCOMPARE(fa.fixedRows(), 1);
        QCOMPARE(fa.fixedCols(), 0);
        QCOMPARE(fa.rowTexts(0),
            (QStringList { QStringLiteral("Name"), QStringLiteral("Street"), QStringLiteral("City"),
                QStringLiteral("State"), QStringLiteral("Zip Code"), QStringLiteral("Phone"), {}, {}, {}, {}, {}, {},
                {} }));
        const QList<int> widths { 2500, 2500, 1000, 500, 1000, 1400, 2100, 2000 };
        for (int c = 0; c < widths.size(); ++c)
            QCOMPARE(fa.columnWidth(c), widths.at(c));
        QCOMPARE(fa.columnWidth(8), GridModel::kDefaultColumnWidth);
        for (int c = 0; c <= 10; ++c) {
            QCOMPARE(fa.columnAlignment(c), Alignment::LeftCenter);
            QCOMPARE(fa.columnDataType(c), DataType::String);
        }
        QCOMPARE(fa.columnAlignment(11), Alignment::General);
        QCOMPARE(fa.columnAlignment(12), Alignment::General);
        for (int r = 1; r < fa.rows(); ++r)
            QVERIFY(fa.rowTexts(r).join(QString()).isEmpty());
    }
    void newTableStateIsUntitledFreshAndUnchanged()
    {
        RecordTable t;
        QSignalSpy caption(&t, &RecordTable::captionChanged);
        t.setCurrentFile(namedFile());
        t.setCurrentKind(FileKind::Comma);
        t.MakeModified(true);
        t.buildNewTable();
        QCOMPARE(t.currentFile(), programFolder() + QStringLiteral("Untitled.tsy"));
        QVERIFY(t.isUntitled());
        QCOMPARE(t.currentKind(), FileKind::Native);
        QVERIFY(t.fresh());
        QVERIFY(!t.changed());
        QVERIFY(!t.saveEnabled());
        QCOMPARE(t.caption(), QStringLiteral("Dirquill -- Untitled.tsy"));
        QCOMPARE(caption.last().at(0).toString(), QStringLiteral("Dirquill -- Untitled.tsy"));
    }
    void newTableDropsEverythingOfTheOldTable()
    {
        RecordTable t;
        GridModel &fa = t.fa();
        t.buildNewTable();
        fa.setCols(30);
        fa.setRows(500);
        fa.setText(3, 2, QStringLiteral("left over"));
        fa.setColumnHidden(2, true);
        fa.setColumnFormat(4, QStringLiteral("0.00"));
        CellFormat bold;
        bold.bold = true;
        fa.setCellFormat(1, 1, bold);
        fa.setRowHeight(2, 900);
        t.buildNewTable();
        QCOMPARE(fa.cols(), 13);
        QCOMPARE(fa.rows(), 21);
        QVERIFY(fa.text(3, 2).isEmpty());
        QVERIFY(!fa.columnHidden(2));
        QVERIFY(fa.columnFormat(4).isEmpty());
        QVERIFY(!fa.hasAnyCellFormat());
        QCOMPARE(fa.rowHeight(2), GridModel::kDefaultRowHeight);
    }
    void changedFlagAndSaveState_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("saveEnabled");
        // Steps: e = cell edit, c = command that changes the table, g = grid change that
        // nobody reports, m = MakeModified(true), u = MakeModified(false), h = harvest.
        QTest::newRow("a cell edit on the untitled table sets changed but not Save") << false << "e" << true << false;
        QTest::newRow("a cell edit on a named file sets changed but not Save") << true << "e" << true << false;
        QTest::newRow("a command on the untitled table leaves Save off yet marks it changed")
            << false << "c" << true << false;
        QTest::newRow("a command on a named file makes Save available") << true << "c" << true << true;
        QTest::newRow("a command after a cell edit on a named file leaves Save off") << true << "ec" << true << false;
        QTest::newRow("a grid change nobody reports still marks the table changed") << false << "g" << true << false;
        QTest::newRow("a harvest into the untitled table marks it changed, Save stays off")
            << false << "h" << true << false;
        QTest::newRow("MakeModified true enables Save on the untitled table") << false << "m" << true << true;
        QTest::newRow("MakeModified false after edits clears both") << true << "ecu" << false << false;
        QTest::newRow("a command after a save on a named file makes Save available again")
            << true << "cuc" << true << true;
    }
    void changedFlagAndSaveState()
    {
        QFETCH(bool, named);
        QFETCH(QString, steps);
        RecordTable t;
        t.buildNewTable();
        if (named)
            t.setCurrentFile(namedFile());
        GridModel &fa = t.fa();
        for (const QChar step : steps) {
            switch (step.toLatin1()) {
            case 'e':
                fa.setText(1, 0, QStringLiteral("Acme"));
                t.setChangedDirectly();
                break;
            case 'c':
                fa.insertRow(1);
                t.markChangedByCommand();
                break;
            case 'g': {
                CellFormat f;
                f.italic = true;
                fa.setCellFormat(2, 2, f);
                break;
            }
            case 'h':
                t.dropFreshRows();
                fa.appendRows({ { QStringLiteral("Acme"), QStringLiteral("1 Main St") } });
                t.setChangedDirectly();
                break;
            case 'm':
                t.MakeModified(true);
                break;
            case 'u':
                t.MakeModified(false);
                break;
            }
        }
        QTEST(t.changed(), "changed");
        QTEST(t.saveEnabled(), "saveEnabled");
    }
    void saveStateIsSignalledOncePerChange()
    {
        RecordTable t;
        t.buildNewTable();
        QSignalSpy spy(&t, &RecordTable::saveEnabledChanged);
        t.MakeModified(true);
        t.MakeModified(true);
        t.MakeModified(false);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(1).at(0).toBool(), false);
    }
    void harvestIntoAFreshTableDropsThePlaceholderRowsOnce()
    {
        RecordTable t;
        t.buildNewTable();
        t.dropFreshRows();
        QCOMPARE(t.fa().rows(), 1);
        QVERIFY(!t.fresh());
        QCOMPARE(t.fa().text(0, 0), QStringLiteral("Name"));
        t.fa().appendRows({ { QStringLiteral("Acme") } });
        t.dropFreshRows();
        QCOMPARE(t.fa().rows(), 2);
    }
    void untitledPathIsComparedWithoutLetterCase()
    {
        RecordTable t;
        t.buildNewTable();
        t.setCurrentFile(programFolder() + QStringLiteral("UNTITLED.TSY"));
        QVERIFY(t.isUntitled());
        t.setCurrentFile(programFolder() + QStringLiteral("Untitled2.tsy"));
        QVERIFY(!t.isUntitled());
    }
    void fileNameAndFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");
        QTest::newRow("a drive, a folder and a file name") << "C:\\Lists\\dentists.tsy"
                                                           << "dentists.tsy"
                                                           << "C:\\Lists\\";
        QTest::newRow("a slash path") << "/home/ann/lists/dentists.csv"
                                      << "dentists.csv"
                                      << "/home/ann/lists/";
        QTest::newRow("a bare file name has neither") << "dentists.tsy"
                                                      << ""
                                                      << "";
        QTest::newRow("mixed separators split at the last one") << "/home/ann\\lists/a.txt"
                                                                << "a.txt"
                                                                << "/home/ann\\lists/";
        QTest::newRow("a backslash after the last slash wins") << "/home/ann/lists\\a.txt"
                                                               << "a.txt"
                                                               << "/home/ann/lists\\";
        QTest::newRow("a folder path ending in a separator has no file name") << "/home/ann/"
                                                                              << ""
                                                                              << "/home/ann/";
        QTest::newRow("the empty path") << ""
                                        << ""
                                        << "";
    }
    void fileNameAndFolder()
    {
        QFETCH(QString, path);
        QTEST(RecordTable::FileNameOf(path), "fileName");
        QTEST(RecordTable::FolderOf(path), "folder");
    }
};

QTEST_GUILESS_MAIN(TestRecordTable)
#include "tst_recordtable.moc"
