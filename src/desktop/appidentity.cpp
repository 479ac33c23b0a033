#include "desktop/appidentity.h"

namespace AppIdentity {

QIcon icon()
{
    return QIcon::fromTheme(kAppId, QIcon(QStringLiteral(":/icons/vantorel.png")));
}

}  // namespace AppIdentity
