#include "core/table/longjobs.h"
#include "core/table/recordtable.h"
#include "support/gui/tablewindowfixture.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

class TestJobUndo : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(openWindow()); }
    void cleanup() { QCOMPARE(closeWindow(), 0); }

    // Work on a worker thread lands after its command returned; its step still bears the
    // command's name, not that of typing.
    void aCommandRunOffTheWindowsThreadNamesItsStep()
    {
        fillTable(4);
        for (int c = 0; c < fa().cols(); ++c)
            fa().setText(3, c, fa().text(1, c));
        m_window->table().jobs().setInlineBelow(0);
        QAction *undo = action(u"mnuEditUndo"_s);
        QTRY_COMPARE(undo->text(), u"&Undo Typing"_s);

        m_prompts->answers = { UserPrompts::Answer::Yes };
        action(u"mnuDelDup"_s)->trigger();
        QTRY_COMPARE(fa().rows(), 4);
        QTRY_COMPARE(undo->text(), u"&Undo Delete Duplicates"_s);
        undo->trigger();
        QCOMPARE(fa().rows(), 5);
    }
};

QTEST_MAIN(TestJobUndo)
#include "tst_jobundo.moc"
