#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace dq {

// The main window's settings kept between runs, with the defaults and fallbacks used
// when a value is missing or unusable. Lengths are twips (1440 to the inch).
struct ShellSettings
{
    static constexpr int kDefaultWidth = 12000;
    static constexpr int kDefaultHeight = 10000;
    static constexpr int kDefaultVBarLeft = 3570;
    static constexpr int kDefaultTab = 1;

    int top = 0;
    int left = 0;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    int vbarLeft = kDefaultVBarLeft;
    bool alternateColor = true;
    QString lastOpenPath; // empty = the program's folder
    bool showTips = true;
    int defaultTab = kDefaultTab;
    int addressBox = 0;
    int listIndex = 0; // written for the record; start-up always selects the first engine

    // Reads every value from the store. A negative top or left, or a height of 800 or
    // less, puts the window at 0, 0 with the default size; a splitter position that is
    // missing, zero or negative gives the default; a tab outside 0..2 is left as read
    // (the window then keeps its tab). programFolder fills a missing last open path.
    static ShellSettings load(const QString &programFolder);

    // The eleven values written at exit, in the order they are written.
    QList<QPair<QString, QString>> exitValues() const;
    // Writes exitValues() to the store, in order; false when any could not be written.
    bool save() const;

    static bool readShowTips();
};

} // namespace dq
