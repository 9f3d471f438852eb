// Times composing and writing to PDF: 10,000 address labels and a 10,000-row sheet.
// Run: bench_print [rows] [output folder]
#include "core/grid/gridmodel.h"
#include "core/print/mailinglabels.h"
#include "core/print/printsheet.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <vector>

using namespace dq;

static void fill(GridModel &table, int rows)
{
    table.setCols(13);
    table.setFixedRows(1);
    const QStringList titles { QStringLiteral("Name"), QStringLiteral("Street"), QStringLiteral("City"),
        QStringLiteral("State"), QStringLiteral("Zip Code"), QStringLiteral("Phone") };
    std::vector<QStringList> data;
    data.push_back(titles);
    for (int i = 1; i <= rows; ++i) {
        data.push_back({ QStringLiteral("Business Number %1").arg(i), QStringLiteral("%1 Commerce Boulevard").arg(i),
            QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("%1").arg(60000 + i % 9999),
            QStringLiteral("(217) 555-%1").arg(i % 10000, 4, 10, QChar(u'0')),
            QStringLiteral("www.business%1.example").arg(i), QStringLiteral("info@business%1.example").arg(i) });
    }
    table.setRows(0);
    table.appendRows(data);
    const int widths[] = { 2500, 2500, 1000, 500, 1000, 1400, 2100, 2000 };
    for (int c = 0; c < 8; ++c)
        table.setColumnWidth(c, widths[c]);
    table.setColumnDataType(9, DataType::Boolean);
    table.setSelectionMode(GridModel::SelectionMode::ListBox);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QTextStream out(stdout);

    GridModel table;
    fill(table, rows);

    {
        QElapsedTimer t;
        t.start();
        SheetLayout sheet;
        MailingLabels::Options options;
        options.allRows = true;
        MailingLabels::compose(sheet, table, MailingLabels::gatherRows(table, options), options);
        const qint64 composed = t.elapsed();
        const QString path = dir + QStringLiteral("/bench_labels.pdf");
        SheetPainter painter(sheet);
        painter.writePdf(path);
        out << "labels: " << rows << " labels, compose " << composed << " ms, total " << t.elapsed() << " ms, "
            << QFileInfo(path).size() / 1024 << " KiB\n";
        out.flush();
    }
    {
        QElapsedTimer t;
        t.start();
        SheetLayout sheet;
        PrintSheet::Options options;
        options.allRows = true;
        PrintSheet::compose(sheet, table, options);
        const qint64 composed = t.elapsed();
        const QString path = dir + QStringLiteral("/bench_sheet.pdf");
        SheetPainter painter(sheet);
        painter.writePdf(path);
        out << "sheet: " << rows << " rows, compose " << composed << " ms, total " << t.elapsed() << " ms, "
            << QFileInfo(path).size() / 1024 << " KiB\n";
    }
    return 0;
}
