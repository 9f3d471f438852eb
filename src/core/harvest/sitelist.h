#pragma once

#include "core/grid/gridfile.h"

#include <QString>
#include <QStringList>

namespace dq {

class GridModel;
class colYPs;
struct objYP;

// The site list: the grid of engines kept for the whole run, and the collection built from it.
// Row 0 is titles; each later row with a key file name in column 1 is one engine. The file
// itself is a native grid file read and written with GridFile.
class SiteList
{
public:
    static QString fileName() { return QStringLiteral("stpl00.bin"); }

    // Fills engines from the site list grid (cleared first); returns the engine names in order,
    // which is what the engine list shows.
    static QStringList fill(const GridModel &siteGrid, colYPs &engines);

    // The engine a person means by name: its list name or its key file name, ignoring letter
    // case; a key file name may leave out its extension. nullptr when none matches.
    static const objYP *find(const colYPs &engines, const QString &name);

    // Whether a key file name from the site list may be opened: a plain name in the site list's
    // folder, so no control characters (a NUL would cut the name short), no path separators, and
    // not "." or "..". Other names are treated as missing key files everywhere.
    static bool isSafeKeyFileName(const QString &name);

    // The site editor's Save: brings the engines into the order of names (matching by name),
    // then writes them back into the grid rows that held engines, in that order. Rows without a
    // key file name keep their place and content. Names not matching any engine are ignored.
    static void applyOrder(const QStringList &names, colYPs &engines, GridModel &siteGrid);

    // The site editor's Save: applyOrder, then the grid written to path as a native grid file.
    // A failed write leaves the old file whole and is reported; the new order still holds for
    // this run.
    static FileResult saveOrder(const QStringList &names, colYPs &engines, GridModel &siteGrid, const QString &path);
};

} // namespace dq
