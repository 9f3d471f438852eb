// How the main window answers while it works on a big table.
//
//   bench_ui DIR     DIR holds listings.tsy/.csv (the big table) and dups/listings.tsy (its
//                    first rows again), as bench_grid make writes them
//
// Drives the window offscreen through the long commands, with a 10 ms heartbeat timer on the
// event loop. Prints, per command, its wall time and the longest gap between heartbeats (the
// longest time the window could not answer), then the process's peak memory. Before New, labels and
// the sheet of every row are previewed and printed to PDF files from the print dialogs.

#include "app/grid/gridview.h"
#include "app/print/printpreviewdialog.h"
#include "app/shell/frmmain.h"
#include "app/table/frmsearch.h"
#include "core/grid/gridmodel.h"
#include "core/shell/userprompts.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace dq;

namespace {

// Answers every question: files from a queue, Yes/Ok to every message.
class BenchPrompts : public UserPrompts
{
public:
    QStringList files;

    Answer message(const QString &, const QString &, Icon, Buttons buttons) override
    {
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    bool input(const QString &, const QString &, QString &) override { return false; }
    QString openFileName(const QString &, const QString &, const QString &) override { return next(); }
    QString saveFileName(const QString &, const QString &, const QString &) override { return next(); }
    QColor color(const QColor &) override { return {}; }

private:
    QString next() { return files.isEmpty() ? QString() : files.takeFirst(); }
};

qint64 statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

class Heartbeat
{
public:
    Heartbeat()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_maxGap = qMax(m_maxGap, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void reset()
    {
        m_last = m_clock.elapsed();
        m_maxGap = 0;
    }
    qint64 maxGap() const { return m_maxGap; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_maxGap = 0;
};

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs a command and waits until the window has finished it: at once for a command that
// works while the user waits, or until the window's long-work runner is idle again.
void measure(frmMain &window, Heartbeat &beat, const char *name, const std::function<void()> &command)
{
    spin(30);
    beat.reset();
    QElapsedTimer t;
    t.start();
    command();
    QObject *runner = window.findChild<QObject *>(QStringLiteral("longWork"));
    while (runner && runner->property("busy").toBool())
        spin(5);
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    spin(30); // one more heartbeat, so a blocked loop shows as a gap
    std::printf("%-28s %8.3f s   longest gap %6lld ms   rows %8d   rss %5.0f MB   peak %5.0f MB\n", name, seconds,
        static_cast<long long>(beat.maxGap()), window.table().fa().rows(), double(statusKb("VmRSS:")) / 1024.0,
        double(statusKb("VmHWM:")) / 1024.0);
    std::fflush(stdout);
}

void trigger(frmMain &window, const char *action)
{
    if (QAction *a = window.findChild<QAction *>(QLatin1String(action)))
        a->trigger();
    else
        std::fprintf(stderr, "no action %s\n", action);
}

// Opens a print dialog from its menu entry, prints every row with "All", waits for the preview's
// first page, prints the pages to a PDF file from the preview (which closes when done) and
// closes the print dialog. Every step runs from a timer, as the dialogs are modal.
void printFromDialog(frmMain &window, const char *action, const QString &pdf)
{
    QTimer poll;
    poll.setInterval(20);
    bool clicked = false;
    bool printed = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *preview = qobject_cast<PrintPreviewDialog *>(modal)) {
            if (printed || preview->pageCount() == 0)
                return;
            printed = true;
            // Prints once the pages are counted, then closes itself.
            preview->setOutputFileName(pdf);
            preview->print();
            return;
        }
        if (modal->objectName() != QLatin1String("frmReportOptions")
            && modal->objectName() != QLatin1String("frmPrintSheet"))
            return;
        if (printed) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        if (!clicked) {
            clicked = true;
            modal->findChild<QRadioButton *>(QStringLiteral("OpDataSource_0"))->setChecked(true);
            QTimer::singleShot(0, modal->findChild<QPushButton *>(QStringLiteral("cmdPrint")), &QPushButton::click);
        }
    });
    poll.start();
    trigger(window, action);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_ui DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir home;
    QTemporaryDir config;
    qputenv("DIRQUILL_HOME", home.path().toLocal8Bit());
    qputenv("DIRQUILL_CONFIG_DIR", config.path().toLocal8Bit());
    QFile siteList(home.path() + QStringLiteral("/stpl00.bin"));
    if (!siteList.open(QIODevice::WriteOnly))
        return 1;
    siteList.close();

    BenchPrompts prompts;
    frmMain window(prompts, false);
    if (!window.load())
        return 1;
    window.show();
    Heartbeat beat;
    RecordTable &table = window.table();
    GridModel &fa = table.fa();
    const QString out = home.path();

    measure(window, beat, "Open native", [&] {
        prompts.files << dir + QStringLiteral("/listings.tsy");
        trigger(window, "mnuOpen");
    });
    measure(window, beat, "Open comma", [&] {
        table.MakeModified(false);
        prompts.files << dir + QStringLiteral("/listings.csv");
        trigger(window, "Toolbar_0_OPEN_CSV");
    });
    measure(window, beat, "Append", [&] {
        prompts.files << dir + QStringLiteral("/dups/listings.tsy");
        trigger(window, "mnuAppend");
    });
    measure(window, beat, "Sort by title click (City)",
        [&] { emit window.recordView().horizontalHeader()->sectionClicked(2); });
    measure(window, beat, "Delete Duplicates", [&] { trigger(window, "mnuDelDup"); });
    measure(window, beat, "Find to the end", [&] {
        trigger(window, "mnuEditFind");
        auto *find = window.findChild<frmSearch *>();
        if (!find)
            return;
        find->findChild<QLineEdit *>(QStringLiteral("txtSearched"))->setText(QStringLiteral("no such text"));
        find->findChild<QPushButton *>(QStringLiteral("cmdNext"))->click();
    });
    if (auto *find = window.findChild<frmSearch *>())
        find->close();
    measure(window, beat, "Parse Phone Column", [&] { trigger(window, "mnuParsePhoneCol"); });
    {
        // A tenth of the table, shifted by one row so every pasted cell changes.
        const int rows = qMax(1, (fa.rows() - 2) / 10);
        QString clip;
        for (int r = 2; r <= rows + 1; ++r) {
            for (int c = 0; c < 8; ++c) {
                if (c)
                    clip += QLatin1Char('\t');
                clip += fa.text(r, c);
            }
            clip += QLatin1Char('\r');
        }
        QApplication::clipboard()->setText(clip);
        window.enterBlockMode();
        window.setFocusOwner(FocusOwner::RecordTable);
        fa.select(1, 0, rows, 7);
    }
    measure(window, beat, "Paste of many rows", [&] { trigger(window, "mnuEditPaste"); });
    measure(window, beat, "Save As native", [&] {
        prompts.files << out + QStringLiteral("/copy.tsy");
        trigger(window, "mnuSaveAsTsy");
    });
    measure(window, beat, "Save (native)", [&] {
        table.MakeModified(true);
        trigger(window, "mnuSave");
    });
    measure(window, beat, "Save As comma", [&] {
        prompts.files << out + QStringLiteral("/copy.csv");
        trigger(window, "mnuSaveAsCsv");
    });
    measure(window, beat, "Save As tab", [&] {
        prompts.files << out + QStringLiteral("/copy.txt");
        trigger(window, "mnuSaveAsTxt");
    });
    // Printing's peak is reported apart from the table's. DQ_BENCH_PRINT=0 leaves printing out.
    std::printf("%-28s %8.1f MB\n", "peak before printing", double(statusKb("VmHWM:")) / 1024.0);
    if (qEnvironmentVariable("DQ_BENCH_PRINT") != QLatin1String("0")) {
        window.enterRowMode();
        measure(window, beat, "Labels: preview, print",
            [&] { printFromDialog(window, "mnuPrint", out + QStringLiteral("/labels.pdf")); });
        measure(window, beat, "Sheet: preview, print",
            [&] { printFromDialog(window, "mnuPrintSheet0", out + QStringLiteral("/sheet.pdf")); });
    }
    measure(window, beat, "New, saving changes first", [&] {
        table.MakeModified(true);
        trigger(window, "mnuNew");
    });
    std::printf("%-28s %8.1f MB\n", "peak memory (VmHWM)", double(statusKb("VmHWM:")) / 1024.0);
    std::printf("%-28s %8.1f MB\n", "memory now (VmRSS)", double(statusKb("VmRSS:")) / 1024.0);
    return 0;
}
