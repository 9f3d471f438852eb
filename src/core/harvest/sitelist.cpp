#include "core/harvest/sitelist.h"

#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"

#include <algorithm>

namespace dq {

QStringList SiteList::fill(const GridModel &g, colYPs &engines)
{
    engines.clear();
    QStringList names;
    for (int r = 1; r < g.rows(); ++r) {
        if (g.text(r, 1).isEmpty())
            continue;
        objYP *yp = engines.Add(g.text(r, 0), g.text(r, 1), g.text(r, 3), r);
        yp->Column2 = g.text(r, 2);
        names.append(yp->ListName);
    }
    return names;
}

const objYP *SiteList::find(const colYPs &engines, const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return nullptr;
    for (const objYP &yp : engines) {
        if (yp.ListName.compare(wanted, Qt::CaseInsensitive) == 0
            || yp.FileName.compare(wanted, Qt::CaseInsensitive) == 0)
            return &yp;
    }
    for (const objYP &yp : engines) {
        if (yp.FileName.section(QLatin1Char('.'), 0, -2).compare(wanted, Qt::CaseInsensitive) == 0)
            return &yp;
    }
    return nullptr;
}

bool SiteList::isSafeKeyFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F || c == u'/' || c == u'\\'
            || c.category() == QChar::Other_Control;
    });
}

void SiteList::applyOrder(const QStringList &names, colYPs &engines, GridModel &g)
{
    const int n = qMin(int(names.size()), engines.Count());
    for (int k = 1; k <= n; ++k) {
        for (int j = k; j <= engines.Count(); ++j) {
            if (engines.Item(j)->ListName == names.at(k - 1)) {
                engines.swap(k, j);
                break;
            }
        }
    }
    // Engines go back into the rows engines came from, so a row that was skipped (no key file
    // name) is neither overwritten nor duplicated.
    std::vector<int> engineRows;
    for (const objYP &yp : engines)
        engineRows.push_back(yp.Index);
    std::sort(engineRows.begin(), engineRows.end());
    if (g.cols() < 4)
        g.setCols(4);
    int k = 0;
    for (objYP &yp : engines) {
        const int row = engineRows[size_t(k++)];
        if (row >= g.rows())
            g.setRows(row + 1);
        g.setText(row, 0, yp.ListName);
        g.setText(row, 1, yp.FileName);
        g.setText(row, 2, yp.Column2);
        g.setText(row, 3, yp.URL);
        yp.Index = row;
    }
}

FileResult SiteList::saveOrder(const QStringList &names, colYPs &engines, GridModel &siteGrid, const QString &path)
{
    applyOrder(names, engines, siteGrid);
    return GridFile::save(siteGrid, path, FileKind::Native);
}

} // namespace dq
