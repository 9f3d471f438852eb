// Grid file and sort figures on realistic listing tables.
//
//   bench_grid make ROWS DIR     builds a ROWS-row table, saves DIR/listings.tsy and .csv
//   bench_grid load-native FILE  loads a native file
//   bench_grid load-comma FILE   loads a comma file
//   bench_grid sort FILE         loads a native file and sorts it by the City column
//   bench_grid save-xlsx FILE OUT  loads a native file and saves it as a workbook
//   bench_grid load-xlsx FILE    loads a workbook
//   bench_grid undo FILE         sorts and deletes duplicates as undo steps, then undoes both
//
// Every command prints one line per figure: "name seconds" and finally the process's
// peak resident memory. Run each in its own process so the peak belongs to that step.

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/table/datatools.h"
#include "core/table/recordtable.h"
#include "core/table/tableundo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

#include <sys/resource.h>

using namespace dq;

namespace {

qint64 peakKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Process CPU seconds (user + system). The wall time is what a user waits; the CPU time
// stays meaningful when other work shares the machine.
double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double g_cpuMark = 0;

void report(const char *what, double seconds)
{
    const double cpu = cpuSeconds();
    std::printf("%-28s %8.3f s   (cpu %.3f s)\n", what, seconds, cpu - g_cpuMark);
    g_cpuMark = cpu;
    std::fflush(stdout);
}

void reportPeak()
{
    std::printf("%-28s %8.1f MB\n", "peak memory (VmHWM)", double(peakKb()) / 1024.0);
}

QString pick(QRandomGenerator &rng, const char *const *list, int n)
{
    return QString::fromUtf8(list[rng.bounded(n)]);
}

void fill(GridModel &m, int rows)
{
    static const char *const first[] = { "Acme", "Blue Sky", "Golden Gate", "Riverside", "Summit", "Pioneer",
        "Lakeview", "Main Street", "Cedar", "Oak Tree", "Sunrise", "Liberty", "Evergreen", "Château" };
    static const char *const kind[] = { "Plumbing", "Dental Care", "Auto Repair", "Bakery", "Law Office", "Pizza",
        "Hardware", "Florist", "Insurance Agency", "Pet Grooming", "Roofing & Siding" };
    static const char *const street[] = { "Main St", "Oak Ave", "Maple Dr", "Washington Blvd", "Elm St", "Park Rd",
        "Lake Shore Dr", "Broadway", "Market St", "Church Ln" };
    static const char *const city[] = { "Springfield", "Riverside", "Franklin", "Greenville", "Bristol", "Clinton",
        "Salem", "Madison", "Georgetown", "Fairview", "San José" };
    static const char *const state[] = { "CA", "TX", "NY", "FL", "IL", "PA", "OH", "GA", "NC", "MI", "WA", "OR" };
    QRandomGenerator rng(42);
    m.setCols(13);
    m.setRows(1);
    const QStringList titles { QStringLiteral("Name"), QStringLiteral("Street"), QStringLiteral("City"),
        QStringLiteral("State"), QStringLiteral("Zip Code"), QStringLiteral("Phone"), QStringLiteral("Web"),
        QStringLiteral("E-mail") };
    for (int c = 0; c < titles.size(); ++c)
        m.setText(0, c, titles[c]);
    std::vector<QStringList> batch;
    batch.reserve(10000);
    for (int r = 0; r < rows; ++r) {
        const QString name = pick(rng, first, 14) + QLatin1Char(' ') + pick(rng, kind, 11);
        QString slug = name.toLower();
        slug.remove(QLatin1Char(' '));
        QStringList row { name, QString::number(rng.bounded(10, 9999)) + QLatin1Char(' ') + pick(rng, street, 10),
            pick(rng, city, 11), pick(rng, state, 12), QStringLiteral("%1").arg(rng.bounded(10000, 99999)),
            QStringLiteral("(%1) %2-%3")
                .arg(rng.bounded(200, 999))
                .arg(rng.bounded(200, 999))
                .arg(rng.bounded(1000, 9999), 4, 10, QLatin1Char('0')),
            QStringLiteral("http://www.%1.com").arg(slug), QStringLiteral("info@%1.com").arg(slug) };
        if (r % 7 == 0)
            row << QStringLiteral("called, \"call back\"") << QStringLiteral("2024-03-01");
        batch.push_back(row);
        if (batch.size() == 10000) {
            m.appendRows(batch);
            batch.clear();
        }
    }
    m.appendRows(batch);
}

int timed(const char *what, const std::function<FileResult()> &step)
{
    QElapsedTimer t;
    g_cpuMark = cpuSeconds();
    t.start();
    const FileResult r = step();
    report(what, double(t.nsecsElapsed()) / 1e9);
    if (!r) {
        std::fprintf(stderr, "%s\n", qPrintable(r.errorString));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_grid make ROWS DIR | load-native FILE | load-comma FILE | sort FILE\n");
        return 2;
    }
    const QString command = args.at(1);
    GridModel m;
    if (command == QLatin1String("make") && args.size() >= 4) {
        const int rows = args.at(2).toInt();
        const QString dir = args.at(3);
        QDir().mkpath(dir);
        QElapsedTimer t;
        g_cpuMark = cpuSeconds();
        t.start();
        fill(m, rows);
        report("build table", double(t.nsecsElapsed()) / 1e9);
        int failed = timed(
            "save native", [&] { return GridFile::save(m, dir + QStringLiteral("/listings.tsy"), FileKind::Native); });
        failed += timed(
            "save comma", [&] { return GridFile::save(m, dir + QStringLiteral("/listings.csv"), FileKind::Comma); });
        std::printf("%-28s %8.1f MB\n", "native file size",
            double(QFileInfo(dir + QStringLiteral("/listings.tsy")).size()) / 1048576.0);
        std::printf("%-28s %8.1f MB\n", "comma file size",
            double(QFileInfo(dir + QStringLiteral("/listings.csv")).size()) / 1048576.0);
        reportPeak();
        return failed;
    }
    const QString file = args.at(2);
    int failed = 0;
    if (command == QLatin1String("load-native")) {
        failed = timed("load native", [&] { return GridFile::load(m, file, FileKind::Native); });
    } else if (command == QLatin1String("load-comma")) {
        failed = timed("load comma", [&] { return GridFile::load(m, file, FileKind::Comma); });
    } else if (command == QLatin1String("save-xlsx") && args.size() >= 4) {
        failed = timed("load native", [&] { return GridFile::load(m, file, FileKind::Native); });
        failed += timed("save xlsx", [&] { return GridFile::save(m, args.at(3), FileKind::Excel); });
        std::printf("%-28s %8.1f MB\n", "xlsx file size", double(QFileInfo(args.at(3)).size()) / 1048576.0);
    } else if (command == QLatin1String("load-xlsx")) {
        failed = timed("load xlsx", [&] { return GridFile::load(m, file, FileKind::Excel); });
    } else if (command == QLatin1String("undo")) {
        RecordTable table;
        failed = timed("load native", [&] { return GridFile::load(table.fa(), file, FileKind::Native); });
        GridModel &fa = table.fa();
        // One row in twenty comes again, for Delete Duplicates to find.
        std::vector<QStringList> copies;
        for (int r = 1; r < fa.rows(); r += 20)
            copies.push_back(fa.rowTexts(r));
        fa.appendRows(copies);
        TableUndo undo(table);
        // The table's own memory: each row's block and its row record.
        qint64 tableBytes = 0;
        for (const GridRow &row : fa.store().rows)
            tableBytes += row.cells.byteSize() + qint64(sizeof(GridRow));
        const auto step = [&](const char *what, const std::function<void()> &fn) {
            QElapsedTimer t;
            g_cpuMark = cpuSeconds();
            t.start();
            {
                TableUndo::Step s(&undo, QString::fromLatin1(what));
                fn();
            }
            report(what, double(t.nsecsElapsed()) / 1e9);
        };
        step("sort by City", [&] { fa.sort(2, 2, Qt::AscendingOrder); });
        const int before = fa.rows();
        step("delete duplicates", [&] { DataTools::removeDuplicateRows(fa); });
        std::printf("%-28s %8d\n", "duplicate rows removed", before - fa.rows());
        const double stackMb = double(undo.bytes()) / 1048576.0;
        std::printf("%-28s %8.1f MB   (table %.1f MB, %.1f %%)\n", "undo stack after both", stackMb,
            double(tableBytes) / 1048576.0, 100.0 * double(undo.bytes()) / double(tableBytes));
        for (const char *what : { "undo delete duplicates", "undo sort" }) {
            QElapsedTimer t;
            g_cpuMark = cpuSeconds();
            t.start();
            undo.undo();
            report(what, double(t.nsecsElapsed()) / 1e9);
        }
        std::printf("%-28s %8d\n", "rows after undo", fa.rows());
        reportPeak();
        return failed;
    } else if (command == QLatin1String("sort")) {
        failed = timed("load native", [&] { return GridFile::load(m, file, FileKind::Native); });
        QElapsedTimer t;
        g_cpuMark = cpuSeconds();
        t.start();
        m.sort(2, 2, Qt::AscendingOrder);
        report("sort by City", double(t.nsecsElapsed()) / 1e9);
    } else {
        std::fprintf(stderr, "unknown command\n");
        return 2;
    }
    std::printf("%-28s %8d\n", "rows loaded", m.rows());
    reportPeak();
    return failed;
}
