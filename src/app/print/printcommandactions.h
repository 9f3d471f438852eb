#pragma once

#include <QObject>

namespace dq {

class frmMain;

// The File menu's printing entries: mailing labels and the print sheet.
class PrintCommandActions : public QObject
{
    Q_OBJECT

public:
    explicit PrintCommandActions(frmMain &window);
};

} // namespace dq
