#pragma once

#include <QIcon>
#include <QString>

// Who the program is to the desktop.
namespace AppIdentity {
// The reverse-DNS application id: the desktop entry, the metadata and the icon
// are installed under this name.
inline const QString kAppId = QStringLiteral(VANTOREL_APP_ID);
// The program's icon: the installed one from the desktop's icon theme, else the
// copy built into the program (a build folder, a staged install).
QIcon icon();
}  // namespace AppIdentity
