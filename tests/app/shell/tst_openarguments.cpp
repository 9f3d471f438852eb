// A table named on the program's command line, as the desktop entry passes it with %f.

#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTabWidget>
#include <QTest>

using namespace dq;

class TestOpenArguments : public QObject
{
    Q_OBJECT

private slots:
    void opensTheNamedTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("relative");
        QTest::newRow("a native table by its full path") << QStringLiteral("list.tsy") << false;
        QTest::newRow("a comma table named from the working folder") << QStringLiteral("list.csv") << true;
    }
    void opensTheNamedTable()
    {
        QFETCH(QString, name);
        QFETCH(bool, relative);
        QVERIFY(!test::useFreshProgramHome().isEmpty());
        const QString dir = test::tempDir();
        GridModel table;
        table.setRows(2);
        table.setCols(2);
        table.setText(1, 0, QStringLiteral("Acme Plumbing"));
        QVERIFY(GridFile::save(table, dir + u'/' + name, GridFile::kindForPath(name)));
        QVERIFY(QDir::setCurrent(dir));

        test::ScriptedPrompts prompts;
        frmMain w(prompts);
        QVERIFY(w.load());
        QVERIFY(w.openArguments({ relative ? name : dir + u'/' + name, QStringLiteral("ignored.tsy") }));
        QCOMPARE(w.table().currentFile(), QDir(dir).absoluteFilePath(name));
        QCOMPARE(w.table().fa().text(1, 0), QStringLiteral("Acme Plumbing"));
        QCOMPARE(test::named<QTabWidget>(w, "tabMain")->currentIndex(), frmMain::kTabResults);
        QCOMPARE(prompts.unexpected, 0);
    }
};

QTEST_MAIN(TestOpenArguments)
#include "tst_openarguments.moc"
