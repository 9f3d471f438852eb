#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace dq {

// Plain substring cutting used by every extraction rule. Positions are 1-based and 0 means
// "not found", so the rules read the same as the key files' authors wrote them.
//
// Contains(text, marker): marker is non-empty and occurs in text, or marker is empty and text
// is not (an empty marker is found at position 1 of any non-empty text).
int instr(QStringView text, QStringView marker, int from = 1);
inline bool contains(QStringView text, QStringView marker)
{
    return instr(text, marker) > 0;
}

// Text after the first begin (all of text when begin is empty; nothing when begin is given but
// absent), then, when end is given, the part before the first end in that remainder (nothing
// when end is absent from it).
QStringView CutBetween(QStringView text, QStringView begin, QStringView end);
QString CutBetween(const QString &text, const QString &begin, const QString &end);

// Like CutBetween, but an absent end gives nothing only when end is given and not found at or
// after the start; an empty end takes everything from the start.
QStringView CutBetweenLoose(QStringView text, QStringView begin, QStringView end);
QString CutBetweenLoose(const QString &text, const QString &begin, const QString &end);

// Removes begin, end and what lies between them. The end searched for is the first one that
// starts strictly after the character following begin; an empty end removes everything from
// begin on; an absent begin (when given) or absent end leaves the text unchanged.
QString CutOutMiddle(QStringView text, QStringView begin, QStringView end);

// Every occurrence of from replaced by to; an empty from leaves the text as it is.
QString replaceAll(QStringView text, QStringView from, QStringView to);
// The same, given up (nothing) as soon as the result would pass maxSize characters.
std::optional<QString> replaceAll(QStringView text, QStringView from, QStringView to, qsizetype maxSize);

} // namespace dq
