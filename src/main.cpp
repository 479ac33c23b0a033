#include "app/tfm_main.h"
#include "platform/appfont.h"
#include "platform/appidentity.h"
#include "platform/qtprompter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantorel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantorel"));
    QApplication::setFont(appFont());
    // The desktop matches the window to the installed entry by this name; every
    // window and dialog shows the icon.
    QGuiApplication::setDesktopFileName(AppIdentity::kAppId);
    QApplication::setWindowIcon(AppIdentity::icon());

    QtPrompter prompter;
    Tfm_main fm_main(prompter);
    fm_main.admitAtFirstShow(QApplication::arguments());
    prompter.setParentWindow(&fm_main);
    fm_main.show();
    return app.exec();
}
