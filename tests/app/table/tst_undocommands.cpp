#include "support/gui/tablewindowfixture.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

class TestUndoCommands : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(openWindow()); }
    void cleanup() { QCOMPARE(closeWindow(), 0); }

    // A newcomer's slip: Delete Duplicates on a saved list, taken back with Ctrl+Z.
    void aMenuCommandIsOneNamedStepBackToTheSavedState()
    {
        fillTable(4);
        fa().setText(3, 0, fa().text(1, 0));
        for (int c = 1; c < fa().cols(); ++c)
            fa().setText(3, c, fa().text(1, c));
        useNamedFile();
        QAction *undo = action(u"mnuEditUndo"_s);
        QAction *redo = action(u"mnuEditRedo"_s);
        QTRY_COMPARE(undo->text(), u"&Undo Typing"_s);
        const QStringList before = fa().rowTexts(3);

        m_prompts->answers = { UserPrompts::Answer::Yes };
        action(u"mnuDelDup"_s)->trigger();
        QCOMPARE(fa().rows(), 4);
        QTRY_COMPARE(undo->text(), u"&Undo Delete Duplicates"_s);
        QVERIFY(m_window->table().changed());

        undo->trigger();
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(fa().rowTexts(3), before);
        QVERIFY(!m_window->table().changed());
        QCOMPARE(redo->text(), u"&Redo Delete Duplicates"_s);
        QVERIFY(redo->isEnabled());

        redo->trigger();
        QCOMPARE(fa().rows(), 4);
        QVERIFY(m_window->table().changed());

        m_prompts->answers = { UserPrompts::Answer::No }; // New: do not save
        action(u"mnuNew"_s)->trigger();
        QVERIFY(!undo->isEnabled());
        QCOMPARE(undo->text(), u"&Undo"_s);
    }
};

QTEST_MAIN(TestUndoCommands)
#include "tst_undocommands.moc"
