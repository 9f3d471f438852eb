#pragma once

#include <QString>

namespace dq {

class GridModel;
class UserPrompts;
class colYPs;

// Loads the selected engine's key file into the key table, telling the user when it is missing
// or unreadable. The window then navigates to the returned start address whatever happened, so
// the site can still be searched by hand.
class KeyFileLoader
{
public:
    struct Result
    {
        bool grabDisabled = false; // the key file is missing: grabbing stays off for this engine
        bool loaded = false; // the key table now holds the file
        QString path; // the key file looked for
        QString url; // the engine's start page
        QString errorString; // why the load failed, when it did
    };

    static QString title() { return QStringLiteral("Select Searching Engine"); }

    // listIndex counts from 0 like the engine list; folder is where key files live and must end
    // in a separator (by default the user's copy, else the shipped one).
    static Result load(const colYPs &engines, int listIndex, GridModel &keyTable, UserPrompts &prompts,
        const QString &folder = QString());
};

} // namespace dq
