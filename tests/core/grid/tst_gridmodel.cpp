#include "core/grid/gridmodel.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;

class TestGridModel : public QObject
{
    Q_OBJECT

private slots:
    void growingAndShrinkingKeepsText();
    void clipSetIsBoundedBySelection_data();
    void clipSetIsBoundedBySelection();
    void sortIsStableAndCaseSensitive();
};

void TestGridModel::growingAndShrinkingKeepsText()
{
    GridModel m;
    m.setCols(3);
    m.setRows(4);
    m.setText(1, 2, QStringLiteral("x"));
    m.setRows(10);
    QCOMPARE(m.text(1, 2), QStringLiteral("x"));
    m.setCols(2);
    m.setCols(3);
    QCOMPARE(m.text(1, 2), QString());
    m.setText(50, 0, QStringLiteral("out of range")); // ignored
    QCOMPARE(m.rows(), 10);
}

void TestGridModel::clipSetIsBoundedBySelection_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<QString>("expected");

    QTest::newRow("a two by three block into one cell fills only that cell")
        << QStringLiteral("a\tb\tc\rd\te\tf") << 1 << 1 << QStringLiteral("a");
    QTest::newRow("CR LF breaks rows like CR")
        << QStringLiteral("a\tb\r\nc\td") << 2 << 2 << QStringLiteral("a\tb\rc\td");
    QTest::newRow("a short clip leaves the rest of the selection alone")
        << QStringLiteral("a") << 2 << 2 << QStringLiteral("a\t-\r-\t-");
}

void TestGridModel::clipSetIsBoundedBySelection()
{
    QFETCH(QString, clip);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(QString, expected);

    GridModel m;
    m.setCols(5);
    m.setRows(5);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            m.setText(r, c, QStringLiteral("-"));
    const GridRange range{1, 1, rows, cols};
    m.setClip(range, clip);
    QCOMPARE(m.clip(range), expected);
    QCOMPARE(m.text(rows + 1, 1), QStringLiteral("-"));
}

void TestGridModel::sortIsStableAndCaseSensitive()
{
    GridModel m;
    m.setCols(2);
    m.setRows(5);
    const QStringList keys{QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("a"), QStringLiteral("b")};
    for (int i = 0; i < keys.size(); ++i) {
        m.setText(i + 1, 0, keys[i]);
        m.setText(i + 1, 1, QString::number(i));
    }
    QSignalSpy after(&m, &GridModel::afterSort);
    m.sort(0, 0, Qt::AscendingOrder);
    QCOMPARE(after.count(), 1);
    QStringList got;
    for (int r = 1; r < 5; ++r)
        got << m.text(r, 0) + m.text(r, 1);
    QCOMPARE(got, (QStringList{QStringLiteral("B1"), QStringLiteral("a2"), QStringLiteral("b0"), QStringLiteral("b3")}));
}

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
