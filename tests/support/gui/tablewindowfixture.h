#pragma once

#include "app/shell/frmmain.h"
#include "core/grid/gridmodel.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QAction>
#include <QTest>

#include <memory>

namespace dq::test {

// A loaded main window on a fresh program folder whose questions go to ScriptedPrompts.
// Test classes derive from it and call openWindow() from init(), closeWindow() from cleanup().
class TableWindowFixture
{
protected:
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_window;
    QString m_home;

    bool openWindow(bool showTips = false)
    {
        m_home = useFreshProgramHome();
        if (m_home.isEmpty())
            return false;
        m_prompts = std::make_unique<ScriptedPrompts>();
        m_window = std::make_unique<frmMain>(*m_prompts, showTips);
        return m_window->load();
    }

    // Returns how many questions came that no test scripted an answer for.
    int closeWindow()
    {
        m_window.reset();
        const int unexpected = m_prompts ? m_prompts->unexpected : 0;
        m_prompts.reset();
        return unexpected;
    }

    GridModel &fa() { return m_window->table().fa(); }
    QAction *action(const QString &name) const { return m_window->findChild<QAction *>(name); }

    // Cells read "r<row>c<col>" so any move or loss shows.
    void fillTable(int dataRows)
    {
        fa().setRows(dataRows + 1);
        for (int r = 1; r <= dataRows; ++r)
            for (int c = 0; c < fa().cols(); ++c)
                fa().setText(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
    }

    bool showWindow()
    {
        m_window->show();
        return QTest::qWaitForWindowActive(m_window.get());
    }

    // Gives the table a file name and a clean changed flag, as after a save.
    void useNamedFile()
    {
        m_window->table().setCurrentFile(m_home + QStringLiteral("/list.tsy"));
        m_window->table().MakeModified(false);
    }
};

} // namespace dq::test
