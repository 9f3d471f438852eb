#include "core/table/valueformat.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace dq {

namespace {

constexpr std::array<const char *, 12> kMonthNames = { "January", "February", "March", "April", "May", "June", "July",
    "August", "September", "October", "November", "December" };
constexpr std::array<const char *, 7> kDayNames
    = { "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday" };

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0xA0);
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

QChar lower(QChar c)
{
    return c.unicode() >= 'A' && c.unicode() <= 'Z' ? QChar(c.unicode() + 32) : c;
}

QStringView trimmed(QStringView t)
{
    qsizetype a = 0, b = t.size();
    while (a < b && isSpace(t[a]))
        ++a;
    while (b > a && isSpace(t[b - 1]))
        --b;
    return t.mid(a, b - a);
}

// ---- dates: reading ------------------------------------------------------------------

class DateScanner
{
public:
    explicit DateScanner(QStringView s)
        : m_s(s)
    {
    }

    bool atEnd() const { return m_i >= m_s.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_s[m_i]; }
    bool peekLetter() const { return !atEnd() && peek().isLetter(); }
    void skipSpaces()
    {
        while (!atEnd() && isSpace(peek()))
            ++m_i;
    }
    bool take(QChar c)
    {
        if (peek() != c)
            return false;
        ++m_i;
        return true;
    }
    QChar takeAny(QStringView set)
    {
        const QChar c = peek();
        if (atEnd() || !set.contains(c))
            return {};
        ++m_i;
        return c;
    }
    // Reads up to maxDigits digits; digits = how many were read (0 = none).
    int number(int maxDigits, int &digits)
    {
        int v = 0;
        digits = 0;
        while (!atEnd() && isDigit(peek())) {
            if (digits == maxDigits) {
                digits = -1; // too long
                return 0;
            }
            v = v * 10 + (peek().unicode() - '0');
            ++digits;
            ++m_i;
        }
        return v;
    }
    // A month name, abbreviated to three letters or more ("Sep", "Sept", "September"): 1..12, 0 if none.
    int monthName()
    {
        const qsizetype start = m_i;
        while (!atEnd() && peek().isLetter())
            ++m_i;
        const QStringView word = m_s.mid(start, m_i - start);
        if (word.size() < 3)
            return 0;
        for (int m = 0; m < 12; ++m) {
            const QLatin1String full(kMonthNames[size_t(m)]);
            if (word.size() <= full.size() && full.startsWith(word, Qt::CaseInsensitive))
                return m + 1;
        }
        return 0;
    }
    // "AM", "PM", "A", "P" in any case: 1 = AM, 2 = PM, 0 = none.
    int meridiem()
    {
        const qsizetype start = m_i;
        while (!atEnd() && (peek().isLetter() || peek() == QLatin1Char('.')))
            ++m_i;
        QString word = m_s.mid(start, m_i - start).toString().toUpper();
        word.remove(QLatin1Char('.'));
        if (word == QLatin1String("AM") || word == QLatin1String("A"))
            return 1;
        if (word == QLatin1String("PM") || word == QLatin1String("P"))
            return 2;
        m_i = start;
        return 0;
    }

private:
    QStringView m_s;
    qsizetype m_i = 0;
};

int expandYear(int year, int digits)
{
    if (digits == 4)
        return year;
    if (digits == 2)
        return year < 30 ? 2000 + year : 1900 + year;
    return -1;
}

QDate readDate(DateScanner &sc)
{
    const QStringView seps = u"/-. ";
    int d1 = 0;
    if (sc.peekLetter()) { // Mmm-dd-yyyy, "Mmm dd, yyyy"
        const int month = sc.monthName();
        if (!month || sc.takeAny(seps).isNull())
            return {};
        sc.skipSpaces();
        const int day = sc.number(2, d1);
        if (d1 <= 0)
            return {};
        const bool comma = sc.take(QLatin1Char(','));
        if (sc.takeAny(seps).isNull() && !comma)
            return {};
        sc.skipSpaces();
        int dy = 0;
        const int y = sc.number(4, dy);
        const int year = expandYear(y, dy);
        return QDate(year, month, day);
    }
    const int a = sc.number(4, d1);
    if (d1 <= 0)
        return {};
    const QChar sep = sc.takeAny(u"/-.");
    if (sep.isNull())
        return {};
    if (d1 == 4) { // yyyy-mm-dd
        int dm = 0, dd = 0;
        const int month = sc.number(2, dm);
        if (dm <= 0 || !sc.take(sep))
            return {};
        const int day = sc.number(2, dd);
        return dd > 0 ? QDate(a, month, day) : QDate();
    }
    if (d1 > 2)
        return {};
    if (sc.peekLetter()) { // dd-Mmm-yyyy
        const int month = sc.monthName();
        if (!month || !sc.take(sep))
            return {};
        int dy = 0;
        const int y = sc.number(4, dy);
        const int year = expandYear(y, dy);
        return QDate(year, month, a);
    }
    int db = 0, dy = 0;
    const int b = sc.number(2, db);
    if (db <= 0 || !sc.take(sep))
        return {};
    const int y = sc.number(4, dy);
    const int year = expandYear(y, dy);
    return QDate(year, a, b); // m/d/y
}

bool readTime(DateScanner &sc, QTime &time)
{
    int dh = 0, dm = 0, ds = 0;
    int h = sc.number(2, dh);
    if (dh <= 0 || !sc.take(QLatin1Char(':')))
        return false;
    const int m = sc.number(2, dm);
    if (dm != 2)
        return false;
    int s = 0;
    if (sc.take(QLatin1Char(':'))) {
        s = sc.number(2, ds);
        if (ds != 2)
            return false;
    }
    sc.skipSpaces();
    const int mer = sc.meridiem();
    if (mer) {
        if (h < 1 || h > 12)
            return false;
        if (mer == 1 && h == 12)
            h = 0;
        else if (mer == 2 && h < 12)
            h += 12;
    }
    time = QTime(h, m, s);
    return time.isValid();
}

// ---- dates: writing ------------------------------------------------------------------

enum class DateField {
    Literal,
    Year2,
    Year4,
    Month,
    Month2,
    MonthShort,
    MonthLong,
    Day,
    Day2,
    DayShort,
    DayLong,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    AmPmUpper,
    AmPmLower,
    AP,
    ap
};

struct DateToken
{
    DateField field = DateField::Literal;
    QString literal;
};

bool isHour(DateField f)
{
    return f == DateField::Hour || f == DateField::Hour2;
}
bool isSecond(DateField f)
{
    return f == DateField::Second || f == DateField::Second2;
}
bool isMonthNumber(DateField f)
{
    return f == DateField::Month || f == DateField::Month2;
}

std::vector<DateToken> tokenizeDate(const QString &format, bool *twelveHour)
{
    std::vector<DateToken> out;
    *twelveHour = false;
    auto literal = [&out](const QString &s) {
        if (!out.empty() && out.back().field == DateField::Literal)
            out.back().literal += s;
        else
            out.push_back({ DateField::Literal, s });
    };
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = format.at(i);
        const QChar lc = lower(c);
        qsizetype run = 1;
        while (i + run < n && lower(format.at(i + run)) == lc)
            ++run;
        if (c == QLatin1Char('"')) {
            const qsizetype end = format.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype stop = end < 0 ? n : end;
            literal(format.mid(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (c == QLatin1Char('\\') && i + 1 < n) {
            literal(format.mid(i + 1, 1));
            i += 2;
            continue;
        }
        const QStringView rest = QStringView(format).mid(i);
        if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
            out.push_back({ DateField::AmPmUpper, {} });
            *twelveHour = true;
            i += 4;
            continue;
        }
        if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
            out.push_back({ rest.at(0) == QLatin1Char('a') ? DateField::AmPmLower : DateField::AmPmUpper, {} });
            *twelveHour = true;
            i += 5;
            continue;
        }
        if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
            out.push_back({ rest.at(0) == QLatin1Char('a') ? DateField::ap : DateField::AP, {} });
            *twelveHour = true;
            i += 3;
            continue;
        }
        DateField f = DateField::Literal;
        switch (lc.unicode()) {
        case 'y':
            f = run >= 3 ? DateField::Year4 : DateField::Year2;
            break;
        case 'm':
            f = run == 1   ? DateField::Month
                : run == 2 ? DateField::Month2
                : run == 3 ? DateField::MonthShort
                           : DateField::MonthLong;
            break;
        case 'd':
            f = run == 1   ? DateField::Day
                : run == 2 ? DateField::Day2
                : run == 3 ? DateField::DayShort
                           : DateField::DayLong;
            break;
        case 'h':
            f = run == 1 ? DateField::Hour : DateField::Hour2;
            break;
        case 'n':
            f = run == 1 ? DateField::Minute : DateField::Minute2;
            break;
        case 's':
            f = run == 1 ? DateField::Second : DateField::Second2;
            break;
        default:
            break;
        }
        if (f == DateField::Literal)
            literal(format.mid(i, run));
        else
            out.push_back({ f, {} });
        i += run;
    }
    // "m" and "mm" mean minutes right after an hour or right before a second.
    for (size_t k = 0; k < out.size(); ++k) {
        if (!isMonthNumber(out[k].field))
            continue;
        auto neighbour = [&out](size_t from, int step) {
            for (long j = long(from) + step; j >= 0 && j < long(out.size()); j += step)
                if (out[size_t(j)].field != DateField::Literal)
                    return out[size_t(j)].field;
            return DateField::Literal;
        };
        if (isHour(neighbour(k, -1)) || isSecond(neighbour(k, 1)))
            out[k].field = out[k].field == DateField::Month ? DateField::Minute : DateField::Minute2;
    }
    return out;
}

QString twoDigits(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

// ---- numbers ---------------------------------------------------------------------------

struct NumberSection
{
    QString prefix;
    QString suffix;
    int minInt = 0; // "0" placeholders before the point
    int minDec = 0; // "0" placeholders after the point
    int maxDec = 0; // all placeholders after the point
    bool grouping = false;
    bool percent = false;
    bool hasPlaceholders = false;
};

NumberSection parseSection(QStringView f)
{
    NumberSection s;
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    auto literalOf = [&s](QStringView part) {
        QString out;
        for (qsizetype i = 0; i < part.size(); ++i) {
            const QChar c = part[i];
            if (c == QLatin1Char('"'))
                continue;
            if (c == QLatin1Char('\\') && i + 1 < part.size()) {
                out += part[++i];
                continue;
            }
            if (c == QLatin1Char('%'))
                s.percent = true;
            out += c;
        }
        return out;
    };
    if (first < 0) {
        // No placeholders: "%" alone is a whole percentage, anything else shows as written.
        s.suffix = literalOf(f);
        s.minInt = s.percent ? 1 : 0;
        s.hasPlaceholders = s.percent;
        return s;
    }
    s.hasPlaceholders = true;
    // A point right after the last placeholder still belongs to the number ("#,###." keeps no decimals).
    s.prefix = literalOf(f.left(first));
    s.suffix = literalOf(f.mid(last + 1));
    bool afterPoint = false;
    for (qsizetype i = first; i <= last; ++i) {
        const QChar c = f[i];
        if (c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (c == QLatin1Char(',')) {
            if (!afterPoint)
                s.grouping = true;
        } else if (c == QLatin1Char('0')) {
            if (afterPoint) {
                ++s.minDec;
                ++s.maxDec;
            } else {
                ++s.minInt;
            }
        } else if (c == QLatin1Char('#')) {
            if (afterPoint)
                ++s.maxDec;
        } else if (c == QLatin1Char('%')) {
            s.percent = true;
        }
    }
    return s;
}

QString group(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    out.reserve(n + n / 3);
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits.at(i);
    }
    return out;
}

QString formatSection(double value, const NumberSection &s, bool showSign)
{
    double v = std::fabs(value);
    if (s.percent)
        v *= 100.0;
    // Halves round away from zero, as people expect from a display format.
    static constexpr double kPow10[]
        = { 1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    QString intDigits;
    QString decDigits;
    const int dec = qMin(s.maxDec, 15);
    if (v * kPow10[dec] < 9.0e15) {
        const qint64 scaled = qint64(std::llround(v * kPow10[dec]));
        const qint64 p = qint64(kPow10[dec]);
        intDigits = QString::number(scaled / p);
        if (dec > 0)
            decDigits = QString::number(scaled % p).rightJustified(dec, QLatin1Char('0'));
    } else {
        const QString all = QString::number(v, 'f', dec);
        const qsizetype point = all.indexOf(QLatin1Char('.'));
        intDigits = point < 0 ? all : all.left(point);
        decDigits = point < 0 ? QString() : all.mid(point + 1);
    }
    auto allZero = [](const QString &digits) {
        return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c == QLatin1Char('0'); });
    };
    const bool isZero = allZero(intDigits) && allZero(decDigits);
    // Optional decimals ("#") drop their trailing zeros.
    while (decDigits.size() > s.minDec && decDigits.endsWith(QLatin1Char('0')))
        decDigits.chop(1);
    if (intDigits == QLatin1String("0"))
        intDigits.clear();
    if (intDigits.size() < s.minInt)
        intDigits = intDigits.rightJustified(s.minInt, QLatin1Char('0'));
    if (s.grouping)
        intDigits = group(intDigits);
    if (!s.hasPlaceholders)
        return s.prefix + s.suffix;
    QString out;
    if (showSign && value < 0 && !isZero)
        out += QLatin1Char('-');
    out += s.prefix;
    out += intDigits;
    if (!decDigits.isEmpty())
        out += QLatin1Char('.') + decDigits;
    out += s.suffix;
    return out;
}

} // namespace

// ---- public ------------------------------------------------------------------------------

QString ValueFormat::display(const QString &text, const ColumnAttributes &column)
{
    return display(text, column.dataType, column.format);
}

QString ValueFormat::display(const QString &text, DataType type, const QString &format)
{
    if (text.isEmpty())
        return text;
    switch (type) {
    case DataType::Double:
    case DataType::Currency:
        if (const auto v = parseNumber(text))
            return format.isEmpty() ? generalNumber(*v) : formatNumber(*v, format);
        return text;
    case DataType::Date: {
        const QDateTime dt = parseDateTime(text);
        if (!dt.isValid())
            return text;
        return format.isEmpty() ? generalDateTime(dt) : formatDateTime(dt, format);
    }
    case DataType::String:
    case DataType::Boolean:
        break;
    }
    return text;
}

GridModel::DisplayFormatter ValueFormat::formatter()
{
    return [](const QString &text, const ColumnAttributes &column) { return display(text, column); };
}

std::optional<double> ValueFormat::parseNumber(QStringView text)
{
    QStringView t = trimmed(text);
    if (t.isEmpty())
        return std::nullopt;
    bool paren = false;
    if (t.front() == QLatin1Char('(') && t.back() == QLatin1Char(')')) {
        paren = true;
        t = trimmed(t.mid(1, t.size() - 2));
    }
    bool percent = false;
    if (!t.isEmpty() && t.back() == QLatin1Char('%')) {
        percent = true;
        t = trimmed(t.chopped(1));
    }
    bool negative = false, sign = false, dollar = false;
    qsizetype i = 0;
    const qsizetype n = t.size();
    for (int k = 0; k < 2 && i < n; ++k) {
        const QChar c = t[i];
        if (!sign && (c == QLatin1Char('-') || c == QLatin1Char('+'))) {
            sign = true;
            negative = c == QLatin1Char('-');
            ++i;
        } else if (!dollar && c == QLatin1Char('$')) {
            dollar = true;
            ++i;
            while (i < n && isSpace(t[i]))
                ++i;
        }
    }
    char buf[128];
    int b = 0;
    auto put = [&buf, &b](char c) {
        if (b >= int(sizeof buf) - 1)
            return false;
        buf[b++] = c;
        return true;
    };
    int intDigits = 0, decDigits = 0;
    int sinceComma = 0;
    bool comma = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (isDigit(c)) {
            if (!put(char(c.unicode())))
                return std::nullopt;
            ++intDigits;
            ++sinceComma;
        } else if (c == QLatin1Char(',')) {
            if (intDigits == 0 || (comma && sinceComma != 3) || (!comma && sinceComma > 3))
                return std::nullopt;
            comma = true;
            sinceComma = 0;
        } else {
            break;
        }
    }
    if (comma && sinceComma != 3)
        return std::nullopt;
    if (i < n && t[i] == QLatin1Char('.')) {
        put('.');
        for (++i; i < n && isDigit(t[i]); ++i) {
            if (!put(char(t[i].unicode())))
                return std::nullopt;
            ++decDigits;
        }
    }
    if (intDigits + decDigits == 0)
        return std::nullopt;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        put('e');
        ++i;
        if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
            put(char(t[i++].unicode()));
        int expDigits = 0;
        for (; i < n && isDigit(t[i]); ++i, ++expDigits)
            if (!put(char(t[i].unicode())))
                return std::nullopt;
        if (!expDigits)
            return std::nullopt;
    }
    if (i != n || (paren && sign))
        return std::nullopt;
    double v = 0;
    const auto res = std::from_chars(buf, buf + b, v);
    if (res.ec != std::errc() || !std::isfinite(v))
        return std::nullopt;
    if (negative || paren)
        v = -v;
    if (percent)
        v /= 100.0;
    return v;
}

QDateTime ValueFormat::parseDateTime(QStringView text)
{
    DateScanner sc(trimmed(text));
    if (sc.atEnd())
        return {};
    const QDate date = readDate(sc);
    if (!date.isValid())
        return {};
    QTime time(0, 0);
    const bool separated = sc.take(QLatin1Char('T')) || isSpace(sc.peek());
    sc.skipSpaces();
    if (!sc.atEnd()) {
        if (!separated || !readTime(sc, time))
            return {};
        sc.skipSpaces();
        if (!sc.atEnd())
            return {};
    }
    return QDateTime(date, time);
}

std::optional<bool> ValueFormat::parseBool(QStringView text)
{
    const QStringView t = trimmed(text);
    if (t.isEmpty() || t == u"0" || t.compare(u"False", Qt::CaseInsensitive) == 0
        || t.compare(u"No", Qt::CaseInsensitive) == 0)
        return false;
    if (t == u"-1" || t == u"1" || t.compare(u"True", Qt::CaseInsensitive) == 0
        || t.compare(u"Yes", Qt::CaseInsensitive) == 0)
        return true;
    return std::nullopt;
}

QString ValueFormat::formatNumber(double value, const QString &format)
{
    if (format.isEmpty())
        return generalNumber(value);
    const QList<QStringView> sections = QStringView(format).split(QLatin1Char(';'));
    // A lone format without digit places (text typed by mistake) must not hide the values.
    if (sections.size() == 1 && !parseSection(sections.at(0)).hasPlaceholders)
        return generalNumber(value);
    if (value < 0 && sections.size() >= 2 && !sections.at(1).isEmpty())
        return formatSection(value, parseSection(sections.at(1)), false);
    if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return formatSection(value, parseSection(sections.at(2)), false);
    return formatSection(value, parseSection(sections.at(0)), true);
}

QString ValueFormat::formatDateTime(const QDateTime &value, const QString &format)
{
    if (!value.isValid())
        return {};
    if (format.isEmpty() || !isDateFormat(format))
        return generalDateTime(value);
    bool twelveHour = false;
    const std::vector<DateToken> tokens = tokenizeDate(format, &twelveHour);
    const QDate d = value.date();
    const QTime t = value.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const int hour = twelveHour ? hour12 : t.hour();
    const bool pm = t.hour() >= 12;
    QString out;
    for (const DateToken &tok : tokens) {
        switch (tok.field) {
        case DateField::Literal:
            out += tok.literal;
            break;
        case DateField::Year2:
            out += twoDigits(d.year() % 100);
            break;
        case DateField::Year4:
            out += QString::number(d.year());
            break;
        case DateField::Month:
            out += QString::number(d.month());
            break;
        case DateField::Month2:
            out += twoDigits(d.month());
            break;
        case DateField::MonthShort:
            out += QLatin1String(kMonthNames[size_t(d.month() - 1)]).left(3);
            break;
        case DateField::MonthLong:
            out += QLatin1String(kMonthNames[size_t(d.month() - 1)]);
            break;
        case DateField::Day:
            out += QString::number(d.day());
            break;
        case DateField::Day2:
            out += twoDigits(d.day());
            break;
        case DateField::DayShort:
            out += QLatin1String(kDayNames[size_t(d.dayOfWeek() - 1)]).left(3);
            break;
        case DateField::DayLong:
            out += QLatin1String(kDayNames[size_t(d.dayOfWeek() - 1)]);
            break;
        case DateField::Hour:
            out += QString::number(hour);
            break;
        case DateField::Hour2:
            out += twoDigits(hour);
            break;
        case DateField::Minute:
            out += QString::number(t.minute());
            break;
        case DateField::Minute2:
            out += twoDigits(t.minute());
            break;
        case DateField::Second:
            out += QString::number(t.second());
            break;
        case DateField::Second2:
            out += twoDigits(t.second());
            break;
        case DateField::AmPmUpper:
            out += pm ? QLatin1String("PM") : QLatin1String("AM");
            break;
        case DateField::AmPmLower:
            out += pm ? QLatin1String("pm") : QLatin1String("am");
            break;
        case DateField::AP:
            out += pm ? QLatin1Char('P') : QLatin1Char('A');
            break;
        case DateField::ap:
            out += pm ? QLatin1Char('p') : QLatin1Char('a');
            break;
        }
    }
    return out;
}

QString ValueFormat::generalNumber(double value)
{
    // Shortest text that reads back as the same number; plain digits within the usual range.
    const double a = std::fabs(value);
    if (a == 0)
        return QStringLiteral("0");
    const char form = a >= 1e-6 && a < 1e15 ? 'f' : 'g';
    return QString::number(value, form, QLocale::FloatingPointShortest);
}

QString ValueFormat::generalDateTime(const QDateTime &value)
{
    if (!value.isValid())
        return {};
    if (value.time() == QTime(0, 0))
        return formatDateTime(value, QStringLiteral("m/d/yyyy"));
    return formatDateTime(value, QStringLiteral("m/d/yyyy h:nn:ss AMPM"));
}

bool ValueFormat::isDateFormat(const QString &format)
{
    bool twelveHour = false;
    const std::vector<DateToken> tokens = tokenizeDate(format, &twelveHour);
    return std::any_of(tokens.begin(), tokens.end(), [](const DateToken &t) { return t.field != DateField::Literal; });
}

} // namespace dq
