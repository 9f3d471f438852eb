// Times Append (File menu) of a 100,000-row native file below a 1,000,000-row record table,
// through the same FileCommands the window uses. Usage: bench_append [tableRows [fileRows]]

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/shell/userprompts.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace dq;

namespace {

// Answers the Append file dialog with one path and every question with Yes.
class FixedPrompts : public UserPrompts
{
public:
    explicit FixedPrompts(QString path)
        : m_path(std::move(path))
    {
    }
    Answer message(const QString &, const QString &, Icon, Buttons) override { return Answer::Yes; }
    bool input(const QString &, const QString &, QString &) override { return false; }
    QString openFileName(const QString &, const QString &, const QString &) override { return m_path; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    QColor color(const QColor &) override { return {}; }

private:
    QString m_path;
};

void fill(GridModel &m, int rows)
{
    std::vector<QStringList> block;
    block.reserve(size_t(rows));
    for (int i = 0; i < rows; ++i)
        block.push_back({ QStringLiteral("Business %1 Plumbing").arg(i), QStringLiteral("%1 Main St").arg(i % 9000),
            QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("%1").arg(60000 + i % 999),
            QStringLiteral("(217) 555-%1").arg(1000 + i % 9000), QStringLiteral("http://www.b%1.com").arg(i),
            QStringLiteral("info@b%1.com").arg(i) });
    m.appendRows(block);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int tableRows = argc > 1 ? atoi(argv[1]) : 1000000;
    const int fileRows = argc > 2 ? atoi(argv[2]) : 100000;

    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/more.tsy");
    {
        GridModel file;
        file.setCols(13);
        file.setRows(1);
        fill(file, fileRows);
        if (!GridFile::save(file, path, FileKind::Native)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    RecordTable table;
    table.buildNewTable();
    table.dropFreshRows();
    fill(table.fa(), tableRows);
    FixedPrompts prompts(path);
    FileCommands files(table, prompts);

    QElapsedTimer clock;
    clock.start();
    const bool ok = files.append();
    const qint64 ms = clock.elapsed();
    std::printf("append %d native rows below %d rows: %lld ms (%s, table now %d rows)\n", fileRows, tableRows,
        static_cast<long long>(ms), ok ? "ok" : "FAILED", table.fa().rows());
    return ok ? 0 : 1;
}
