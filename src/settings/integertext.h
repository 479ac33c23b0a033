#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Integer text as the settings file and the numeric edits read it: optional
// leading blanks, an optional sign, then decimal digits or hexadecimal digits
// after "$", "0x" or "0X", and nothing else. A number outside the 32-bit signed
// range does not convert.
namespace IntegerText {
std::optional<int> parse(QStringView text);
// Decimal with a "," between groups of three digits ("1,000"), as a spin
// control shows its position.
QString withThousandsSeparator(int value);
}  // namespace IntegerText
