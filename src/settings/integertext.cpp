#include "settings/integertext.h"

#include <cstdint>
#include <limits>

namespace IntegerText {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int digit = -1;
    if (u >= u'0' && u <= u'9')
        digit = u - u'0';
    else if (u >= u'a' && u <= u'f')
        digit = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        digit = u - u'A' + 10;
    return digit < base ? digit : -1;
}

// Strips a "$", "0x" or "0X" prefix and says which base the rest is in.
int takeBase(QStringView &text)
{
    if (text.startsWith(QLatin1Char('$'))) {
        text = text.mid(1);
        return 16;
    }
    if (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))) {
        text = text.mid(2);
        return 16;
    }
    return 10;
}

}  // namespace

std::optional<int> parse(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.mid(1);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))) {
        negative = text.front() == QLatin1Char('-');
        text = text.mid(1);
    }
    const int base = takeBase(text);
    if (text.isEmpty())
        return std::nullopt;

    // One past the largest magnitude, so that -2147483648 still fits.
    const std::int64_t limit = std::int64_t(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    std::int64_t magnitude = 0;
    for (QChar c : text) {
        const int digit = digitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return int(negative ? -magnitude : magnitude);
}

QString withThousandsSeparator(int value)
{
    QString digits = QString::number(value < 0 ? -std::int64_t(value) : std::int64_t(value));
    for (int at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

}  // namespace IntegerText
