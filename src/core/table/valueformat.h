#pragma once

#include "core/grid/gridmodel.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

namespace dq {

// How number, money and date cells are shown in their column's display format, and how
// typed text is read back as a value. Cells always keep their text: a text that does not
// read as its column's type is shown exactly as it stands, so nothing typed is ever lost.
//
// Number formats use the usual placeholders: "0" a digit always shown, "#" a digit shown
// when significant, "," thousands grouping, "." the decimal point, "%" times a hundred, any
// other character (such as "$") as it stands; up to three sections "positive;negative;zero".
// Date formats: yyyy yy, m mm (month, or minutes next to hours or seconds), mmm/Mmm mmmm,
// d dd ddd dddd, h hh, n nn, s ss, AMPM AM/PM am/pm A/P (12-hour clock). Month and day
// names are English, as the directories the program reads are.
class ValueFormat
{
public:
    // The text a cell shows: usable as GridModel::DisplayFormatter.
    static QString display(const QString &text, const ColumnAttributes &column);
    static QString display(const QString &text, DataType type, const QString &format);
    static GridModel::DisplayFormatter formatter();

    // A number as typed: blanks around it, a "$" before or after the sign, thousands
    // commas in groups of three, a trailing "%" (a hundredth), "(…)" for a negative.
    static std::optional<double> parseNumber(QStringView text);
    // A date as typed: m/d/yy, m/d/yyyy, dd-Mmm-yyyy, Mmm-dd-yyyy, yyyy-mm-dd (also with
    // "/" or "-" swapped), each optionally followed by h:mm or h:mm:ss and AM or PM. Two-digit
    // years 00-29 are 2000-2029, 30-99 are 1930-1999. Invalid when the text is not a date.
    static QDateTime parseDateTime(QStringView text);
    // A check-box value: "-1", "1", "True", "Yes" are ticked; "0", "False", "No" and empty
    // text are not; anything else is no truth value.
    static std::optional<bool> parseBool(QStringView text);

    static QString formatNumber(double value, const QString &format);
    static QString formatDateTime(const QDateTime &value, const QString &format);
    // General forms, used when a column has no format: shortest exact number without
    // grouping; "m/d/yyyy" for a date at midnight, "m/d/yyyy h:mm:ss AM" otherwise.
    static QString generalNumber(double value);
    static QString generalDateTime(const QDateTime &value);
    // True when format holds at least one date or time field.
    static bool isDateFormat(const QString &format);
};

} // namespace dq
