#include "app/harvest/searchcolormenu.h"

#include <QAction>
#include <QMenu>
#include <QTest>

using namespace dq;

// The browser Tools menu's search font colour entries: three toggles and "Normal".
class TestSearchColorMenu : public QObject
{
    Q_OBJECT

private slots:
    void normalClearsEveryAddedColour()
    {
        QMenu tools;
        addSearchColorMenu(&tools);
        QList<QAction *> toggles;
        for (int i = 1; i <= 3; ++i) {
            auto *a = tools.findChild<QAction *>(QStringLiteral("mnuAltColor_%1").arg(i));
            QVERIFY(a);
            QVERIFY(!a->isChecked());
            a->trigger();
            QVERIFY(a->isChecked());
            toggles << a;
        }
        QCOMPARE(
            toggles[0]->text() + toggles[1]->text() + toggles[2]->text(), QStringLiteral("Add BlueAdd RedAdd Green"));
        toggles[1]->trigger();
        QVERIFY(!toggles[1]->isChecked());

        tools.findChild<QAction *>(QStringLiteral("mnuAltColorBlack"))->trigger();
        for (QAction *a : toggles)
            QVERIFY(!a->isChecked());
    }
};

QTEST_MAIN(TestSearchColorMenu)
#include "tst_searchcolormenu.moc"
