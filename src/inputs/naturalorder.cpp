#include "inputs/naturalorder.h"

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The end of the digit run that starts at from.
qsizetype digitRunEnd(const QString &text, qsizetype from)
{
    while (from < text.size() && isDigit(text.at(from)))
        ++from;
    return from;
}

// Two runs of digits by value, however long: without their leading zeros the
// longer run is the larger number, and runs of one length compare as text.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.mid(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

}  // namespace

namespace NaturalOrder {

int compare(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a.at(i)) && isDigit(b.at(j))) {
            const qsizetype aEnd = digitRunEnd(a, i);
            const qsizetype bEnd = digitRunEnd(b, j);
            if (const int order = compareNumbers(QStringView(a).sliced(i, aEnd - i),
                                                 QStringView(b).sliced(j, bEnd - j)))
                return order;
            i = aEnd;
            j = bEnd;
            continue;
        }
        const char16_t x = a.at(i).toCaseFolded().unicode();
        const char16_t y = b.at(j).toCaseFolded().unicode();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

bool lessThan(const QString &a, const QString &b)
{
    return compare(a, b) < 0;
}

}  // namespace NaturalOrder
