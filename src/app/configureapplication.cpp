#include "app/configureapplication.h"

#include "desktop/appfont.h"
#include "desktop/appidentity.h"

#include <QApplication>

void configureApplication(QApplication &application)
{
    application.setApplicationName(QStringLiteral("Vantorel"));
    application.setFont(appFont());
    // The desktop matches the window to the installed entry by this name; every
    // window and dialog shows the icon.
    application.setDesktopFileName(AppIdentity::kAppId);
    application.setWindowIcon(AppIdentity::icon());
}
