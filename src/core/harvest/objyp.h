#pragma once

#include <QString>

namespace dq {

// One searching engine: a directory site the program can grab, as listed in the site list.
struct objYP
{
    int Index = 0; // the engine's row in the site list (1 for the first engine row)
    QString URL; // the site's start (search) page
    QString FileName; // key file name, in the program folder
    QString ListName; // name shown in the engine list
    QString Column2; // the site list's column 2, carried unchanged and written back with the row
};

} // namespace dq
