#include "core/shell/programfolder.h"
#include "core/table/recordtable.h"
#include "support/casetable.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

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
        fa.setText(3, 2, u"left over"_s);
        fa.setColumnHidden(2, true);
        fa.setColumnFormat(4, u"0.00"_s);
        CellFormat bold;
        bold.bold = true;
        fa.setCellFormat(1, 1, bold);
        fa.setRowHeight(2, 900);
        t.setCurrentFile(u"/data/lists/plumbers.tsy"_s);
        t.setCurrentKind(FileKind::Comma);
        t.MakeModified(true);
        QSignalSpy caption(&t, &RecordTable::captionChanged);

        t.buildNewTable();
        QCOMPARE(fa.rows(), 21);
        QCOMPARE(fa.fixedRows(), 1);
        QCOMPARE(fa.rowTexts(0).join(u'|'), u"Name|Street|City|State|Zip Code|Phone|||||||"_s);
        const QList<int> widths { 2500, 2500, 1000, 500, 1000, 1400, 2100, 2000 };
        for (int c = 0; c < fa.cols(); ++c) { // nothing hidden, formatted or typed is left over
            ColumnAttributes expected;
            expected.width = widths.value(c, GridModel::kDefaultColumnWidth);
            expected.alignment = c <= 10 ? Alignment::LeftCenter : Alignment::General;
            QCOMPARE(fa.columnAttributes(c), expected);
        }
        for (int r = 1; r < fa.rows(); ++r)
            QVERIFY(fa.rowTexts(r).join(QString()).isEmpty());
        QVERIFY(!fa.hasAnyCellFormat());
        QCOMPARE(fa.rowHeight(2), GridModel::kDefaultRowHeight);

        QCOMPARE(t.currentFile(), programFolder() + u"Untitled.tsy"_s);
        QCOMPARE(t.currentKind(), FileKind::Native);
        QVERIFY(t.isUntitled() && t.fresh() && !t.changed() && !t.saveEnabled());
        QCOMPARE(caption.last().at(0).toString(), u"Dirquill -- Untitled.tsy"_s);
        t.setCurrentFile(programFolder() + u"UNTITLED.TSY"_s); // letter case does not matter
        QVERIFY(t.isUntitled());
        t.setCurrentFile(programFolder() + u"Untitled2.tsy"_s);
        QVERIFY(!t.isUntitled());

        // A harvest into a fresh table drops its placeholder rows, once.
        t.dropFreshRows();
        QCOMPARE(fa.rows(), 1);
        QVERIFY(!t.fresh());
        fa.appendRows({ { u"Acme"_s } });
        t.dropFreshRows();
        QCOMPARE(fa.rows(), 2);
    }
    // Steps: e = cell edit, c = command that changes the table, g = grid change that nobody
    // reports, m = MakeModified(true), u = MakeModified(false), h = harvest.
    void changedFlagAndSaveState_data() { test::addCaseRows(u"table/recordtable/changed.tsv"_s); }
    void changedFlagAndSaveState()
    {
        QFETCH(QString, file);
        QFETCH(QString, steps);
        RecordTable t;
        t.buildNewTable();
        if (file == u"named")
            t.setCurrentFile(u"/data/lists/plumbers.tsy"_s);
        QSignalSpy saveState(&t, &RecordTable::saveEnabledChanged);
        GridModel &fa = t.fa();
        for (const QChar step : steps) {
            if (step == u'e') {
                fa.setText(1, 0, u"Acme"_s);
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
                fa.appendRows({ { u"Acme"_s, u"1 Main St"_s } });
                t.setChangedDirectly();
            } else {
                t.MakeModified(step == u'm');
            }
        }
        QTEST(QString::fromLatin1(t.changed() ? "yes" : "no"), "changed");
        QTEST(QString::fromLatin1(t.saveEnabled() ? "yes" : "no"), "saveEnabled");
        // Only real changes of the Save state are signalled, each with the new state.
        bool shown = false;
        for (const QList<QVariant> &signal : saveState) {
            QVERIFY(signal.at(0).toBool() != shown);
            shown = signal.at(0).toBool();
        }
        QCOMPARE(shown, t.saveEnabled());
    }
    void fileNameAndFolder_data() { test::addCaseRows(u"table/recordtable/paths.tsv"_s); }
    void fileNameAndFolder()
    {
        QFETCH(QString, path);
        QTEST(RecordTable::FileNameOf(path), "fileName");
        QTEST(RecordTable::FolderOf(path), "folder");
    }
};

QTEST_GUILESS_MAIN(TestRecordTable)
#include "tst_recordtable.moc"
