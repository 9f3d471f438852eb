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
class UserPrompts;

// "Address Labels Printing": the user picks a label layout, whether incomplete addresses
// are skipped, a country line and which rows print; "&Print && Preview" composes the
// labels and previews them for printing. The dialog stays open to print again.
class frmReportOptions : public QDialog
{
    Q_OBJECT

public:
    frmReportOptions(GridModel &recordTable, UserPrompts &prompts, QWidget *parent = nullptr);

    // Opens the dialog modally on the record table.
    static void mnuPrint(GridModel &recordTable, UserPrompts &prompts, QWidget *parent);

    void setPreviewHandler(PreviewHandler handler) { m_preview = std::move(handler); }
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
};

} // namespace dq
