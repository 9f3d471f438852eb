#pragma once

#include <QObject>

namespace dq {

class frmMain;

// The File menu entries and toolbar keys of the data-file commands (New, Open, Append,
// Save, Save As of each kind), wired to the record table's FileCommands. The Save entry
// and the "Save" toolbar key follow the table's Save state.
class FileCommandActions : public QObject
{
    Q_OBJECT

public:
    explicit FileCommandActions(frmMain &window);
};

} // namespace dq
