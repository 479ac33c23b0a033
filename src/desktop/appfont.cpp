#include "desktop/appfont.h"

#include <QStringList>

QFont appFont()
{
    QFont font;
    // Named one by one: a generic name such as "Sans Serif" can resolve to a
    // monospaced font on a system with few fonts, and overflow every layout.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    return font;
}
