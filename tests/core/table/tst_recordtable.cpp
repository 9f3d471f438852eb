#include "core/shell/programfolder.h"
#include "core/table/recordtable.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;

class TestRecordTable : public QObject
{
    Q_OBJECT

private slots:
    void newTableIsTheDefaultUntitledTableWhateverCameBefore()
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
        t.setCurrentFile(QStringLiteral("/data/lists/plumbers.tsy"));
        t.setCurrentKind(FileKind::Comma);
        t.MakeModified(true);
        QSignalSpy caption(&t, &RecordTable::captionChanged);

        t.buildNewTable();
        QCOMPARE(fa.rows(), 21);
        QCOMPARE(fa.cols(), 13);
        QCOMPARE(fa.fixedRows(), 1);
        QCOMPARE(fa.fixedCols(), 0);
        QCOMPARE(fa.rowTexts(0).join(u'|'), QStringLiteral("Name|Street|City|State|Zip Code|Phone|||||||"));
        const QList<int> widths { 2500, 2500, 1000, 500, 1000, 1400, 2100, 2000, GridModel::kDefaultColumnWidth };
        for (int c = 0; c < fa.cols(); ++c) {
            QCOMPARE(fa.columnWidth(c), widths.value(c, GridModel::kDefaultColumnWidth));
            QCOMPARE(fa.columnAlignment(c), c <= 10 ? Alignment::LeftCenter : Alignment::General);
            QCOMPARE(fa.columnAttributes(c).hidden, false);
            QCOMPARE(fa.columnAttributes(c).format, QString());
            QCOMPARE(fa.columnDataType(c), DataType::String);
        }
        for (int r = 1; r < fa.rows(); ++r)
            QVERIFY(fa.rowTexts(r).join(QString()).isEmpty());
        QVERIFY(!fa.hasAnyCellFormat());
        QCOMPARE(fa.rowHeight(2), GridModel::kDefaultRowHeight);

        QCOMPARE(t.currentFile(), programFolder() + QStringLiteral("Untitled.tsy"));
        QCOMPARE(t.currentKind(), FileKind::Native);
        QVERIFY(t.isUntitled() && t.fresh() && !t.changed() && !t.saveEnabled());
        QCOMPARE(caption.last().at(0).toString(), QStringLiteral("Dirquill -- Untitled.tsy"));
        t.setCurrentFile(programFolder() + QStringLiteral("UNTITLED.TSY")); // letter case does not matter
        QVERIFY(t.isUntitled());
        t.setCurrentFile(programFolder() + QStringLiteral("Untitled2.tsy"));
        QVERIFY(!t.isUntitled());
    }
    void changedFlagAndSaveState_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("saveEnabled");
        // Steps: e = cell edit, c = command that changes the table, g = grid change that
        // nobody reports, m = MakeModified(true), u = MakeModified(false), h = harvest.
        const struct
        {
            const char *name;
            bool named;
            const char *steps;
            bool changed, saveEnabled;
        } rows[] = {
            { "a cell edit on the untitled table sets changed but not Save", false, "e", true, false },
            { "a cell edit on a named file sets changed but not Save", true, "e", true, false },
            { "a command on the untitled table leaves Save off yet marks it changed", false, "c", true, false },
            { "a command on a named file makes Save available", true, "c", true, true },
            { "a command after a cell edit on a named file leaves Save off", true, "ec", true, false },
            { "a grid change nobody reports still marks the table changed", false, "g", true, false },
            { "a harvest into the untitled table marks it changed, Save stays off", false, "h", true, false },
            { "MakeModified true, twice, enables Save on the untitled table", false, "mm", true, true },
            { "MakeModified false after edits clears both", true, "ecu", false, false },
            { "a command after a save on a named file makes Save available again", true, "cuc", true, true },
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.named << QString::fromLatin1(row.steps) << row.changed << row.saveEnabled;
    }
    void changedFlagAndSaveState()
    {
        QFETCH(bool, named);
        QFETCH(QString, steps);
        RecordTable t;
        t.buildNewTable();
        if (named)
            t.setCurrentFile(QStringLiteral("/data/lists/plumbers.tsy"));
        QSignalSpy saveState(&t, &RecordTable::saveEnabledChanged);
        GridModel &fa = t.fa();
        for (const QChar step : steps) {
            if (step == u'e') {
                fa.setText(1, 0, QStringLiteral("Acme"));
                t.setChangedDirectly();
            } else if (step == u'c') {
                fa.insertRow(1);
                t.markChangedByCommand();
            } else if (step == u'g') {
                CellFormat f;
                f.italic = true;
                fa.setCellFormat(2, 2, f);
            } else if (step == u'h') {
                t.dropFreshRows();
                fa.appendRows({ { QStringLiteral("Acme"), QStringLiteral("1 Main St") } });
                t.setChangedDirectly();
            } else {
                t.MakeModified(step == u'm');
            }
        }
        QTEST(t.changed(), "changed");
        QTEST(t.saveEnabled(), "saveEnabled");
        // Only real changes of the Save state are signalled, each with the new state.
        bool shown = false;
        for (const QList<QVariant> &signal : saveState) {
            QVERIFY(signal.at(0).toBool() != shown);
            shown = signal.at(0).toBool();
        }
        QCOMPARE(shown, t.saveEnabled());
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
    void fileNameAndFolder()
    {
        const struct
        {
            const char *path, *fileName, *folder;
        } rows[] = {
            { "C:\\Lists\\dentists.tsy", "dentists.tsy", "C:\\Lists\\" },
            { "/home/ann/lists/dentists.csv", "dentists.csv", "/home/ann/lists/" },
            { "dentists.tsy", "", "" }, // a bare file name has neither
            { "/home/ann\\lists/a.txt", "a.txt", "/home/ann\\lists/" }, // split at the last separator
            { "/home/ann/lists\\a.txt", "a.txt", "/home/ann/lists\\" },
            { "/home/ann/", "", "/home/ann/" },
            { "", "", "" },
        };
        for (const auto &row : rows) {
            const QString path = QString::fromLatin1(row.path);
            QCOMPARE(RecordTable::FileNameOf(path), QString::fromLatin1(row.fileName));
            QCOMPARE(RecordTable::FolderOf(path), QString::fromLatin1(row.folder));
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordTable)
#include "tst_recordtable.moc"
