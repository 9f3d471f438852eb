#pragma once

#include <QString>

namespace dq {

// The folder the program's shipped files (site list, key files, guide) are read from, the
// first of: DIRQUILL_HOME when set; the executable's own folder when it holds the site list
// (a build tree, or a copy run in place); ../share/dirquill beside the executable's folder
// (an installed or unpacked package, whatever its prefix). Always ends in a separator.
QString programFolder();

// The per-user data folder, $XDG_DATA_HOME/dirquill (~/.local/share/dirquill): the site
// editor and the key-file window save here, never into the shipped folder, and a file here
// wins over the shipped file of the same name. Always ends in a separator.
QString userDataFolder();

// Where the data file NAME (the site list, a key file) is read from: the user's copy when
// there is one, else the shipped one.
QString dataFile(const QString &name);

// Where an edit of the data file NAME is saved: the user's data folder, made when missing.
QString userDataFile(const QString &name);

// Where tables are opened and saved until the user picks a folder: the program folder when
// it can be written (a build tree), else the user's documents folder.
QString tablesFolder();

} // namespace dq
