#include "kit/numberinput.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace {

bool isAcceptedNumberCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('\b');
}

bool refusesText(const QString &text)
{
    for (const QChar c : text) {
        if (c.isPrint() && !isAcceptedNumberCharacter(c))
            return true;
    }
    return false;
}

}  // namespace

bool NumberInput::refuses(const QEvent &event)
{
    if (event.type() == QEvent::KeyPress)
        return refusesText(static_cast<const QKeyEvent &>(event).text());
    if (event.type() == QEvent::InputMethod)
        return refusesText(static_cast<const QInputMethodEvent &>(event).commitString());
    return false;
}
