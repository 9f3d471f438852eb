#pragma once

#include "app/print/printpreview.h"
#include "core/print/mailinglabels.h"
#include "core/print/sheetlayout.h"

#include <QDialog>

#include <array>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dq {

class GridModel;
class LongJobs;
class UserPrompts;

// "Address Labels Printing": the user picks a label layout, whether incomplete addresses
// are skipped, a country line and which rows print; "&Print && Preview" composes the
// labels and previews them for printing. The dialog stays open to print again.
class frmReportOptions : public QDialog
{
    Q_OBJECT

public:
    // With jobs, what is read from a big table is read off the window's thread as a long job.
    frmReportOptions(GridModel &recordTable, UserPrompts &prompts, QWidget *parent = nullptr, LongJobs *jobs = nullptr);

    // Opens the dialog modally on the record table.
    static void mnuPrint(GridModel &recordTable, UserPrompts &prompts, QWidget *parent, LongJobs *jobs = nullptr);

    // A handler set here gets the whole page composed, instead of the program's preview that
    // is handed the page a part at a time.
    void setPreviewHandler(PreviewHandler handler)
    {
        m_preview = std::move(handler);
        m_streamed = nullptr;
    }
    const SheetLayout &sheet() const { return f1; }
    MailingLabels::Options options() const;

    QComboBox *cboLabelFormat = nullptr;
    std::array<QLabel *, 3> imgLayout {};
    QCheckBox *chkSkip = nullptr;
    QLineEdit *txtCountry = nullptr;
    QCheckBox *chkCountry = nullptr;
    std::array<QRadioButton *, 2> OpDataSource {};
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdCancel = nullptr;

public slots:
    void printLabels();

private:
    QLayout *createLayoutChoice();
    std::pair<QWidget *, QWidget *> createOptions(); // the country and print-area boxes
    void createButtons();
    void layOut(QLayout *sketches, QWidget *countryFrame, QWidget *areaFrame);
    void connectControls();
    void labelFormatChosen();
    void countryToggled();

    GridModel &m_table;
    SheetLayout f1;
    PreviewHandler m_preview;
    StreamedPreviewHandler m_streamed;
    LongJobs *m_jobs;
};

} // namespace dq
