#include "core/grid/gridchangelog.h"
#include "core/grid/gridmodel.h"
#include "core/table/datatools.h"
#include "support/gridtext.h"

#include <QTest>

using namespace dq;

namespace {

// Texts separated by "|"; "" is no text at all.
QStringList texts(const char *joined)
{
    return *joined ? QString::fromUtf8(joined).split(QLatin1Char('|')) : QStringList {};
}

} // namespace

// Parse Phone Column keeps, for undo, only the old texts of the columns it fills, of the rows
// it changes; taking it back and doing it again gives exactly the tables before and after.
class TestColumnTextsUndo : public QObject
{
    Q_OBJECT

private slots:
    void parsePhoneKeepsOnlyTheFilledColumns_data()
    {
        QTest::addColumn<int>("cols");
        QTest::addColumn<QStringList>("phones"); // column 6 of rows 1..n
        QTest::addColumn<QStringList>("filled"); // column 9 of the same rows before
        QTest::addColumn<QList<int>>("recorded"); // rows whose old texts the step keeps

        QTest::newRow("rows already parsed cost nothing")
            << 13 << texts("555-0101|555-0102; 555-0109 (fax)") << texts("555-0101|") << QList<int> { 0, 2 };
        QTest::newRow("old texts in the filled columns come back")
            << 13 << texts("|555-0102") << texts("old phone|old") << QList<int> { 0, 1, 2 };
        QTest::newRow("a wider table is cut to thirteen columns and gets them back")
            << 16 << texts("555-0101") << texts("") << QList<int> { 0, 1 };
        QTest::newRow("a narrower table grows to thirteen columns and loses them again")
            << 7 << texts("555-0101    800-555-0100  (toll-free)") << QStringList {} << QList<int> { 0, 1 };
    }

    void parsePhoneKeepsOnlyTheFilledColumns()
    {
        QFETCH(int, cols);
        QFETCH(QStringList, phones);
        QFETCH(QStringList, filled);
        QFETCH(QList<int>, recorded);
        GridModel fa;
        fa.setFixedRows(1);
        fa.setCols(cols);
        fa.setRows(1 + int(phones.size()));
        for (int c = 0; c < cols; ++c)
            fa.setText(0, c, QStringLiteral("Title %1").arg(c));
        for (int r = 1; r < fa.rows(); ++r) {
            fa.setText(r, 0, QStringLiteral("Name %1 with a long street text to keep out of the record").arg(r));
            fa.setText(r, 5, phones.at(r - 1));
            if (r - 1 < filled.size())
                fa.setText(r, 8, filled.at(r - 1));
            fa.setText(r, cols - 1, QStringLiteral("last %1").arg(r));
        }
        const QByteArray before = test::nativeState(fa);

        GridChangeLog log;
        fa.setChangeLog(&log);
        DataTools::splitPhoneColumn(fa);
        fa.setChangeLog(nullptr);
        const QByteArray after = test::nativeState(fa);
        QCOMPARE(fa.cols(), DataTools::kRecordColumns);

        const change::ColumnTexts *record = nullptr;
        for (const GridChange &c : log.changes)
            if (const auto *t = std::get_if<change::ColumnTexts>(&c))
                record = t;
        QVERIFY(record);
        QCOMPARE(record->first, DataTools::kParsedPhoneCol);
        QCOMPARE(record->last, DataTools::kParsedTollFreeCol);
        QCOMPARE(QList<int>(record->rows.begin(), record->rows.end()), recorded);
        QVERIFY(!record->text.contains("long street"));

        GridChangeLog redo;
        fa.setChangeLog(&redo);
        fa.revert(std::move(log));
        QCOMPARE(test::nativeState(fa), before);
        GridChangeLog again;
        fa.setChangeLog(&again);
        fa.revert(std::move(redo));
        QCOMPARE(test::nativeState(fa), after);
        fa.setChangeLog(nullptr);
        fa.revert(std::move(again));
        QCOMPARE(test::nativeState(fa), before);
    }
};

QTEST_GUILESS_MAIN(TestColumnTextsUndo)
#include "tst_columntextsundo.moc"
