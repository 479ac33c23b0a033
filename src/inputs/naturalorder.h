#pragma once

#include <QString>

// The order people expect of numbered names: letters compared without regard
// to case, runs of digits by their value, so that "2 intro" comes before
// "10 outro" and "Chapter 9" before "Chapter 10". Names equal that way are
// ordered by their plain text, so that the order is total.
namespace NaturalOrder {

// Negative, zero or positive as a sorts before, with or after b.
int compare(const QString &a, const QString &b);
bool lessThan(const QString &a, const QString &b);

}  // namespace NaturalOrder
