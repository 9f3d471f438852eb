#include "core/shell/tips.h"

#include <QRandomGenerator>

#include <array>

namespace dq {

namespace {

// Stored without their five leading blanks, which text() puts in front. Some tips end
// with a blank of their own; it is part of the text.
constexpr std::array<const char16_t *, Tips::kCount> kTips {
    u"You can turn the Alternate Row Color on or off by going to the View menu and selecting Alternate Row Color.",
    u"You can resize left or right panel by dragging the middle bar or the boundaries with mouse pointer.",
    u"You can copy the selected block or selected rows, and paste to Excel, Word, or other Windows applications.",
    u"You can save your working file into a comma delimited file then use Word to print the mailing labels or do "
    u"the mail merge printing.",
    u"You can select the selection mode to Row Mode or Block Mode. Select different modes for copy-and-paste use.",
    u"You can sort the data by any column, ascending or descending, by clicking the column title bar.",
    u"The program remembers your Windows settings and preferences after you leave the application.",
    u"Visit the Dirquill web site at https://www.dirquill.org/ to learn more ways of getting the most out of the "
    u"program.",
    u"You can use the Up, Down, Page Up, and Page Down arrow keys to navigate the data records.",
    u"You can hide the current web site Address Box by going to View menu and unselect Address Box.",
    u"You can use Ctrl-C to copy a range of data, then Ctrl-V to paste the data to other Windows applications.",
    u"To search text in the current file, click the Find icon on the tool bar, type in text in the Search box and "
    u"then hit Enter key. To search the next occurrence, you need just hit the Enter key again.",
    u"To resize the row height, point to the row or select rows and hit F11 key or click the row height wider icon. "
    u"Larger row height is useful on the Form panel if you have long text in a cell.",
    u"If you do not need to use the Form panel, close it by clicking the close box on the top right corner of the "
    u"panel. To reopen, select Form Panel from the menu View or just hit F2 key again.",
    u"After you see the Grab icon enabled, click the icon to start grabbing data or just hit F5 key. To stop "
    u"grabbing, click the stop icon or Ctrl-F5.",
    u"You can view the tips in this window while working around with Dirquill.",
    u"The one-click data sorting function on column is a very useful tool to sort the data.",
    u"You can double click on a cell to edit the cell content even it is on the Row Mode.",
    u"The current row number and the total row number are displayed at the lower right corner of the application "
    u"screen.",
    u"If you do not enter the City information, searching engine will list all information in one stete. This "
    u"allows you to grab huge information at a time",
    u"Use Right mouse click to pup up available menu items.",
    u"You can store your additional personal data for each row for the last four columns such as checkbox, money "
    u"received, or date time stamp of contact, etc.",
    u"DQL is a record-based data spreadsheet. You can combine two same structure data files into one by selecting "
    u"Append from the File menu.",
    u"Use font style and background color to mark your special data.",
    u"To use Cut and Paste function, set selection in the Block mode.",
    u"Select Tools->Column Define from the menu bar (or F9 key) to create or modify column title, data type, numeric "
    u"format and alignment. ",
    u"Column 9 to 13 are user defined columns. You can change the column title on the Column Define screen (press F9 "
    u"key). ",
    u"When the listing page contains available data, the grab button becomes enabled. You just need to click the "
    u"grabbing icon from the toolbar.",
    u"Watch the information displayed on the status bar for grabing status and your searching criteria (city, "
    u"state, searching category and listing count).",
    u"Switch the mouse cursor to the Block and Edit Mode and click the web site address to go to the linked page or "
    u"click the email address to activate the email application.",
    u"You can preview the printout by clicking the Preview button on the print dialog window.",
    u"Use File->Printing Labels Option... from the menu to setup address labels format.",
    u"DQL provides you with a convenient one-click address labels printing on the standard layouts.",
    u"If the searching engineer change its data display format, you need to get a updated decoding key to translate "
    u"the text into spreadsheet format.",
    u"You can print the address labels for all or only selected records. You can also skip the incomplete address "
    u"ones.",
    u"Select your Yellow Pages searching engine from the drop down listbox.",
    u"To add date-time stamp on user define column, point to the cell and press F3 key. You may make date-time stamp "
    u"on contact time.",
    u"You may make change on date-time, money or number format on the Column Define screen. ",
    u"To quick delete a block of rows, highlight rows and press Shift-Delete. ",
};

constexpr int kLeadingBlanks = 5;

bool inRange(int number)
{
    return number >= 1 && number <= Tips::kCount;
}

} // namespace

QString Tips::text(int number)
{
    if (!inRange(number))
        return {};
    return QString(kLeadingBlanks, QLatin1Char(' ')) + QString::fromUtf16(kTips[size_t(number - 1)]);
}

int Tips::randomNumber(QRandomGenerator &generator)
{
    // The whole part of count × r + 1 for r in [0, 1): every tip equally likely.
    return int(kCount * generator.generateDouble()) + 1;
}

void Tips::setCurrent(int number)
{
    if (inRange(number))
        m_current = number;
}

void Tips::start(QRandomGenerator &generator)
{
    setCurrent(randomNumber(generator));
}

int Tips::next()
{
    m_current = m_current == kCount ? 1 : m_current + 1;
    return m_current;
}

int Tips::previous()
{
    m_current = m_current == 1 ? kCount : m_current - 1;
    return m_current;
}

} // namespace dq
