#pragma once

#include <QString>

class QRandomGenerator;

namespace dq {

// The tip-of-the-day list and the tip on display. Tips are numbered 1 to count();
// paging past either end wraps round to the other, so there is always a tip to show.
class Tips
{
public:
    static constexpr int kCount = 39;

    static int count() { return kCount; }
    // The text of tip number (1-based), as shown: each starts with five blanks.
    // Empty for a number outside 1..count().
    static QString text(int number);

    // A start tip drawn evenly from 1..count().
    static int randomNumber(QRandomGenerator &generator);

    // Starts on tip 1; start() or setCurrent() choose another.
    Tips() = default;

    int current() const { return m_current; }
    QString currentText() const { return text(m_current); }
    // Makes number current; a number outside 1..count() is ignored.
    void setCurrent(int number);
    // Draws a random start tip from the generator and makes it current.
    void start(QRandomGenerator &generator);
    // Move to the next / previous tip, wrapping at the ends. Return the new number.
    int next();
    int previous();

private:
    int m_current = 1;
};

} // namespace dq
