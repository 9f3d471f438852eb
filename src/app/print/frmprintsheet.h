#pragma once

#include "app/print/printpreview.h"
#include "core/grid/gridmodel.h"
#include "core/print/printsheet.h"
#include "core/print/sheetlayout.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolButton;

namespace dq {

class LongJobs;
class UserPrompts;

// "Print Sheet ": prints the record table, or its selected rows, with the columns ticked
// in the chooser fd, in either orientation and at a scale of 50 to 100 percent. The
// printed rows also go to the clipboard as tab-separated text. Stays open to print again.
class frmPrintSheet : public QDialog
{
    Q_OBJECT

public:
    // With jobs, what is read from a big table is read off the window's thread as a long job.
    frmPrintSheet(GridModel &recordTable, UserPrompts &prompts, QWidget *parent = nullptr, LongJobs *jobs = nullptr);

    // The File menu's "Print &Sheet...": refuses in Block mode with a message, otherwise
    // opens the dialog modally.
    static void mnuPrintSheet0(GridModel &recordTable, UserPrompts &prompts, QWidget *parent, LongJobs *jobs = nullptr);

    // A handler set here gets the whole page composed, instead of the program's preview that
    // is handed the page a part at a time.
    void setPreviewHandler(PreviewHandler handler)
    {
        m_preview = std::move(handler);
        m_streamed = nullptr;
    }
    const SheetLayout &sheet() const { return f1; }
    GridModel &chooser() { return m_chooser; }
    PrintSheet::Options options() const;

    QTableView *fd = nullptr;
    std::array<QRadioButton *, 2> OpOrin {};
    QLineEdit *txtScale = nullptr;
    QWidget *UpDownCol = nullptr;
    std::array<QRadioButton *, 2> OpDataSource {};
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdCancel = nullptr;

public slots:
    void printSheet();
    void scaleUp();
    void scaleDown();

protected:
    void changeEvent(QEvent *event) override;

private:
    void createChooser();
    QWidget *createOrientationBox();
    QWidget *createScaleBox();
    QWidget *createAreaBox();
    void createButtons();
    void layOut(QWidget *orientationFrame, QWidget *scaleFrame, QWidget *areaFrame);
    void connectControls();
    void refreshSelectedCaption();

    GridModel &m_table;
    GridModel m_chooser;
    SheetLayout f1;
    PreviewHandler m_preview;
    StreamedPreviewHandler m_streamed;
    LongJobs *m_jobs;
};

} // namespace dq
